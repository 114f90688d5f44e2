#include "interface/target_pins.h"

#include "foundation/kstring.h"
#include "foundation/program_trace.h"
#include "interface/byte_protocol.h"
#include "interface/connection_settings.h"
#include "interface/interface_kind.h"
#include "interface/interface_reset.h"
#include "interface/link_state.h"
#include "interface/serial_transport.h"

namespace vx {
namespace {

constexpr std::uint8_t interface_command = 7;
namespace sub {
constexpr std::uint8_t voltage = 2, reset_line = 6, bkgd = 7, clear_latch = 9, power_off = 34, power_on = 35;
}
constexpr std::uint8_t bkgd_low = 0, bkgd_released = 255, unreadable_voltage = 255;
// Older firmware keeps the pin controls and the reset status in interface memory.
constexpr std::uint16_t pin_control_word = 254, reset_status_word = 111;
constexpr std::uint16_t bkgd_bit = 0x1000, latch_enable_bit = 0x2000;
constexpr std::int32_t power_down_margin_ms = 250;

bool pin_commands() { return firmware_at_least(3, 30); }

void send_interface_command(std::uint8_t sub_command, bool long_wait) {
  repeat_until_good([&] {
    SEND8(interface_command);
    if (long_wait) {
      SEND_CMD_LONG(sub_command);
    } else {
      SEND_CMD_SHORT(sub_command);
    }
  });
}

void set_bkgd(std::uint8_t level) {
  if (pin_commands()) {
    repeat_until_good([&] {
      SEND8(interface_command);
      SEND8(sub::bkgd);
      SEND_CMD_SHORT(level);
    });
    return;
  }
  const std::uint16_t controls = READ_CABLE_WORD(pin_control_word);
  WRITE_CABLE_WORD(pin_control_word,
                   level == bkgd_low ? static_cast<std::uint16_t>(controls & ~bkgd_bit) : controls | bkgd_bit);
}

}  // namespace

std::uint8_t READ_VOLTAGE() {
  trace_enter(link_prefix() + "READ_VOLTAGE");
  if (on_programmer() || (on_parallel_cable() && !firmware_at_least(3, 30))) {
    trace_line("Not supported for Tamberly Max.");
    trace_exit();
    return unreadable_voltage;
  }
  repeat_until_good([] {
    SEND8(interface_command);
    SEND_CMD_SHORT(sub::voltage);
    RECV16();
  });
  const std::uint32_t reply = link_state().reply_word & 0xFFFF;
  std::uint8_t code = static_cast<std::uint8_t>(reply >> 8);
  // Newer firmware reports half the code.
  if (interface_state().major > 4) code = reply > 0x7FFF ? unreadable_voltage : static_cast<std::uint8_t>((reply >> 8) * 2);
  trace_line("RESULT = $" + hex_byte(code));
  trace_exit();
  return code;
}

std::uint8_t READ_RESET_LINE() {
  if (READ_VOLTAGE() * 5 < 255) return 0;
  bool line_high = false;
  bool no_reset_seen = false;
  if (pin_commands()) {
    repeat_until_good([] {
      SEND8(interface_command);
      SEND_CMD_SHORT(sub::reset_line);
      RECV16();
    });
    const std::uint32_t status = link_state().reply_word;
    line_high = (status & 0x80) != 0;
    no_reset_seen = (status & 0x40) == 0;
  } else {
    const std::uint16_t status = READ_CABLE_WORD(reset_status_word);
    line_high = (status & 0x8000) != 0;
    no_reset_seen = (status & latch_enable_bit) == 0;
  }
  if (!line_high) return 0;
  if (no_reset_seen) return 2;
  CLEAR_RESET_LATCH();
  return 1;
}

void DRIVE_BKGD_LOW() { set_bkgd(bkgd_low); }

void RELEASE_BKGD() { set_bkgd(bkgd_released); }

void CLEAR_RESET_LATCH() {
  if (firmware_at_least(3, 31)) return send_interface_command(sub::clear_latch, false);
  const std::uint16_t controls = READ_CABLE_WORD(pin_control_word);
  WRITE_CABLE_WORD(pin_control_word, static_cast<std::uint16_t>(controls & ~latch_enable_bit));
  WRITE_CABLE_WORD(pin_control_word, controls | latch_enable_bit);
}

void set_target_voltage(std::uint8_t selection) {
  repeat_until_good([&] {
    SEND8(interface_command);
    SEND8(sub::power_on);
    SEND_CMD_LONG(selection);
  });
  if (connection_settings().power_up_delay_ms != 0) delay_ms(connection_settings().power_up_delay_ms);
}

void interface_power_down() {
  send_interface_command(sub::power_off, true);
  delay_ms(connection_settings().power_down_delay_ms + power_down_margin_ms);
}

}  // namespace vx
