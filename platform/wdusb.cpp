#include "platform/wdusb.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "platform/wdusb_libusb.h"

namespace vx::platform {
namespace {

// A device the callbacks were told of; its description stays put while the handle lives.
struct AttachedDevice {
  UsbDeviceId bus_id = 0;
  bool present = true;
  WDU_ALTERNATE_SETTING setting;
  WDU_INTERFACE interface;
  WDU_DEVICE info;
};

struct Event {
  bool attach = true;
  std::uintptr_t handle = 0;
};

// One open driver: the bus reports into it, the library thread calls back out of it.
class Session final : public UsbBusEvents {
 public:
  Session(UsbBus& bus, const WDU_EVENT_TABLE& callbacks) : bus_(bus), callbacks_(callbacks) {}
  // A driver still open at exit: its thread ends; the bus may be gone already.
  ~Session() { stop_thread(); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  bool start(const WDU_MATCH_TABLE& match) {
    thread_ = std::thread([this] { deliver(); });
    if (bus_.start(match.wVendorId, match.wProductId, *this)) return true;
    stop_thread();
    return false;
  }

  void stop() {
    stop_thread();
    bus_.stop();
  }

  void arrived(UsbDeviceId bus_id, const UsbDeviceInfo& info) override {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    const std::uintptr_t handle = next_handle_++;
    auto device = std::make_unique<AttachedDevice>();
    device->bus_id = bus_id;
    device->setting.Descriptor.bInterfaceNumber = info.interface_number;
    device->interface.pAlternateSettings = &device->setting;
    device->interface.dwNumAltSettings = 1;
    device->interface.pActiveAltSetting = &device->setting;
    device->info.Descriptor.idVendor = info.vendor;
    device->info.Descriptor.idProduct = info.product;
    device->info.pActiveInterface[0] = &device->interface;
    devices_.emplace(handle, std::move(device));
    queue_.push_back({true, handle});
    changed_.notify_all();
  }

  void departed(UsbDeviceId bus_id) override {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    for (auto& [handle, device] : devices_) {
      if (device->bus_id != bus_id || !device->present) continue;
      device->present = false;
      queue_.push_back({false, handle});
      changed_.notify_all();
    }
  }

  // The bus identity of a handle whose device is still there.
  std::optional<UsbDeviceId> bus_id(WDU_DEVICE_HANDLE handle) {
    std::lock_guard lock(mutex_);
    const auto found = devices_.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == devices_.end() || !found->second->present) return std::nullopt;
    return found->second->bus_id;
  }

  void wait_until_quiet() {
    std::unique_lock lock(mutex_);
    if (std::this_thread::get_id() == library_thread_) return;
    changed_.wait(lock, [this] { return stopping_ || (queue_.empty() && !delivering_); });
  }

 private:
  void deliver() {
    std::unique_lock lock(mutex_);
    library_thread_ = std::this_thread::get_id();
    for (;;) {
      changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (stopping_) return;
      const Event event = queue_.front();
      queue_.pop_front();
      delivering_ = true;
      WDU_DEVICE* info = &devices_.at(event.handle)->info;
      lock.unlock();
      auto* handle = reinterpret_cast<WDU_DEVICE_HANDLE>(event.handle);
      if (event.attach && callbacks_.pfDeviceAttach != nullptr) {
        callbacks_.pfDeviceAttach(handle, info, callbacks_.pUserData);
      } else if (!event.attach && callbacks_.pfDeviceDetach != nullptr) {
        callbacks_.pfDeviceDetach(handle, callbacks_.pUserData);
      }
      lock.lock();
      delivering_ = false;
      changed_.notify_all();
    }
  }

  // A callback that runs finishes first; what is still queued is dropped.
  void stop_thread() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
      queue_.clear();
      changed_.notify_all();
    }
    if (thread_.joinable()) thread_.join();
  }

  UsbBus& bus_;
  const WDU_EVENT_TABLE callbacks_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Event> queue_;
  bool delivering_ = false;
  bool stopping_ = false;
  std::map<std::uintptr_t, std::unique_ptr<AttachedDevice>> devices_;
  std::uintptr_t next_handle_ = 1;
  std::thread::id library_thread_;
  std::thread thread_;
};

