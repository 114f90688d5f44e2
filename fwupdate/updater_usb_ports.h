#pragma once

#include <array>
#include <cstdint>

#include "foundation/short_text.h"

// The updater's USB interface ports: the WinDriver debug interfaces in name
// order, then the OSBDM/OSJTAG boards, as ports 21 on (at most 19 together;
// the FTDI-based interfaces are not listed by this program), and the
// transfers of the byte protocol to the open one. Installed in place of the
// libraries' list by start_updater_usb_ports. Main thread only.
namespace vx::updater {

// fwscout's smaller build lists the WinDriver interfaces as the flash
// programmer does (no Universal FX rule, no trace interfaces).
enum class UsbListing : std::uint8_t { updater, scout };

struct UpdaterUsbPorts {
  static constexpr std::uint8_t family_ftdi = 0, family_windriver = 1, family_osbdm = 2, family_none = 3;
  static constexpr std::int32_t max_devices = 19;

  std::uint8_t usb_device_family = family_none;
  // 1 Universal, 2 Universal FX, 0 any other.
  std::uint8_t universal_kind = 0;
  std::int32_t reply_count = 0;
  std::int32_t reply_position = 0;
  std::int32_t windriver_count = 0;
  std::int32_t osbdm_count = 0;
  bool usb_driver_started = false;
  bool osbdm_load_tried = false;
  UsbListing listing = UsbListing::updater;
};

UpdaterUsbPorts& updater_usb_ports();

// Installs the list, the trace-interface ports and the OSBDM close notice;
// stop takes them away again.
void start_updater_usb_ports();
void stop_updater_usb_ports();
// The unit's start (closes what is open) for one program's build.
void reset_updater_usb_ports(UsbListing listing = UsbListing::updater);

// Lists both families; the number of USB interface ports.
std::int32_t enumerate_devices();
ShortText GET_USB_DEVICE_FIELD(std::int32_t n, std::int32_t field);
bool open_usb_port(std::int32_t n);
void close_usb_devices();
bool open_device_is_osbdm();

void usb_transfer(std::int32_t frame_length, std::int32_t timeout_ms);
void flush_usb_reply();
std::int32_t usb_reply_count();
void take_usb_reply(std::int32_t n);
std::int32_t usb_device_error();

}  // namespace vx::updater
