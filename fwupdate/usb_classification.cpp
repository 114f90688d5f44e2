#include "fwupdate/usb_classification.h"

#include <mutex>

#include "foundation/char_set.h"
#include "foundation/kstring.h"
#include "foundation/program_trace.h"
#include "interface/drivers/wdusb_library.h"
#include "interface/drivers/wdusb_transfer.h"
#include "interface/drivers/windows_version.h"

namespace vx {
namespace {

UsbClassification state;

constexpr std::string_view separator = "  ,  ";

bool contains(const ShortText& text, std::string_view part) { return text.view().find(part) != std::string_view::npos; }

ShortText model_text(const ShortText& line) { return extract_word(2, line, CharSet(",")); }

ShortText entry_text(const WdusbDeviceTable& table, std::int32_t k) {
  return table.name(k) + ShortText(separator) + table.line(k) + ShortText(separator) + table.identifier(k);
}

void trace_classified(std::string_view prefix, std::int32_t i, std::string_view kind, const WdusbDeviceTable& table) {
  trace_line(ShortText(prefix) + long_to_str(i) + ":" + ShortText(kind) + ":" + table.name(i) + ":" +
             table.identifier(i) + ":'" + table.line(i) + "'");
}

}  // namespace

UsbClassification& usb_classification() { return state; }

void reset_usb_classification() {
  if (state.selected) wdusb_close();
  state = UsbClassification{};
}

UsbDeviceClass classify_usb_model(const ShortText& model) {
  const ShortText trimmed_model = trim(model);
  const std::string_view trimmed = trimmed_model.view();
  if (trimmed.starts_with("USB-QX-12") && !contains(model, wdusb_device_sentinel)) return UsbDeviceClass::quorvex;
  if (contains(model, "(FS)")) return UsbDeviceClass::fs_quorvex;
  if (contains(model, "FX")) return UsbDeviceClass::fx_quorvex;
  if (trimmed.starts_with("0")) return UsbDeviceClass::programmer;
  if (trimmed.starts_with("2")) return UsbDeviceClass::trace;
  return UsbDeviceClass::unknown;
}

void init_usb_driver() {
  state.driver_initialised = true;
  if (usb_libraries_allowed()) load_usb_driver_dll();
}

void enumerate_usb_devices() {
  deselect_usb_device();
  state.sorted = list_windriver_devices();
  for (std::int32_t i = 1; i <= state.sorted.count; ++i) {
    trace_line("Windriver:" + long_to_str(i) + " : " + entry_text(state.sorted, i));
  }
  trace_line("WinDriver USB Devices Enumerated = " + long_to_str(state.sorted.count));
  sort_by_name(state.sorted);
  trace_line("INTERNAL_WDUSB_NUMDEVICES = " + long_to_str(state.sorted.count) + " : ");
  for (std::int32_t i = 1; i <= state.sorted.count; ++i) trace_line(long_to_str(i) + " : " + entry_text(state.sorted, i));

  state.interfaces.clear();
  state.programmers.clear();
  state.traces.clear();
  state.unknown_count = 0;
  const WdusbDeviceTable& sorted = state.sorted;
  for (std::int32_t i = 1; i <= sorted.count; ++i) {
    WdusbDeviceTable* list = &state.interfaces;
    switch (classify_usb_model(model_text(sorted.line(i)))) {
      case UsbDeviceClass::quorvex: trace_classified("VX", i, "QUORVEX", sorted); break;
      case UsbDeviceClass::fs_quorvex: trace_classified("VX", i, "FSQUORVEX", sorted); break;
      case UsbDeviceClass::fx_quorvex: break;
      case UsbDeviceClass::programmer:
        trace_classified("VX", i, "TAMBERLYPROMAX", sorted);
        list = &state.programmers;
        break;
      case UsbDeviceClass::trace:
        trace_classified("WD", i, "ZEPHLOR", sorted);
        list = &state.traces;
        break;
      case UsbDeviceClass::unknown:
        ++state.unknown_count;
        continue;
    }
    list->append(sorted.name(i), sorted.line(i), sorted.identifier(i));
  }
  trace_line("TOTAL USB Devices Enumerated = " + long_to_str(sorted.count));
  trace_line("TOTAL USB Tamberly Pro/Max = " + long_to_str(state.programmers.count));
  trace_line("TOTAL USB Zephlor = " + long_to_str(state.traces.count));
  trace_line("TOTAL USB Quorvex = " + long_to_str(state.interfaces.count));
  trace_line("TOTAL UNKNOWN = " + long_to_str(state.unknown_count));
}

std::int32_t wdusb_trace_count() { return state.traces.count; }

bool select_usb_device(const ShortText& serial) {
  deselect_usb_device();
  bool known = false;
  for (std::int32_t k = 1; k <= state.sorted.count && !known; ++k) known = state.sorted.identifier(k) == serial;
  if (!known || !wdusb_open_device(serial)) return false;
  state.selected_serial = serial;
  state.selected = true;
  return true;
}

void deselect_usb_device() {
  wdusb_close();
  state.selected = false;
  state.selected_serial = ShortText();
}

bool usb_write(std::span<const std::uint8_t> packet) { return state.selected && wdusb_write(packet); }

bool usb_read(std::span<std::uint8_t> reply, std::int32_t& length, std::uint32_t timeout_ms) {
  return state.selected && wdusb_read(reply, length, timeout_ms);
}

std::uint32_t usb_last_status() {
  if (!state.selected) return 0;
  std::lock_guard lock(wdusb_mutex());
  return wdusb_state().last_status;
}

void clear_usb_status() {
  std::lock_guard lock(wdusb_mutex());
  wdusb_state().last_status = 0;
}

}  // namespace vx