struct WdusbLayer {
  UsbBus* bus = nullptr;
  std::mutex mutex;
  std::unique_ptr<Session> session;  // at most one driver is open
};

WdusbLayer layer;
std::optional<std::uint16_t> vendor_id;

// The session of a device handle; the caller keeps it alive by not closing the driver meanwhile.
Session* current_session() {
  std::lock_guard lock(layer.mutex);
  return layer.session.get();
}

std::optional<UsbDeviceId> device_id(WDU_DEVICE_HANDLE device) {
  Session* session = current_session();
  return session != nullptr ? session->bus_id(device) : std::nullopt;
}

std::uint32_t WDU_Init(WDU_DRIVER_HANDLE* driver, WDU_MATCH_TABLE* match_tables, std::uint32_t match_table_count,
                       WDU_EVENT_TABLE* event_table, const char*, std::uint32_t) {
  if (driver == nullptr || match_tables == nullptr || match_table_count != 1 || event_table == nullptr) {
    return wd::invalid_parameter;
  }
  *driver = nullptr;
  Session* session = nullptr;
  {
    std::lock_guard lock(layer.mutex);
    if (layer.session) return wd::operation_already_done;
    layer.session = std::make_unique<Session>(usb_bus(), *event_table);
    session = layer.session.get();
  }
  // Unlocked: the callbacks of the devices present find their session while the bus starts.
  if (!session->start(match_tables[0])) {
    std::lock_guard lock(layer.mutex);
    layer.session.reset();
    return wd::device_not_found;
  }
  *driver = session;
  return wd::success;
}

void WDU_Uninit(WDU_DRIVER_HANDLE driver) {
  std::unique_ptr<Session> session;
  {
    std::lock_guard lock(layer.mutex);
    if (driver == nullptr || driver != layer.session.get()) return;
    session = std::move(layer.session);
  }
  session->stop();
}

std::uint32_t WDU_SetInterface(WDU_DEVICE_HANDLE device, std::uint32_t interface_number,
                               std::uint32_t alternate_setting) {
  const std::optional<UsbDeviceId> id = device_id(device);
  if (!id) return wd::device_not_found;
  if (interface_number > 0xFF || alternate_setting > 0xFF) return wd::invalid_parameter;
  return usb_bus().set_interface(*id, static_cast<std::uint8_t>(interface_number),
                                 static_cast<std::uint8_t>(alternate_setting));
}

std::uint32_t WDU_ResetPipe(WDU_DEVICE_HANDLE device, std::uint32_t pipe) {
  const std::optional<UsbDeviceId> id = device_id(device);
  if (!id) return wd::device_not_found;
  if (pipe > 0xFF) return wd::invalid_pipe_number;
  return usb_bus().reset_pipe(*id, static_cast<std::uint8_t>(pipe));
}

std::uint32_t WDU_Transfer(WDU_DEVICE_HANDLE device, std::uint32_t pipe, std::uint32_t read, std::uint32_t,
                           void* buffer, std::uint32_t size, std::uint32_t* transferred, std::uint8_t*,
                           std::uint32_t timeout_ms) {
  if (transferred == nullptr || (buffer == nullptr && size != 0)) return wd::invalid_parameter;
  *transferred = 0;
  const std::optional<UsbDeviceId> id = device_id(device);
  if (!id) return wd::device_not_found;
  if (pipe > 0xFF) return wd::invalid_pipe_number;
  return usb_bus().transfer(*id, static_cast<std::uint8_t>(pipe), read != 0,
                            {static_cast<std::uint8_t*>(buffer), size}, *transferred, timeout_ms);
}

const char* Stat2Str(std::uint32_t status) {
  switch (status) {
    case wd::success: return "Success";
    case wd::invalid_handle: return "Invalid handle";
    case wd::invalid_pipe_number: return "Invalid pipe number";
    case wd::insufficient_resources: return "Insufficient resources";
    case wd::system_internal_error: return "System internal error";
    case wd::not_implemented: return "Function not implemented";
    case wd::device_not_found: return "Device not found";
    case wd::operation_already_done: return "Operation already done";
    case wd::time_out_expired: return "Time out expired";
    case wd::invalid_parameter: return "Invalid parameter";
    default: return "Unrecognized error code";
  }
}

