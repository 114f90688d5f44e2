#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string_view>

#include "foundation/short_text.h"
#include "platform/wdusb.h"

namespace vx {

// Devices by name, information line and identifier; entries 1 to 19.
struct WdusbDeviceTable {
  static constexpr std::int32_t capacity = 19;
  static constexpr std::size_t name_length = 50;

  std::int32_t count = 0;
  std::array<ShortText, capacity> names;
  std::array<ShortText, capacity> information;
  std::array<ShortText, capacity> identifiers;

  // Names and identifiers are cut to 50 characters; a full table takes nothing more.
  void append(const ShortText& name, const ShortText& line, const ShortText& identifier);
  void clear() { *this = WdusbDeviceTable{}; }

  // Entry k from 1; '' outside the table.
  ShortText name(std::int32_t k) const { return in_table(k) ? names[static_cast<std::size_t>(k - 1)] : ShortText(); }
  ShortText line(std::int32_t k) const {
    return in_table(k) ? information[static_cast<std::size_t>(k - 1)] : ShortText();
  }
  ShortText identifier(std::int32_t k) const {
    return in_table(k) ? identifiers[static_cast<std::size_t>(k - 1)] : ShortText();
  }

 private:
  bool in_table(std::int32_t k) const { return k >= 1 && k <= count; }
};

struct WdusbUserRecord {
  std::uint32_t interface_number = 0;
  std::uint32_t alternate_setting = 0;
  platform::WDU_DEVICE_HANDLE device = nullptr;  // taken by the attach callback
  std::uint32_t fourth_word = 0;
  std::uint32_t selection_status = 0;
};

// The WinDriver devices: the scans that find them, the callbacks that report
// them, the tables they are sorted into, the device taken and its transfers.
struct WdusbState {
  static constexpr std::size_t transfer_size = 1280;
  static constexpr std::size_t part_size = 256;

  // Main thread only.
  static constexpr std::uint32_t identification_timeout_ms = 250;

  platform::WDU_DRIVER_HANDLE driver = nullptr;
  bool re_open_allowed = false;
  ShortText remembered_name;
  std::uint32_t transfer_timeout_ms = 3000;
  std::array<std::uint8_t, transfer_size> transfer_buffer{};
  std::array<std::uint8_t, transfer_size> save_area{};
  std::array<std::uint8_t, 8> setup_packet{};
  WdusbDeviceTable interfaces;
  WdusbDeviceTable programmers;
  // Once per run a scan says that no vendor identifier is set.
  bool vendor_unset_told = false;
  // The reply of the last frame, read by the USB port routing.
  std::int32_t reply_unread = 0;
  std::int32_t reply_position = 0;

  // Shared with the callbacks: only under wdusb_mutex(), which no one holds
  // while sleeping or transferring.
  WdusbUserRecord record;
  bool open_mode = false;
  bool opened = false;
  bool detached = false;
  bool in_callback = false;
  std::uint32_t callbacks_started = 0;
  platform::WDU_DEVICE_HANDLE taken = nullptr;
  std::uint16_t taken_product = 0xFFFF;
  ShortText wanted;
  std::uint32_t attach_delay_1 = 0;
  std::uint32_t attach_delay_2 = 0;
  std::uint32_t last_status = 0;
  WdusbDeviceTable raw;
};

WdusbState& wdusb_state();
std::mutex& wdusb_mutex();
// Closes the device and returns to the start values.
void reset_wdusb_state();

// A model text that marks a device as no debug interface; the port scan also
// drops discovered Ethernet devices whose revision text is exactly this.
inline constexpr std::string_view wdusb_device_sentinel = "fafhasdfuiasdhfuiasdn fico shr";

// The vendor identifier the scans match: VX_USB_VENDOR_ID, else the one set
// within the process (see platform/wdusb.h), else none, and no device matches.
std::optional<std::uint16_t> usb_vendor_id_setting();
// A vendor identifier as the user writes it: hexadecimal after "0x" or "$", else decimal.
std::optional<std::uint16_t> parse_usb_vendor_id(std::string_view text);
// Start-up: the desktop's USB_VENDOR_ID text; a valid one becomes the process's setting.
void take_desktop_usb_vendor_id(std::string_view text);

void wdusb_reset_state();
void clear_user_record();
void wdusb_enumerate();
// Scans the bus and returns every device found, in the order found.
WdusbDeviceTable list_windriver_devices();
// By name, as unsigned bytes, a prefix first; equal names keep their order.
void sort_by_name(WdusbDeviceTable& table);
std::int32_t wdusb_interface_count();
std::int32_t wdusb_programmer_count();
bool wdusb_open_device(const ShortText& identifier);
void wdusb_close();
// The firmware-restart step holds back the next attach by this long.
void set_attach_delay_1(std::uint32_t milliseconds);

int wdusb_attach_callback(platform::WDU_DEVICE_HANDLE device, platform::WDU_DEVICE* info, void* user);
void wdusb_detach_callback(platform::WDU_DEVICE_HANDLE device, void* user);

}  // namespace vx
