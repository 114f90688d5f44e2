#include "platform/ftdi_libftdi.h"

#include <ftdi.h>

#include <array>

namespace vx::platform {
namespace {

struct ContextDeleter {
  void operator()(ftdi_context* context) const { ftdi_free(context); }
};
using Context = std::unique_ptr<ftdi_context, ContextDeleter>;

struct DeviceListDeleter {
  void operator()(ftdi_device_list* list) const { ftdi_list_free(&list); }
};
using DeviceList = std::unique_ptr<ftdi_device_list, DeviceListDeleter>;

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
    ftdi_device_list* found = nullptr;
    if (ftdi_usb_find_all(context, &found, 0, 0) < 0) return false;
    const DeviceList devices(found);
    for (ftdi_device_list* entry = found; entry != nullptr; entry = entry->next) {
      std::array<char, ft::description_buffer_size> description{};
      std::array<char, ft::serial_buffer_size> serial_number{};
      if (ftdi_usb_get_strings(context, entry->dev, nullptr, 0, description.data(),
                               static_cast<int>(description.size()), serial_number.data(),
                               static_cast<int>(serial_number.size())) < 0) {
        continue;
      }
      if (visit(entry->dev, FtdiListing{serial_number.data(), description.data()})) break;
    }
    return true;
  }
};

}  // namespace

FtdiBus& libftdi_bus() {
  static LibftdiBus bus;
  return bus;
}

}  // namespace vx::platform
