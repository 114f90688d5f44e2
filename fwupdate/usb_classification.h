#pragma once

#include <cstdint>
#include <span>

#include "foundation/short_text.h"
#include "interface/drivers/wdusb_devices.h"

// The updater's view of the WinDriver bus: every device sorted by name and
// split by its model text into debug interfaces, stand-alone programmers and
// trace interfaces; one device selected by its serial for the transfers,
// which fail at once while none is. Main thread only.
namespace vx {

struct UsbClassification {
  WdusbDeviceTable sorted;
  WdusbDeviceTable interfaces;
  WdusbDeviceTable programmers;
  WdusbDeviceTable traces;
  std::int32_t unknown_count = 0;
  ShortText selected_serial;
  bool selected = false;
  bool driver_initialised = false;
};

UsbClassification& usb_classification();
// The unit's start: empty lists, nothing selected (the open device is closed).
void reset_usb_classification();

// By the model text (field 2 of an information line), the first rule that applies.
enum class UsbDeviceClass : std::uint8_t { quorvex, fs_quorvex, fx_quorvex, programmer, trace, unknown };
UsbDeviceClass classify_usb_model(const ShortText& model);

void init_usb_driver();
void enumerate_usb_devices();
std::int32_t wdusb_trace_count();

bool select_usb_device(const ShortText& serial);
void deselect_usb_device();
bool usb_write(std::span<const std::uint8_t> packet);
bool usb_read(std::span<std::uint8_t> reply, std::int32_t& length, std::uint32_t timeout_ms);
std::uint32_t usb_last_status();
void clear_usb_status();

}  // namespace vx
