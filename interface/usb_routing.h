#pragma once

#include <cstdint>

#include "foundation/short_text.h"

// One list of USB debug interfaces over both USB libraries, numbered from 1:
// the FTDI-based ones first, then the WinDriver ones; and the operations the
// byte protocol uses on the one open.
namespace vx {

struct UsbRouting {
  static constexpr std::int32_t max_port = 19;

  // 0 FTDI-based interface open, 1 WinDriver interface open, 2 none.
  std::uint8_t usb_driver_family = 2;
  bool usb_mini_interface = false;
  // On the WinDriver path every frame is followed by reading the interface's reply.
  bool usb_expect_reply = true;
  ShortText open_usb_description;
};

// A program's own list of USB devices in place of the two libraries' list:
// the firmware updater's, which adds the OSBDM boards. Installed, it numbers,
// opens and carries every USB interface port.
struct UsbDeviceList {
  // Lists the devices again and takes them into the port table (take_listed_usb_devices);
  // the result is how many there are (ports 21 on).
  std::int32_t (*enumerate)();
  ShortText (*field)(std::int32_t n, std::int32_t field);
  bool (*open)(std::int32_t n);
  void (*close)();
  void (*write)(std::int32_t length, std::int32_t timeout_ms);
  std::int32_t (*bytes_waiting)();
  void (*read)(std::int32_t count);
  void (*reset)();
  std::int32_t (*status)();
  // Trace interfaces on USB, found by the last enumeration.
  std::int32_t (*trace_count)();
};
// nullptr: the libraries' list again.
void install_usb_device_list(const UsbDeviceList* list);
const UsbDeviceList* installed_usb_device_list();

UsbRouting& usb_routing();
// Closes the open interface and returns to the start values.
void reset_usb_routing();

// Fields 1-7 and 99 of interface n; '' for anything else.
ShortText GET_USB_DEVICE_FIELD(std::int32_t n, std::int32_t field);
ShortText GET_USB_DEVICE_SERIAL(std::int32_t n);
ShortText GET_USB_DEVICE_DESCRIPTION(std::int32_t n);

// n from 1 to the interfaces found, at most 19.
bool open_usb_port(std::int32_t n);
void close_usb_ports();
// Sends the first `length` bytes of the frame buffer, header included.
void usb_port_write(std::int32_t length, std::int32_t timeout_ms);
std::int32_t usb_port_bytes_waiting();
// Puts the next `count` reply bytes at the start of the reply buffer.
void usb_port_read(std::int32_t count);
void usb_port_reset();
// The open interface library's last status; -1 with none open.
std::int32_t usb_port_status();

}  // namespace vx
