#include "interface/programmer_link.h"

#include <algorithm>

#include "foundation/command_exception.h"
#include "foundation/kstring.h"
#include "foundation/status_output.h"
#include "foundation/system_helpers.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/drivers/wdusb_transfer.h"
#include "interface/ethernet_transport.h"
#include "interface/serial_transport.h"

namespace vx {
namespace {

constexpr std::int32_t ms_per_tick = 55;
constexpr int ethernet_attempts = 5;
constexpr std::int32_t serial_settle_ms = 1500;

ProgrammerLink link_state_;

// Texts for the debugger only; the user never sees them.
void sap_debug_message(const ShortText&) {}

void report(const char* prefix, const std::exception& error) { WRITELN_TO_DEBUG(prefix + ShortText(error.what())); }

void fail_open() {
  link_state_.open = false;
  link_state_.medium = SapMedium::none;
}

void failed_exchange() {
  link_state_.reply_length = 3;
  link_state_.reply[0] = 0;
  link_state_.reply[1] = 0;
}

std::int32_t serial_ticks() { return link_state_.serial_timeout / ms_per_tick + 1; }

// A byte that did not come in time, or came with a line error, is not taken.
bool read_reply_byte(std::uint8_t& byte) {
  com_read_byte_timeout(byte, serial_ticks());
  return com_status() == 0;
}

// Reads the reply's bytes; those beyond the buffer are read and dropped.
bool serial_receive() {
  std::uint8_t byte = 0;
  if (!read_reply_byte(byte)) {
    sap_debug_message("Serial timed out");
    return false;
  }
  std::int32_t length = byte;
  if (length == 0) {
    std::uint8_t high = 0, low = 0;
    if (!read_reply_byte(high) || !read_reply_byte(low)) return false;
    length = high * 256 + low;
  }
  for (std::int32_t i = 0; i < length; ++i) {
    if (!read_reply_byte(byte)) {
      com_flush_input();
      com_flush_output();
      link_state_.reply_length = 0;
      return false;
    }
    if (static_cast<std::size_t>(i) < ProgrammerLink::reply_size) link_state_.reply[static_cast<std::size_t>(i)] = byte;
  }
  link_state_.reply_length = std::min<std::int32_t>(length, ProgrammerLink::reply_size);
  return true;
}

bool sap_usb_send(std::span<const std::uint8_t> stream, std::uint8_t channel) {
  SapStream frame{channel};
  frame.insert(frame.end(), stream.begin(), stream.end());
  if (wdusb_write(frame)) return true;
  sap_debug_message("USB Command transmission failure.");
  return false;
}

bool sap_usb_receive() {
  if (wdusb_read(link_state_.reply, link_state_.reply_length, static_cast<std::uint32_t>(link_state_.usb_timeout))) {
    return true;
  }
  link_state_.reply_length = 0;
  sap_debug_message("USB Command reception failure.");
  return false;
}

bool device_open() {
  if (link_state_.open) return true;
  sap_debug_message("Device is not open.");
  return false;
}

// A refusal: the device is held by another user. False when the user keeps off.
bool may_take_over() {
  if (!link_state_.asks_before_take_over) return true;
  return safe_message_dlg(0, sap_take_over_question, platform::DialogKind::confirmation,
                          platform::button_yes | platform::button_no, 0) == platform::result_yes;
}

bool ethernet_exchange(std::span<const std::uint8_t> stream, std::uint8_t channel) {
  bool take_over = false;
  for (int attempt = 0; attempt < ethernet_attempts; ++attempt) {
    std::uint8_t status = udp_acknowledged;
    udp_send_receive(stream, channel, static_cast<std::uint32_t>(link_state_.ethernet_timeout), take_over, status);
    if (status == udp_acknowledged) return link_state_.data_received;
    if (status == udp_no_reply) return false;
    if (status == udp_refusal) {
      if (!may_take_over()) break;
      take_over = true;
    }
  }
  failed_exchange();
  return false;
}

void ethernet_send(std::span<const std::uint8_t> stream, std::uint8_t channel) {
  bool take_over = false;
  for (int attempt = 0; attempt < ethernet_attempts; ++attempt) {
    std::uint8_t status = udp_acknowledged;
    if (udp_send_block(stream, channel, static_cast<std::uint32_t>(link_state_.ethernet_timeout), take_over, status)) {
      return;
    }
    if (status == udp_acknowledged) break;  // no socket
    if (status == udp_refusal) {
      if (!may_take_over()) break;
      take_over = true;
    }
  }
  failed_exchange();
}

bool exchange(std::span<const std::uint8_t> stream, std::uint8_t channel) {
  switch (link_state_.medium) {
    case SapMedium::serial:
      if (!device_open()) return false;
      if (com_char_ready()) com_flush_input();
      return sap_serial_send_frame(stream, channel) && serial_receive();
    case SapMedium::usb:
      return device_open() && sap_usb_send(stream, channel) && sap_usb_receive();
    case SapMedium::ethernet:
      return ethernet_exchange(stream, channel);
    case SapMedium::none:
      break;
  }
  return false;
}

}  // namespace

ProgrammerLink& programmer_link() { return link_state_; }

void reset_programmer_link() { link_state_ = ProgrammerLink{}; }

ShortText sap_error_text(std::int32_t code) {
  switch (code) {
    case 10: return "Failed to establish communication.";
    case 11: return "The IP number specified was not found on the network.";
    case 12: return "The device is locked by another user.";
    case 13: return "Device has not been opened.";
    case 14: return "Another connection is already open.";
    case 15: return "There are no open devices.";
    case 16: return "Serial device is not present.";
    case 17: return "USB device is not present.";
    default: return ShortText();
  }
}

std::int32_t sap_open_ethernet_ip(const ShortText& address, std::uint16_t port) {
  sap_close();
  if (trim(address).empty()) {
    link_state_.open = false;
    return sap_ethernet_failed;
  }
  set_device_ip(address);
  set_device_udp_port(port);
  link_state_.medium = SapMedium::ethernet;
  if (sap_check_identity() != sap_ok) {
    fail_open();
    return sap_ethernet_failed;
  }
  link_state_.open = true;
  return sap_ok;
}

std::int32_t sap_open_ethernet(const ShortText& address) {
  try {
    return sap_open_ethernet_ip(address, get_device_udp_port());
  } catch (const CommandException&) {
    throw;
  } catch (const std::exception& error) {
    fail_open();
    report("Ethernet Opening Exception - ", error);
    return sap_open_exception;
  }
}

std::int32_t sap_open_usb(std::int32_t n) {
  try {
    sap_close();
    if (n < 1 || n > WdusbDeviceTable::capacity) n = 1;
    const ShortText identifier = wdusb_state().programmers.identifier(n);
    if (!wdusb_open_device(identifier)) {
      link_state_.open = false;
      return sap_usb_failed;
    }
    link_state_.usb_identifier = identifier;
    link_state_.open = true;
    link_state_.medium = SapMedium::usb;
    return sap_ok;
  } catch (const CommandException&) {
    throw;
  } catch (const std::exception& error) {
    fail_open();
    report("USB Opening Exception - ", error);
    return sap_open_exception;
  }
}

std::int32_t sap_open_serial(std::uint16_t n) { return sap_open_serial_baud(n, 115200); }

std::int32_t sap_open_serial_baud(std::uint16_t n, std::int32_t baud) {
  try {
    sap_close();
    com_set_rts(false);
    com_open(n, baud, 'N', 8, 1, 1024, 1024);
    delay_ms(serial_settle_ms);
    if (!com_is_open()) {
      link_state_.open = false;
      return sap_serial_failed;
    }
    link_state_.open = true;
    link_state_.medium = SapMedium::serial;
    return sap_ok;
  } catch (const CommandException&) {
    throw;
  } catch (const std::exception& error) {
    fail_open();
    report("Serial Opening Exception - ", error);
    return sap_open_exception;
  }
}

void sap_close() {
  try {
    if (link_state_.open && link_state_.medium == SapMedium::usb) wdusb_close();
    if (link_state_.open && link_state_.medium == SapMedium::serial) com_close();
  } catch (const CommandException&) {
    throw;
  } catch (const std::exception& error) {
    report("SAP Port Close Exception - ", error);
  }
  fail_open();
}

std::int32_t sap_usb_programmer_count() {
  try {
    return wdusb_programmer_count();
  } catch (const CommandException&) {
    throw;
  } catch (const std::exception& error) {
    report("USB Exception - ", error);
    return 0;
  }
}

bool sap_send_receive(std::span<const std::uint8_t> stream, std::uint8_t channel) {
  link_state_.reply_length = 0;
  link_state_.reply[0] = 0;
  try {
    return exchange(stream, channel);
  } catch (const CommandException&) {
    throw;
  } catch (const std::exception& error) {
    report("SapInterface Exception - ", error);
    return false;
  }
}

void sap_send(std::span<const std::uint8_t> stream, std::uint8_t channel) {
  try {
    switch (link_state_.medium) {
      case SapMedium::serial:
        sap_serial_send_frame(stream, channel);
        break;
      case SapMedium::usb:
        if (device_open()) sap_usb_send(stream, channel);
        break;
      case SapMedium::ethernet:
        ethernet_send(stream, channel);
        break;
      case SapMedium::none:
        break;
    }
  } catch (const CommandException&) {
    throw;
  } catch (const std::exception& error) {
    report("SapInterface Exception - ", error);
  }
}

std::uint8_t sap_reply_status() { return link_state_.reply[0]; }

std::uint32_t sap_reply_long() {
  const auto& r = link_state_.reply;
  return std::uint32_t{r[0]} << 24 | std::uint32_t{r[1]} << 16 | std::uint32_t{r[2]} << 8 | r[3];
}

ShortText sap_reply_text() {
  const auto length = static_cast<std::size_t>(std::clamp<std::int32_t>(link_state_.reply_length, 0, 255));
  return ShortText(std::string_view(reinterpret_cast<const char*>(link_state_.reply.data()), length));
}

std::span<const std::uint8_t> sap_reply() {
  const auto length = static_cast<std::size_t>(
      std::clamp<std::int32_t>(link_state_.reply_length, 0, static_cast<std::int32_t>(ProgrammerLink::reply_size)));
  return {link_state_.reply.data(), length};
}

void sap_save_timeouts() {
  link_state_.saved_timeouts = {link_state_.ethernet_timeout, link_state_.serial_timeout, link_state_.usb_timeout};
}

void sap_set_timeouts(std::int32_t ms) {
  link_state_.ethernet_timeout = ms;
  link_state_.serial_timeout = ms;
  link_state_.usb_timeout = ms;
}

void sap_restore_timeouts() {
  link_state_.ethernet_timeout = link_state_.saved_timeouts[0];
  link_state_.serial_timeout = link_state_.saved_timeouts[1];
  link_state_.usb_timeout = link_state_.saved_timeouts[2];
}

void sap_set_ethernet_timeout(std::int32_t ms) { link_state_.ethernet_timeout = ms; }
std::int32_t sap_get_ethernet_timeout() { return link_state_.ethernet_timeout; }
void sap_set_serial_timeout(std::int32_t ms) { link_state_.serial_timeout = ms; }
std::int32_t sap_get_serial_timeout() { return link_state_.serial_timeout; }
void sap_set_usb_timeout(std::int32_t ms) { link_state_.usb_timeout = ms; }
std::int32_t sap_get_usb_timeout() { return link_state_.usb_timeout; }

}  // namespace vx
