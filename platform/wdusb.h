#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// The WinDriver USB functions in the shape the library exports them (the
// published names, statuses and the parts of the device description the
// callers read), over a USB bus: libusb-1.0 for real devices, or a simulated
// bus. Arrivals and departures reach the attach and detach callbacks on a
// library thread of our own, one at a time, in the order they happened.
namespace vx::platform {

using WDU_DRIVER_HANDLE = void*;
using WDU_DEVICE_HANDLE = void*;

namespace wd {
inline constexpr std::uint32_t success = 0, invalid_handle = 0x20000001, invalid_pipe_number = 0x20000002,
                               insufficient_resources = 0x20000005, system_internal_error = 0x20000007,
                               not_implemented = 0x2000000A, device_not_found = 0x2000000F,
                               operation_already_done = 0x20000011, time_out_expired = 0x20000015,
                               invalid_parameter = 0x2000001B;
inline constexpr std::size_t max_interfaces = 30;
}  // namespace wd

struct WDU_DEVICE_DESCRIPTOR {
  std::uint8_t bLength = 18;
  std::uint8_t bDescriptorType = 1;
  std::uint16_t bcdUSB = 0x0200;
  std::uint8_t bDeviceClass = 0;
  std::uint8_t bDeviceSubClass = 0;
  std::uint8_t bDeviceProtocol = 0;
  std::uint8_t bMaxPacketSize0 = 64;
  std::uint16_t idVendor = 0;
  std::uint16_t idProduct = 0;
  std::uint16_t bcdDevice = 0;
  std::uint8_t iManufacturer = 0;
  std::uint8_t iProduct = 0;
  std::uint8_t iSerialNumber = 0;
  std::uint8_t bNumConfigurations = 1;
};

struct WDU_INTERFACE_DESCRIPTOR {
  std::uint8_t bLength = 9;
  std::uint8_t bDescriptorType = 4;
  std::uint8_t bInterfaceNumber = 0;
  std::uint8_t bAlternateSetting = 0;
  std::uint8_t bNumEndpoints = 2;
  std::uint8_t bInterfaceClass = 0xFF;
  std::uint8_t bInterfaceSubClass = 0;
  std::uint8_t bInterfaceProtocol = 0;
  std::uint8_t iInterface = 0;
};

struct WDU_ALTERNATE_SETTING {
  WDU_INTERFACE_DESCRIPTOR Descriptor;
};

struct WDU_INTERFACE {
  WDU_ALTERNATE_SETTING* pAlternateSettings = nullptr;
  std::uint32_t dwNumAltSettings = 0;
  WDU_ALTERNATE_SETTING* pActiveAltSetting = nullptr;
};

struct WDU_DEVICE {
  WDU_DEVICE_DESCRIPTOR Descriptor;
  WDU_INTERFACE* pActiveInterface[wd::max_interfaces] = {};
};

using WDU_ATTACH_CALLBACK = int (*)(WDU_DEVICE_HANDLE device, WDU_DEVICE* info, void* user_data);
using WDU_DETACH_CALLBACK = void (*)(WDU_DEVICE_HANDLE device, void* user_data);
using WDU_POWER_CHANGE_CALLBACK = int (*)(WDU_DEVICE_HANDLE device, std::uint32_t power_state, void* user_data);

struct WDU_EVENT_TABLE {
  WDU_ATTACH_CALLBACK pfDeviceAttach = nullptr;
  WDU_DETACH_CALLBACK pfDeviceDetach = nullptr;
  WDU_POWER_CHANGE_CALLBACK pfPowerChange = nullptr;
  void* pUserData = nullptr;
};

struct WDU_MATCH_TABLE {
  std::uint16_t wVendorId = 0;
  std::uint16_t wProductId = 0;  // 0: any product
  std::uint8_t bDeviceClass = 0;
  std::uint8_t bDeviceSubClass = 0;
  std::uint8_t bInterfaceClass = 0;
  std::uint8_t bInterfaceSubClass = 0;
  std::uint8_t bInterfaceProtocol = 0;
};

// A device as a bus reports it.
using UsbDeviceId = std::uint64_t;
struct UsbDeviceInfo {
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
  std::uint8_t interface_number = 0;
};

// How a bus reports arrivals and departures to the library. Callable from any thread.
class UsbBusEvents {
 public:
  virtual ~UsbBusEvents() = default;
  virtual void arrived(UsbDeviceId device, const UsbDeviceInfo& info) = 0;
  virtual void departed(UsbDeviceId device) = 0;
};

// Every operation answers a WinDriver status.
class UsbBus {
 public:
  virtual ~UsbBus() = default;
  // Reports the matching devices present, then each arrival and departure, until stop.
  virtual bool start(std::uint16_t vendor, std::uint16_t product, UsbBusEvents& events) = 0;
  // No report and no transfer runs once it returns.
  virtual void stop() = 0;
  virtual std::uint32_t set_interface(UsbDeviceId device, std::uint8_t interface_number,
                                      std::uint8_t alternate_setting) = 0;
  virtual std::uint32_t reset_pipe(UsbDeviceId device, std::uint8_t pipe) = 0;
  virtual std::uint32_t transfer(UsbDeviceId device, std::uint8_t pipe, bool read, std::span<std::uint8_t> buffer,
                                 std::uint32_t& transferred, std::uint32_t timeout_ms) = 0;
};

// The installed bus; the libusb-1.0 bus unless another was installed.
UsbBus& usb_bus();
// nullptr restores the libusb-1.0 bus. No driver may be open.
void install_usb_bus(UsbBus* bus);

// The vendor identifier of the WinDriver-family devices as set within the
// process (from the desktop, or by a simulated world); nullopt while unset.
std::optional<std::uint16_t> usb_vendor_id();
// Returns the value it replaces.
std::optional<std::uint16_t> set_usb_vendor_id(std::optional<std::uint16_t> vendor);

// Returns once no arrival or departure waits for its callback and none runs;
// at once on the library thread itself. Lets virtual time move only after
// the library has caught up.
void wdusb_wait_for_callbacks();

// The entries of the built-in "VXUSBMGR.DLL" and "WDAPI900.DLL" (see dynlib.h).
void* wdusb_library_entry(std::string_view name);

// The entry signatures the callers use.
using Stat2Str_fn = const char* (*)(std::uint32_t status);
using WDU_Init_fn = std::uint32_t (*)(WDU_DRIVER_HANDLE* driver, WDU_MATCH_TABLE* match_tables,
                                      std::uint32_t match_table_count, WDU_EVENT_TABLE* event_table,
                                      const char* license, std::uint32_t options);
using WDU_Uninit_fn = void (*)(WDU_DRIVER_HANDLE driver);
using WDU_SetInterface_fn = std::uint32_t (*)(WDU_DEVICE_HANDLE device, std::uint32_t interface_number,
                                              std::uint32_t alternate_setting);
using WDU_ResetPipe_fn = std::uint32_t (*)(WDU_DEVICE_HANDLE device, std::uint32_t pipe);
using WDU_Transfer_fn = std::uint32_t (*)(WDU_DEVICE_HANDLE device, std::uint32_t pipe, std::uint32_t read,
                                          std::uint32_t options, void* buffer, std::uint32_t size,
                                          std::uint32_t* transferred, std::uint8_t* setup_packet,
                                          std::uint32_t timeout_ms);

}  // namespace vx::platform
