#include <algorithm>

#include "foundation/kstring.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/programmer_link.h"
#include "interface/serial_transport.h"

// The programmer's own commands on the query and control channels. A reply
// of a failed exchange is never handed out as data.
namespace vx {
namespace {

constexpr std::size_t chunk_size = sap_frame_limit - 12;
constexpr std::int32_t logic_timeout_ms = 5000, logic_reload_ms = 30000;

enum : std::uint8_t {
  reset_command = 0x03,
  erase_command = 0x05,
  write_command = 0x07,
  mac_command = 0x0A,
  identity_command = 0x0B,
  first_duration_command = 0x10,
  second_duration_command = 0x11,
  version_command = 0x1D,
  extra_text_command = 0x1E,
  logic_command = 0x1F,
  success_command = 0x20,
  image_logic_command = 0x24,
  range_crc_command = 0x28,
  region_command = 0x29,
  kernel_command = 0x2F,
  mode_command = 0x30,
};

// Raises the three time-outs for a while, leaving the caller's saved ones alone.
class RaisedTimeouts {
 public:
  explicit RaisedTimeouts(std::int32_t ms)
      : ethernet_(sap_get_ethernet_timeout()), serial_(sap_get_serial_timeout()), usb_(sap_get_usb_timeout()) {
    sap_set_timeouts(ms);
  }
  ~RaisedTimeouts() {
    sap_set_ethernet_timeout(ethernet_);
    sap_set_serial_timeout(serial_);
    sap_set_usb_timeout(usb_);
  }
  RaisedTimeouts(const RaisedTimeouts&) = delete;
  RaisedTimeouts& operator=(const RaisedTimeouts&) = delete;

