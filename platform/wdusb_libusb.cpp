#include "platform/wdusb_libusb.h"

#include <libusb.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/device_access.h"

namespace vx::platform {
namespace {

constexpr std::uint64_t poll_step_us = 100'000;
constexpr int poll_steps_per_scan = 5;

std::uint32_t status_of(int result) {
  switch (result) {
    case LIBUSB_SUCCESS: return wd::success;
    case LIBUSB_ERROR_TIMEOUT: return wd::time_out_expired;
    case LIBUSB_ERROR_NO_DEVICE:
    case LIBUSB_ERROR_NOT_FOUND: return wd::device_not_found;
    case LIBUSB_ERROR_INVALID_PARAM: return wd::invalid_parameter;
    case LIBUSB_ERROR_NO_MEM: return wd::insufficient_resources;
    default: return wd::system_internal_error;
  }
}

struct KnownDevice {
  libusb_device* device = nullptr;
  libusb_device_handle* handle = nullptr;
  bool present = true;
};

class LibusbBus final : public UsbBus {
 public:
  explicit LibusbBus(bool poll_only) : poll_only_(poll_only) {}
  ~LibusbBus() override { stop(); }
  LibusbBus(const LibusbBus&) = delete;
  LibusbBus& operator=(const LibusbBus&) = delete;

  bool start(std::uint16_t vendor, std::uint16_t product, UsbBusEvents& events) override {
    stop();
    if (libusb_init(&context_) != LIBUSB_SUCCESS) {
      context_ = nullptr;
      return false;
    }
    vendor_ = vendor;
    product_ = product;
    events_ = &events;
    running_ = true;
    hotplug_ = !poll_only_ && libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG) != 0;
    if (!hotplug_) {
      thread_ = std::thread([this] { poll_devices(); });
      return true;
    }
    // The devices present are reported before the registration returns.
    if (libusb_hotplug_register_callback(context_, LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT,
                                         LIBUSB_HOTPLUG_ENUMERATE, LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY,
                                         LIBUSB_HOTPLUG_MATCH_ANY,
                                         &LibusbBus::hotplug_event, this, &hotplug_handle_) != LIBUSB_SUCCESS) {
      release();
      return false;
    }
    thread_ = std::thread([this] { handle_events(); });
    return true;
  }

  void stop() override {
    if (context_ == nullptr) return;
    running_ = false;
    if (hotplug_) {
      libusb_hotplug_deregister_callback(context_, hotplug_handle_);
      libusb_interrupt_event_handler(context_);
    }
    if (thread_.joinable()) thread_.join();
    release();
  }

  std::uint32_t set_interface(UsbDeviceId device, std::uint8_t interface_number,
                              std::uint8_t alternate_setting) override {
    libusb_device_handle* handle = nullptr;
    const std::uint32_t status = open_handle(device, handle);
    if (status != wd::success) return status;
    libusb_set_auto_detach_kernel_driver(handle, 1);
    const int claimed = libusb_claim_interface(handle, interface_number);
    if (claimed != LIBUSB_SUCCESS) return status_of(claimed);
    return status_of(libusb_set_interface_alt_setting(handle, interface_number, alternate_setting));
  }

  std::uint32_t reset_pipe(UsbDeviceId device, std::uint8_t pipe) override {
    libusb_device_handle* handle = nullptr;
    const std::uint32_t status = open_handle(device, handle);
    return status != wd::success ? status : status_of(libusb_clear_halt(handle, pipe));
  }

  std::uint32_t transfer(UsbDeviceId device, std::uint8_t pipe, bool, std::span<std::uint8_t> buffer,
                         std::uint32_t& transferred, std::uint32_t timeout_ms) override {
    transferred = 0;
    libusb_device_handle* handle = nullptr;
    const std::uint32_t status = open_handle(device, handle);
    if (status != wd::success) return status;
    int count = 0;
    const int result = libusb_bulk_transfer(handle, pipe, buffer.data(), static_cast<int>(buffer.size()), &count,
                                            timeout_ms);
    transferred = static_cast<std::uint32_t>(count);
    return status_of(result);
  }

 private:
  static int hotplug_event(libusb_context*, libusb_device* device, libusb_hotplug_event event, void* self) {
    auto* bus = static_cast<LibusbBus*>(self);
    if (event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED) {
      if (bus->takes(device)) bus->arrival(device);
    } else {
      bus->departure(device);
    }
    return 0;
  }

  void handle_events() {
    while (running_) {
      timeval wait{0, static_cast<long>(poll_step_us)};
      libusb_handle_events_timeout_completed(context_, &wait, nullptr);
    }
  }