// Bound by the callers, never called: events, threads and the other transfer forms.
std::uint32_t WDU_GetDeviceInfo(WDU_DEVICE_HANDLE, WDU_DEVICE**) { return wd::not_implemented; }
std::uint32_t WDU_DeviceOption(WDU_DEVICE_HANDLE, std::uint32_t) { return wd::not_implemented; }
std::uint32_t WDU_TransferPipe(WDU_DEVICE_HANDLE, std::uint32_t, std::uint32_t, std::uint32_t, void*, std::uint32_t,
                               std::uint32_t*, std::uint32_t) {
  return wd::not_implemented;
}
std::uint32_t WDU_TransferDefaultPipe(WDU_DEVICE_HANDLE, std::uint32_t, std::uint32_t, void*, std::uint32_t,
                                      std::uint32_t*, std::uint8_t*, std::uint32_t) {
  return wd::not_implemented;
}
std::uint32_t EventRegister(void**, void*, void*, void*, void*) { return wd::not_implemented; }
std::uint32_t ObjectStatus(void*) { return wd::not_implemented; }
void* EventAlloc(std::uint32_t) { return nullptr; }
void* EventDup(void*) { return nullptr; }
void ObjectRelease(void*) {}
std::uint32_t ThreadStart(void**, void*, void*) { return wd::not_implemented; }
std::uint32_t OsEventCreate(void**) { return wd::not_implemented; }
std::uint32_t OsEventWait(void*, std::uint32_t) { return wd::not_implemented; }

template <typename Function>
void* entry(Function function) {
  return reinterpret_cast<void*>(function);
}

const std::pair<std::string_view, void*> wdusb_entries[] = {
    {"Stat2Str", entry(Stat2Str)},
    {"EventRegister", entry(EventRegister)},
    {"EventUnregister", entry(ObjectStatus)},
    {"EventAlloc", entry(EventAlloc)},
    {"EventFree", entry(ObjectRelease)},
    {"EventDup", entry(EventDup)},
    {"WDU_Init", entry(WDU_Init)},
    {"WDU_Uninit", entry(WDU_Uninit)},
    {"WDU_GetDeviceInfo", entry(WDU_GetDeviceInfo)},
    {"WDU_SetInterface", entry(WDU_SetInterface)},
    {"WDU_ResetPipe", entry(WDU_ResetPipe)},
    {"WDU_ResetDevice", entry(WDU_DeviceOption)},
    {"WDU_Wakeup", entry(WDU_DeviceOption)},
    {"WDU_Transfer", entry(WDU_Transfer)},
    {"WDU_HaltTransfer", entry(WDU_DeviceOption)},
    {"WDU_TransferDefaultPipe", entry(WDU_TransferDefaultPipe)},
    {"WDU_TransferBulk", entry(WDU_TransferPipe)},
    {"WDU_TransferIsoch", entry(WDU_TransferPipe)},
    {"WDU_TransferInterrupt", entry(WDU_TransferPipe)},
    {"ThreadStart", entry(ThreadStart)},
    {"ThreadWait", entry(ObjectRelease)},
    {"ThreadStop", entry(ObjectRelease)},
    {"OsEventCreate", entry(OsEventCreate)},
    {"OsEventClose", entry(ObjectRelease)},
    {"OsEventWait", entry(OsEventWait)},
    {"OsEventSignal", entry(ObjectStatus)},
    {"FreeDllPtr", entry(ObjectRelease)},
};

}  // namespace

UsbBus& usb_bus() { return layer.bus != nullptr ? *layer.bus : libusb_bus(); }

void install_usb_bus(UsbBus* bus) { layer.bus = bus; }

std::optional<std::uint16_t> usb_vendor_id() { return vendor_id; }

std::optional<std::uint16_t> set_usb_vendor_id(std::optional<std::uint16_t> vendor) {
  return std::exchange(vendor_id, vendor);
}

void wdusb_wait_for_callbacks() {
  Session* session = current_session();
  if (session != nullptr) session->wait_until_quiet();
}

void* wdusb_library_entry(std::string_view name) {
  for (const auto& [entry_name, address] : wdusb_entries) {
    if (entry_name == name) return address;
  }
  return nullptr;
}

}  // namespace vx::platform
