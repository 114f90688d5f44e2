#include "interface/drivers/wdusb_devices.h"

#include <cstdlib>
#include <string_view>
#include <utility>

#include "foundation/char_set.h"
#include "foundation/kstring.h"
#include "foundation/program_trace.h"
#include "foundation/status_output.h"
#include "interface/drivers/usb_access.h"
#include "interface/drivers/wdusb_library.h"
#include "interface/drivers/wdusb_transfer.h"
#include "platform/clock.h"

namespace vx {
namespace {

using platform::WDU_DEVICE_HANDLE;

constexpr std::string_view interface_model = "USB-QX-12";
constexpr int open_attempts = 7;
constexpr const char* failed_open_lines[open_attempts - 1] = {
    "Failed 1st Open.", "Failed 2st Open.", "Failed 3rd Open.",
    "Failed 4th Open.", "Failed 5th Open.", "Failed 6th Open.",
};

WdusbState state;
std::mutex state_mutex;

void sleep_ms(std::uint32_t milliseconds) { platform::clock().sleep_microseconds(std::uint64_t{milliseconds} * 1000); }

ShortText field(std::uint8_t n, const ShortText& line) { return extract_word(n, line, CharSet(",")); }

bool contains(const ShortText& text, std::string_view part) { return text.view().find(part) != std::string_view::npos; }

bool starts_with(const ShortText& text, std::string_view prefix) { return text.view().starts_with(prefix); }

// The identification exchange: the device answers with its information line.
void identify(WDU_DEVICE_HANDLE device, ShortText& line, ShortText& name, ShortText& identifier) {
  if (wd_set_interface(device, 0, 0) != 0 || wd_reset_pipe(device, wdusb_frame::out_pipe) != 0 ||
      wd_reset_pipe(device, wdusb_frame::in_pipe) != 0) {
    return;
  }
  std::array<std::uint8_t, WdusbState::transfer_size> frame{};
  frame[0] = wdusb_frame::short_out[0];
  frame[1] = wdusb_frame::short_out[1];
  frame[3] = 2;
  frame[4] = 0x01;
  frame[5] = 0x0B;
  std::uint32_t transferred = 0;
  if (wdusb_transfer(device, wdusb_frame::out_pipe, false, frame.data(), WdusbState::part_size, transferred,
                     WdusbState::identification_timeout_ms, TransferCaller::callback) != platform::wd::success) {
    return;
  }
  const std::optional<std::uint32_t> length =
      read_reply_frame(device, frame, WdusbState::identification_timeout_ms, TransferCaller::callback);
  if (!length) return;
  line = ShortText(std::string_view(reinterpret_cast<const char*>(frame.data() + 4), *length & 0xFF));
  const ShortText serial = trim(field(3, line));
  if (!serial.empty()) name = identifier = serial;
  const ShortText maker = trim(field(1, line));
  if (!maker.empty() && maker != "VLX") identifier = upper_case(maker);
}

void trace_open_failure() {
  std::uint32_t status = 0;
  std::uint32_t fourth_word = 0;
  std::uint32_t selection = 0;
  {
    std::lock_guard lock(state_mutex);
    status = state.last_status;
    fourth_word = state.record.fourth_word;
    selection = state.record.selection_status;
  }
  if (status == platform::wd::time_out_expired) {
    trace_line("Timeout expired for connection with the device.");
    trace_line("Check that the device is connected and try again.");
  } else if (status != 0) {
    trace_line("main: OsEventWait() failed on event $" + status_hex(fourth_word) + ": error $" + status_hex(status) +
               " (\"" + wd_status_text(status) + "\")");
  } else if (selection == 0) {
    std::lock_guard lock(state_mutex);
    state.attach_delay_2 = 1000;
  }
}

bool device_taken() {
  std::lock_guard lock(state_mutex);
  return state.opened;
}

void tell_vendor_unset() {
  if (std::exchange(state.vendor_unset_told, true)) return;
  WRITELN_TO_DEBUG(
      "USB interfaces are not searched: set the environment variable VX_USB_VENDOR_ID (the flash programmer also "
      "reads USB_VENDOR_ID in the STARTUP section of CQUILLHCS08.DSK) to the interfaces' vendor id (see README).");
}

// Finds the devices through the callbacks; the library stays initialised afterwards.
void scan() {
  wdusb_reset_state();
  const std::optional<std::uint16_t> vendor = usb_vendor_id_setting();
  if (!vendor) {
    tell_vendor_unset();
    return;
  }
  bool open_mode = false;
  {
    std::lock_guard lock(state_mutex);
    state.attach_delay_2 = 0;
    state.raw.clear();
    open_mode = state.open_mode;
  }
  platform::WDU_MATCH_TABLE match;
  match.wVendorId = *vendor;
  platform::WDU_EVENT_TABLE events;
  events.pfDeviceAttach = wdusb_attach_callback;
  events.pfDeviceDetach = wdusb_detach_callback;
  platform::WDU_DRIVER_HANDLE driver = nullptr;
  if (wd_init(driver, match, events) != platform::wd::success) return;
  state.driver = driver;
  sleep_ms(open_mode ? 200 : 500);
  if (open_mode && !device_taken()) sleep_ms(300);
  // Done once a pause passes in which no callback ran.
  for (;;) {
    std::uint32_t started = 0;
    {
      std::lock_guard lock(state_mutex);
      started = state.callbacks_started;
    }
    sleep_ms(100);
    std::lock_guard lock(state_mutex);
    if (!state.in_callback && state.callbacks_started == started) break;
  }
  write_refused_usb_devices();
  if (open_mode) trace_open_failure();
}

void end_callback() { state.in_callback = false; }

}  // namespace

void WdusbDeviceTable::append(const ShortText& name, const ShortText& line, const ShortText& identifier) {
  if (count >= capacity) return;
  const auto index = static_cast<std::size_t>(count++);
  names[index] = name.substr(0, name_length);
  information[index] = line;
  identifiers[index] = identifier.substr(0, name_length);
}

void sort_by_name(WdusbDeviceTable& table) {
  for (std::int32_t i = 0; i < table.count; ++i) {
    for (std::int32_t j = i + 1; j < table.count; ++j) {
      const auto a = static_cast<std::size_t>(i);
      const auto b = static_cast<std::size_t>(j);
      if (table.names[a].view() <= table.names[b].view()) continue;
      std::swap(table.names[a], table.names[b]);
      std::swap(table.information[a], table.information[b]);
      std::swap(table.identifiers[a], table.identifiers[b]);
    }
  }
}

WdusbState& wdusb_state() { return state; }

std::mutex& wdusb_mutex() { return state_mutex; }

void reset_wdusb_state() {
  wdusb_close();
  std::lock_guard lock(state_mutex);
  state = WdusbState{};
}

std::optional<std::uint16_t> usb_vendor_id_setting() {
  const char* text = std::getenv("VX_USB_VENDOR_ID");
  if (text != nullptr) {
    if (const std::optional<std::uint16_t> vendor = parse_usb_vendor_id(text)) return vendor;
  }
  return platform::usb_vendor_id();
}

std::optional<std::uint16_t> parse_usb_vendor_id(std::string_view text) {
  std::int32_t value = 0;
  const ShortText trimmed = trim(ShortText(text));
  if (trimmed.empty() || !convert_integer_text(trimmed.view(), value) || value < 0 || value > 0xFFFF) {
    return std::nullopt;
  }
  return static_cast<std::uint16_t>(value);
}

void take_desktop_usb_vendor_id(std::string_view text) {
  if (const std::optional<std::uint16_t> vendor = parse_usb_vendor_id(text)) platform::set_usb_vendor_id(vendor);
}

void wdusb_reset_state() {
  state.remembered_name = ShortText();
  if (state.driver != nullptr) {
    wd_uninit(state.driver);
    state.driver = nullptr;
  }
  clear_user_record();
  sleep_ms(10);
  std::lock_guard lock(state_mutex);
  state.opened = false;
  state.taken = nullptr;
  state.taken_product = 0xFFFF;
  state.detached = false;
}

void clear_user_record() {
  std::lock_guard lock(state_mutex);
  state.record = WdusbUserRecord{};
}

WdusbDeviceTable list_windriver_devices() {
  {
    std::lock_guard lock(state_mutex);
    state.open_mode = false;
  }
  scan();
  std::lock_guard lock(state_mutex);
  return state.raw;
}

void wdusb_enumerate() {
  WdusbDeviceTable found = list_windriver_devices();
  state.interfaces.clear();
  state.programmers.clear();
  sort_by_name(found);
  for (std::int32_t k = 1; k <= found.count; ++k) {
    const ShortText model = field(2, found.line(k));
    const ShortText trimmed = trim(model);
    WdusbDeviceTable* table = nullptr;
    if (starts_with(trimmed, interface_model) && !contains(model, wdusb_device_sentinel)) {
      table = &state.interfaces;
    } else if (contains(model, "(FS)")) {
      table = &state.interfaces;
    } else if (starts_with(trimmed, "0")) {
      table = &state.programmers;
    }
    if (table != nullptr) table->append(found.name(k), found.line(k), found.identifier(k));
  }
}

std::int32_t wdusb_interface_count() { return state.interfaces.count; }

std::int32_t wdusb_programmer_count() { return state.programmers.count; }

bool wdusb_open_device(const ShortText& identifier) {
  const ShortText wanted = identifier;  // the caller may pass the name a reset forgets
  for (int attempt = 0; attempt < open_attempts; ++attempt) {
    wdusb_reset_state();
    {
      std::lock_guard lock(state_mutex);
      state.wanted = wanted;
      state.open_mode = true;
    }
    scan();
    if (device_taken()) {
      state.remembered_name = wanted;
      state.re_open_allowed = true;
      return true;
    }
    if (attempt < open_attempts - 1) trace_line(failed_open_lines[attempt]);
  }
  return false;
}

void wdusb_close() {
  wdusb_reset_state();
  state.re_open_allowed = false;
}

void set_attach_delay_1(std::uint32_t milliseconds) {
  std::lock_guard lock(state_mutex);
  state.attach_delay_1 = milliseconds;
}

int wdusb_attach_callback(WDU_DEVICE_HANDLE device, platform::WDU_DEVICE* info, void*) {
  std::uint32_t delay_1 = 0;
  std::uint32_t delay_2 = 0;
  {
    std::lock_guard lock(state_mutex);
    state.in_callback = true;
    ++state.callbacks_started;
    const platform::WDU_INTERFACE* active = info->pActiveInterface[0];
    const bool same_interface = active != nullptr && active->pActiveAltSetting != nullptr &&
                                active->pActiveAltSetting->Descriptor.bInterfaceNumber == state.record.interface_number;
    if (!same_interface || state.record.device != nullptr) {
      end_callback();
      return 0;
    }
    delay_1 = state.attach_delay_1;
    delay_2 = state.attach_delay_2;
  }
  if (delay_1 != 0) sleep_ms(delay_1);
  if (delay_2 != 0) sleep_ms(delay_2);
  const ShortText handle_digits = hex_long(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(device)));
  ShortText line = "VLX,UNKNOWN," + handle_digits + ",,,,,";
  ShortText name = handle_digits;
  ShortText identifier = handle_digits;
  identify(device, line, name, identifier);

  std::uint32_t interface_number = 0;
  std::uint32_t alternate_setting = 0;
  {
    std::lock_guard lock(state_mutex);
    // The taken device coming back is in the tables already.
    if (!(state.opened && state.detached)) state.raw.append(name, line, identifier);
    if (!state.open_mode || identifier != state.wanted) {
      end_callback();
      return 0;
    }
    state.record.device = device;
    interface_number = state.record.interface_number;
    alternate_setting = state.record.alternate_setting;
  }
  const std::uint32_t status = wd_set_interface(device, interface_number, alternate_setting);
  std::lock_guard lock(state_mutex);
  state.record.selection_status = status;
  if (status != 0) state.record.device = nullptr;
  state.opened = true;
  state.taken = device;
  state.taken_product = info->Descriptor.idProduct;
  state.detached = false;
  end_callback();
  return status == 0 ? 1 : 0;
}

void wdusb_detach_callback(WDU_DEVICE_HANDLE device, void*) {
  std::lock_guard lock(state_mutex);
  // Another device leaving takes nothing from the one in use.
  if (state.record.device == device) state.record.device = nullptr;
  if (state.opened && device == state.taken) state.detached = true;
}

}  // namespace vx