  void poll_devices() {
    while (running_) {
      libusb_device** list = nullptr;
      const ssize_t count = libusb_get_device_list(context_, &list);
      std::vector<libusb_device*> seen;
      for (ssize_t i = 0; i < count; ++i) {
        if (!takes(list[i])) continue;
        seen.push_back(list[i]);
        if (!is_present(list[i])) arrival(list[i]);
      }
      for (libusb_device* gone : present_devices_except(seen)) departure(gone);
      if (count >= 0) libusb_free_device_list(list, 1);
      for (int step = 0; step < poll_steps_per_scan && running_; ++step) clock().sleep_microseconds(poll_step_us);
    }
  }

  bool takes(libusb_device* device) const {
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(device, &descriptor) != LIBUSB_SUCCESS) return false;
    return libusb_scan_takes(vendor_, product_, {descriptor.idVendor, descriptor.idProduct, 0});
  }

  // The device is opened at once: one the user may not open is only recorded.
  void arrival(libusb_device* device) {
    libusb_device_handle* handle = nullptr;
    if (open_usb_device(device, &handle) == LIBUSB_ERROR_ACCESS) return;
    UsbDeviceInfo info;
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(device, &descriptor) == LIBUSB_SUCCESS) {
      info.vendor = descriptor.idVendor;
      info.product = descriptor.idProduct;
    }
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) == LIBUSB_SUCCESS) {
      if (config->bNumInterfaces > 0 && config->interface[0].num_altsetting > 0) {
        info.interface_number = config->interface[0].altsetting[0].bInterfaceNumber;
      }
      libusb_free_config_descriptor(config);
    }
    UsbDeviceId id = 0;
    {
      std::lock_guard lock(mutex_);
      id = next_id_++;
      known_.emplace(id, KnownDevice{libusb_ref_device(device), handle, true});
    }
    events_->arrived(id, info);
  }

  void departure(libusb_device* device) {
    std::vector<UsbDeviceId> gone;
    {
      std::lock_guard lock(mutex_);
      for (auto& [id, known] : known_) {
        if (known.device != device || !known.present) continue;
        known.present = false;
        gone.push_back(id);
      }
    }
    for (const UsbDeviceId id : gone) events_->departed(id);
  }

  bool is_present(libusb_device* device) {
    std::lock_guard lock(mutex_);
    for (const auto& [id, known] : known_) {
      if (known.device == device && known.present) return true;
    }
    return false;
  }

  std::vector<libusb_device*> present_devices_except(const std::vector<libusb_device*>& seen) {
    std::lock_guard lock(mutex_);
    std::vector<libusb_device*> missing;
    for (const auto& [id, known] : known_) {
      if (known.present && std::find(seen.begin(), seen.end(), known.device) == seen.end()) {
        missing.push_back(known.device);
      }
    }
    return missing;
  }

  // Handles stay open until stop, so a transfer never runs on a closed one.
  std::uint32_t open_handle(UsbDeviceId device, libusb_device_handle*& handle) {
    std::lock_guard lock(mutex_);
    const auto found = known_.find(device);
    if (found == known_.end() || !found->second.present) return wd::device_not_found;
    if (found->second.handle == nullptr) {
      const int opened = open_usb_device(found->second.device, &found->second.handle);
      if (opened != LIBUSB_SUCCESS) {
        found->second.handle = nullptr;
        return status_of(opened);
      }
    }
    handle = found->second.handle;
    return wd::success;
  }

  void release() {
    for (auto& [id, known] : known_) {
      if (known.handle != nullptr) libusb_close(known.handle);
      libusb_unref_device(known.device);
    }
    known_.clear();
    libusb_exit(context_);
    context_ = nullptr;
    events_ = nullptr;
  }

  const bool poll_only_;
  bool hotplug_ = false;
  libusb_context* context_ = nullptr;
  libusb_hotplug_callback_handle hotplug_handle_ = 0;
  std::uint16_t vendor_ = 0;
  std::uint16_t product_ = 0;
  UsbBusEvents* events_ = nullptr;
  std::atomic<bool> running_ = false;
  std::thread thread_;
  std::mutex mutex_;
  std::map<UsbDeviceId, KnownDevice> known_;
  UsbDeviceId next_id_ = 1;
};

}  // namespace

bool libusb_scan_takes(std::uint16_t vendor, std::uint16_t product, const UsbDeviceInfo& device) {
  return device.vendor == vendor && (product == 0 || device.product == product);
}

bool note_usb_open(int result, std::uint8_t bus, std::uint8_t address) {
  if (result == LIBUSB_ERROR_ACCESS) record_refused_device(usb_device_node(bus, address));
  return result == LIBUSB_SUCCESS;
}

int open_usb_device(libusb_device* device, libusb_device_handle** handle) {
  const int result = libusb_open(device, handle);
  note_usb_open(result, libusb_get_bus_number(device), libusb_get_device_address(device));
  return result;
}

UsbBus& libusb_bus() {
  static LibusbBus bus(false);
  return bus;
}

std::unique_ptr<UsbBus> make_libusb_bus(bool poll_only) { return std::make_unique<LibusbBus>(poll_only); }

}  // namespace vx::platform
