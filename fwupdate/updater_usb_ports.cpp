#include "fwupdate/updater_usb_ports.h"

#include <algorithm>
#include <span>

#include "foundation/char_set.h"
#include "foundation/command_exception.h"
#include "foundation/kstring.h"
#include "foundation/program_trace.h"
#include "fwupdate/osbdm_binding.h"
#include "fwupdate/programmer_link_variants.h"
#include "fwupdate/usb_classification.h"
#include "interface/byte_protocol.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/interface_kind.h"
#include "interface/link_state.h"
#include "interface/port_table.h"
#include "interface/usb_routing.h"

namespace vx::updater {
namespace {

constexpr std::uint32_t resync_timeout_ms = 250;

UpdaterUsbPorts state;

// Library troubles leave that family empty; a script halt still ends the script.
template <typename Step>
void swallowing(Step step) {
  try {
    step();
  } catch (const CommandException&) {
    throw;
  } catch (...) {
  }
}

const WdusbDeviceTable& windriver_interfaces() {
  return state.listing == UsbListing::updater ? usb_classification().interfaces : wdusb_state().interfaces;
}

std::int32_t total() { return std::min(state.windriver_count + state.osbdm_count, UpdaterUsbPorts::max_devices); }

void send_close_notice() {
  SEND8(7);
  SEND_CMD_SHORT(0x33);
}

std::span<std::uint8_t> frame() { return link_state().usb_frame; }

// After a reply that did not come: 7, 0xFF once on a short time-out; its answer is dropped.
void resynchronise() {
  WdusbState& wdusb = wdusb_state();
  frame()[4] = 7;
  frame()[5] = 0xFF;
  const std::uint32_t previous = wdusb.transfer_timeout_ms;
  wdusb.transfer_timeout_ms = resync_timeout_ms;
  if (usb_write(frame().subspan(4, 2))) {
    std::int32_t discarded = 0;
    usb_read(frame(), discarded, resync_timeout_ms);
  }
  wdusb.transfer_timeout_ms = previous;
}

std::int32_t trace_interface_count() { return wdusb_trace_count(); }

std::int32_t open_trace_interface(std::int32_t n) { return sap_open_usb(n, true); }

constexpr UsbDeviceList device_list{
    enumerate_devices, GET_USB_DEVICE_FIELD, open_usb_port,   close_usb_devices, usb_transfer,
    usb_reply_count,   take_usb_reply,       flush_usb_reply, usb_device_error,  trace_interface_count,
};

}  // namespace

UpdaterUsbPorts& updater_usb_ports() { return state; }

void start_updater_usb_ports() {
  install_usb_device_list(&device_list);
  port_table().trace_interfaces = true;
  port_table().open_usb_trace_interface = open_trace_interface;
  set_osbdm_close_notice(send_close_notice);
}

void stop_updater_usb_ports() {
  close_usb_devices();
  if (installed_usb_device_list() == &device_list) install_usb_device_list(nullptr);
  port_table().trace_interfaces = false;
  port_table().open_usb_trace_interface = nullptr;
  set_osbdm_close_notice(nullptr);
}

void reset_updater_usb_ports(UsbListing listing) {
  close_usb_devices();
  state = UpdaterUsbPorts{};
  state.listing = listing;
}


std::int32_t enumerate_devices() {
  if (!state.usb_driver_started) {
    state.usb_driver_started = true;
    swallowing(init_usb_driver);
  }
  if (state.listing == UsbListing::updater) {
    enumerate_usb_devices();
    // The programmer link opens programmers on USB from the WinDriver layer's table.
    wdusb_state().programmers = usb_classification().programmers;
  } else {
    wdusb_enumerate();
  }
  if (!state.osbdm_load_tried) {
    state.osbdm_load_tried = true;
    swallowing(external_load_osbdm_library);
  }
  osbdm_enumerate_usb_devices();
  state.windriver_count = windriver_interfaces().count;
  state.osbdm_count = osbdm_number_of_devices();
  trace_line("osbdm_number_of_devices=" + long_to_str(state.osbdm_count));
  trace_line("wdusb_number_of_devices_usbquorvex=" + long_to_str(state.windriver_count));
  trace_line("vxusb2_number_of_devices_enumerated=0");
  // Every listing, not only the first scan: a device plugged in later gets an open port.
  take_listed_usb_devices(total());
  return total();
}

ShortText GET_USB_DEVICE_FIELD(std::int32_t n, std::int32_t field) {
  if (n < 1 || n > total()) return ShortText();
  const WdusbDeviceTable& windriver = windriver_interfaces();
  if (n <= windriver.count) {
    if (field == 1) return windriver.identifier(n);
    if (field == 99) return windriver.line(n);
    if (field >= 2 && field <= 7) return extract_word(static_cast<std::uint8_t>(field), windriver.line(n), CharSet(","));
    return ShortText();
  }
  const OsbdmDevice& board = osbdm_binding().devices[static_cast<std::size_t>(n - windriver.count - 1)];
  if (field == 1 || field == 3) return board.serial;
  if (field == 2 || field == 99) return board.description;
  return ShortText();
}

bool open_usb_port(std::int32_t n) {
  close_usb_devices();
  if (n < 1 || n > total()) return false;
  const WdusbDeviceTable& windriver = windriver_interfaces();
  if (n <= windriver.count) {
    if (!select_usb_device(windriver.identifier(n))) return false;
    state.usb_device_family = UpdaterUsbPorts::family_windriver;
    const ShortText description = upper_case(GET_USB_DEVICE_FIELD(n, 2));
    const std::string_view text = description.view();
    state.universal_kind = text.find("(FS)") != std::string_view::npos ? 1 : text.find("FX") != std::string_view::npos ? 2 : 0;
    return true;
  }
  const OsbdmDevice& board = osbdm_binding().devices[static_cast<std::size_t>(n - windriver.count - 1)];
  if (!osbdm_open_device(board.serial)) return false;
  state.usb_device_family = UpdaterUsbPorts::family_osbdm;
  state.universal_kind = 0;
  return true;
}

void close_usb_devices() {
  deselect_usb_device();
  if (osbdm_binding().osbdm_library_loaded) osbdm_close_device();
  state.usb_device_family = UpdaterUsbPorts::family_none;
  state.universal_kind = 0;
  state.reply_count = 0;
  state.reply_position = 0;
}

bool open_device_is_osbdm() { return state.usb_device_family == UpdaterUsbPorts::family_osbdm; }

void usb_transfer(std::int32_t frame_length, std::int32_t timeout_ms) {
  const auto payload = static_cast<std::size_t>(std::max(frame_length - 4, 0));
  if (state.usb_device_family == UpdaterUsbPorts::family_windriver) {
    state.reply_count = 0;
    state.reply_position = 0;
    if (!usb_write(frame().subspan(4, payload))) return;
    if (!usb_read(frame(), state.reply_count, static_cast<std::uint32_t>(timeout_ms))) {
      state.reply_count = 0;
      if (on_usb_interface()) resynchronise();
    }
  } else if (state.usb_device_family == UpdaterUsbPorts::family_osbdm) {
    state.reply_count = 0;
    state.reply_position = 0;
    osbdm_sendpacket(frame().subspan(4, payload));
    std::uint32_t length = 0;
    if (osbdm_receivepacket(frame(), length, static_cast<std::uint32_t>(timeout_ms))) {
      state.reply_count = static_cast<std::int32_t>(length);
    }
  }
}

void flush_usb_reply() {
  if (state.usb_device_family == UpdaterUsbPorts::family_windriver) {
    clear_usb_status();
  } else if (state.usb_device_family == UpdaterUsbPorts::family_osbdm) {
    osbdm_reset_device();
  }
  state.reply_count = 0;
  state.reply_position = 0;
}

std::int32_t usb_reply_count() {
  const bool framed = state.usb_device_family == UpdaterUsbPorts::family_windriver ||
                      state.usb_device_family == UpdaterUsbPorts::family_osbdm;
  return framed ? state.reply_count : 0;
}

void take_usb_reply(std::int32_t n) {
  LinkState& link = link_state();
  for (std::int32_t taken = 0; taken < n && state.reply_count > 0 &&
                               static_cast<std::size_t>(state.reply_position) < link.usb_frame.size() &&
                               static_cast<std::size_t>(taken) < link.usb_reply.size();
       ++taken) {
    link.usb_reply[static_cast<std::size_t>(taken)] = link.usb_frame[static_cast<std::size_t>(state.reply_position++)];
    --state.reply_count;
  }
}

std::int32_t usb_device_error() {
  switch (state.usb_device_family) {
    case UpdaterUsbPorts::family_windriver: return static_cast<std::int32_t>(usb_last_status());
    case UpdaterUsbPorts::family_osbdm: return osbdm_binding().osbdm_last_error_status;
    case UpdaterUsbPorts::family_none: return -1;
    default: return 0;
  }
}

}  // namespace vx::updater