 private:
  std::int32_t ethernet_, serial_, usb_;
};

bool command(std::uint8_t code, std::uint8_t channel) {
  const SapStream stream{code};
  return sap_send_receive(stream, channel);
}

// Enough reply bytes for a status byte, a long, or a pair of longs.
bool replied(std::int32_t bytes) { return programmer_link().reply_length >= bytes; }

std::int32_t text_query(std::uint8_t code, ShortText& text, std::uint8_t max) {
  text = ShortText();
  if (!command(code, sap_query_channel)) return sap_no_reply;
  text = sap_reply_text().substr(0, max);
  return sap_ok;
}

std::int32_t duration_query(std::uint8_t code, ShortText& text, std::uint8_t max, const char* failed) {
  if (!command(code, sap_query_channel) || !replied(4)) {
    text = ShortText(failed).substr(0, max);
    return sap_no_reply;
  }
  text = format_duration(sap_reply_long()).substr(0, max);
  return sap_ok;
}

std::uint8_t status_of(bool sent) { return sent && replied(1) ? sap_reply_status() : 0; }

ShortText two_digits(std::uint32_t value) { return value < 10 ? "0" + long_to_str(static_cast<std::int32_t>(value))
                                                              : long_to_str(static_cast<std::int32_t>(value)); }

}  // namespace

ShortText sap_command_byte(std::uint8_t value) { return ShortText(1, static_cast<char>(value)); }

ShortText word_to_be_text(std::uint16_t value) {
  return sap_command_byte(static_cast<std::uint8_t>(value >> 8)) + sap_command_byte(static_cast<std::uint8_t>(value));
}

ShortText long_to_be_text(std::uint32_t value) {
  return word_to_be_text(static_cast<std::uint16_t>(value >> 16)) + word_to_be_text(static_cast<std::uint16_t>(value));
}

void append_text(SapStream& stream, const ShortText& piece) {
  for (std::size_t i = 0; i < piece.size(); ++i) stream.push_back(static_cast<std::uint8_t>(piece[i]));
}

std::int32_t sap_reset_device(std::int32_t wait_ms) {
  ProgrammerLink& link = programmer_link();
  if (!link.open) return sap_ok;
  const SapStream stream{reset_command};
  sap_send(stream, sap_control_channel);
  if (link.medium == SapMedium::serial) {
    com_set_rts(true);
    com_set_dtr(true);
    delay_ms(1);
    com_set_rts(false);
    com_set_dtr(false);
    if (!com_wait_until(com_output_drained, link.serial_timeout)) return sap_no_reply;
  }
  delay_ms(wait_ms);
  if (link.medium == SapMedium::usb) wdusb_open_device(link.usb_identifier);
  return sap_ok;
}

std::uint8_t sap_erase_block(std::uint8_t block) {
  const SapStream stream{erase_command, block};
  return status_of(sap_send_receive(stream, sap_control_channel));
}

std::uint8_t sap_write_memory(std::uint32_t address, std::uint16_t length, std::span<const std::uint8_t> data) {
  const std::size_t total = std::min<std::size_t>(length, data.size());
  std::uint8_t status = 0;
  for (std::size_t offset = 0; offset < total;) {
    const std::size_t chunk = std::min(chunk_size, total - offset);
    SapStream stream{write_command};
    append_text(stream, long_to_be_text(address + static_cast<std::uint32_t>(offset)));
    append_text(stream, word_to_be_text(static_cast<std::uint16_t>(chunk)));
    stream.insert(stream.end(), data.begin() + static_cast<long>(offset),
                  data.begin() + static_cast<long>(offset + chunk));
    offset += chunk;
    status = status_of(sap_send_receive(stream, sap_control_channel));
    if (status == 0) return 0;
  }
  return status;
}

ShortText sap_query_mac_raw() { return command(mac_command, sap_query_channel) ? sap_reply_text() : ShortText(); }

ShortText sap_query_mac() {
  const ShortText raw = sap_query_mac_raw();
  return raw.empty() ? ShortText() : format_mac_address(raw);
}

// Bytes the reply did not bring show as "--".
ShortText format_mac_address(const ShortText& raw) {
  ShortText text;
  for (std::size_t i = 0; i < 6; ++i) {
    if (i > 0) text += ':';
    text += i < raw.size() ? hex_byte(static_cast<std::uint8_t>(raw[i])) : ShortText("--");
  }
  return text;
}

std::int32_t sap_query_identity(ShortText& text, std::uint8_t max) { return text_query(identity_command, text, max); }

std::int32_t sap_check_identity() {
  ShortText text;
  sap_query_identity(text, 255);
  return text.view().substr(0, 3) == "VLX" ? sap_ok : sap_serial_failed;
}

std::int32_t sap_query_first_duration(ShortText& text, std::uint8_t max) {
  return duration_query(first_duration_command, text, max, "--h--m");
}

std::int32_t sap_query_second_duration(ShortText& text, std::uint8_t max) {
  return duration_query(second_duration_command, text, max, "--h:--m");
}

std::int32_t sap_query_version(ShortText& text, std::uint8_t max) { return text_query(version_command, text, max); }

ShortText sap_query_extra_text(std::uint8_t max) {
  ShortText text;
  return text_query(extra_text_command, text, max) == sap_ok ? text : ShortText("none").substr(0, max);
}

std::int32_t sap_query_logic_version(ShortText& text, std::uint8_t max) {
  return text_query(logic_command, text, max);
}

std::int32_t sap_query_image_logic_version(ShortText& text, std::uint8_t max) {
  return text_query(image_logic_command, text, max);
}

bool sap_check_success() {
  const RaisedTimeouts raised(logic_timeout_ms);
  return command(success_command, sap_control_channel) &&
         upper_case(sap_reply_text()).view().find("SUCCESSFULLY") != std::string_view::npos;
}

bool sap_update_logic() {
  const RaisedTimeouts raised(logic_timeout_ms);
  command(logic_command, sap_control_channel);
  delay_ms(logic_reload_ms);
  return sap_check_success();
}

std::uint32_t sap_range_crc(std::uint32_t address, std::uint32_t length) {
  SapStream stream{range_crc_command};
  append_text(stream, long_to_be_text(address));
  append_text(stream, long_to_be_text(length));
  return sap_send_receive(stream, sap_control_channel) && replied(4) ? sap_reply_long() : 0;
}

SapRegion sap_get_region() {
  if (!command(region_command, sap_control_channel) || !replied(8)) return {};
  const std::span<const std::uint8_t> r = sap_reply();
  const auto long_at = [&](std::size_t at) {
    return std::uint32_t{r[at]} << 24 | std::uint32_t{r[at + 1]} << 16 | std::uint32_t{r[at + 2]} << 8 | r[at + 3];
  };
  return {long_at(0), long_at(4)};
}

ShortText sap_get_kernel_name() { return command(kernel_command, sap_query_channel) ? sap_reply_text() : ShortText(); }

std::uint8_t sap_select_mode(std::uint8_t region) {
  const SapStream stream{mode_command, region};
  return status_of(sap_send_receive(stream, sap_query_channel));
}

ShortText format_duration(std::uint32_t seconds) {
  const std::uint32_t days = seconds / 86400, hours = seconds % 86400 / 3600, minutes = seconds % 3600 / 60;
  if (days > 7) return two_digits(days / 7) + "w" + two_digits(days % 7) + "d";
  if (days >= 1) return two_digits(days) + "d" + two_digits(hours) + "h";
  return two_digits(hours) + "h" + two_digits(minutes) + "m";
}

}  // namespace vx
