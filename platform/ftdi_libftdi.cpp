#include "platform/ftdi_libftdi.h"

#include <ftdi.h>
#include <libusb.h>

#include <array>

#include "platform/wdusb_libusb.h"

namespace vx::platform {
namespace {

struct ContextDeleter {
  void operator()(ftdi_context* context) const { ftdi_free(context); }
};
using Context = std::unique_ptr<ftdi_context, ContextDeleter>;

constexpr std::uint16_t ftdi_vendor_id = 0x0403;

struct DeviceListDeleter {
  void operator()(libusb_device** list) const { libusb_free_device_list(list, 1); }
};
using DeviceList = std::unique_ptr<libusb_device*, DeviceListDeleter>;

struct HandleDeleter {
  void operator()(libusb_device_handle* handle) const { libusb_close(handle); }
};
using Handle = std::unique_ptr<libusb_device_handle, HandleDeleter>;

// The device's product and serial number texts; nullopt when it cannot be opened or lacks one.
std::optional<FtdiListing> read_listing(libusb_device* device, const libusb_device_descriptor& descriptor) {
  libusb_device_handle* opened = nullptr;
  if (open_usb_device(device, &opened) != LIBUSB_SUCCESS) return std::nullopt;
  const Handle handle(opened);
  std::array<unsigned char, ft::description_buffer_size> description{};
  std::array<unsigned char, ft::serial_buffer_size> serial_number{};
  if (libusb_get_string_descriptor_ascii(handle.get(), descriptor.iProduct, description.data(),
                                         static_cast<int>(description.size())) < 0 ||
      libusb_get_string_descriptor_ascii(handle.get(), descriptor.iSerialNumber, serial_number.data(),
                                         static_cast<int>(serial_number.size())) < 0) {
    return std::nullopt;
  }
  return FtdiListing{reinterpret_cast<const char*>(serial_number.data()),
                     reinterpret_cast<const char*>(description.data())};
}

FT_STATUS status_of(int result) { return result < 0 ? ft::io_error : ft::ok; }

class LibftdiPort final : public FtdiPort {
 public:
  explicit LibftdiPort(Context context) : context_(std::move(context)) {}
  ~LibftdiPort() override { ftdi_usb_close(context_.get()); }

  FT_STATUS write(std::span<const std::uint8_t> bytes) override {
    const int written = ftdi_write_data(context_.get(), bytes.data(), static_cast<int>(bytes.size()));
    return written == static_cast<int>(bytes.size()) ? ft::ok : ft::io_error;
  }

  FT_STATUS read_available(std::vector<std::uint8_t>& into) override {
    std::array<std::uint8_t, 4096> chunk{};
    for (;;) {
      const int count = ftdi_read_data(context_.get(), chunk.data(), static_cast<int>(chunk.size()));
      if (count < 0) return ft::io_error;
      into.insert(into.end(), chunk.begin(), chunk.begin() + count);
      if (count < static_cast<int>(chunk.size())) return ft::ok;
    }
  }

  FT_STATUS reset() override { return status_of(ftdi_usb_reset(context_.get())); }

  FT_STATUS purge(std::uint32_t mask) override {
    FT_STATUS status = ft::ok;
    if ((mask & ft::purge_rx) != 0) status = status_of(ftdi_tciflush(context_.get()));
    if (status == ft::ok && (mask & ft::purge_tx) != 0) status = status_of(ftdi_tcoflush(context_.get()));
    return status;
  }

  FT_STATUS set_latency_timer(std::uint8_t milliseconds) override {
    return status_of(ftdi_set_latency_timer(context_.get(), milliseconds));
  }

  // libftdi1 has no notion of the user area's place in the EEPROM.
  FT_STATUS read_user_area(std::span<std::uint8_t>, std::uint32_t& count) override {
    count = 0;
    return ft::not_supported;
  }

 private:
  Context context_;
};

// Lists through a fresh context each time, so no USB state outlives a call.
class LibftdiBus final : public FtdiBus {
 public:
  std::optional<std::vector<FtdiListing>> list() override {
    Context context(ftdi_new());
    std::vector<FtdiListing> devices;
    const bool listed = each_device(context.get(), [&](libusb_device*, const FtdiListing& listing) {
      devices.push_back(listing);
      return false;
    });
    if (!listed) return std::nullopt;
    return devices;
  }

  // The port keeps the context in which its device was found and opened.
  std::unique_ptr<FtdiPort> open(std::string_view serial) override {
    Context context(ftdi_new());
    bool opened = false;
    each_device(context.get(), [&](libusb_device* device, const FtdiListing& listing) {
      if (listing.serial != serial) return false;
      opened = ftdi_usb_open_dev(context.get(), device) == 0;
      return true;
    });
    if (!opened) return nullptr;
    return std::make_unique<LibftdiPort>(std::move(context));
  }

 private:
  // Calls visit for each device whose strings can be read until it answers true; false when the bus cannot be listed.
  template <typename Visit>
  bool each_device(ftdi_context* context, Visit visit) {
    if (context == nullptr) return false;
    libusb_device** found = nullptr;
    const ssize_t count = libusb_get_device_list(context->usb_ctx, &found);
    if (count < 0) return false;
    const DeviceList devices(found);
    for (ssize_t i = 0; i < count; ++i) {
      libusb_device_descriptor descriptor{};
      if (libusb_get_device_descriptor(found[i], &descriptor) != LIBUSB_SUCCESS ||
          !ftdi_listing_takes(descriptor.idVendor)) {
        continue;
      }
      const std::optional<FtdiListing> listing = read_listing(found[i], descriptor);
      if (listing && visit(found[i], *listing)) break;
    }
    return true;
  }
};

}  // namespace

bool ftdi_listing_takes(std::uint16_t vendor) { return vendor == ftdi_vendor_id; }

FtdiBus& libftdi_bus() {
  static LibftdiBus bus;
  return bus;
}

}  // namespace vx::platform
