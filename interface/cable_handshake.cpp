#include "interface/cable_handshake.h"

#include <optional>

#include "foundation/kstring.h"
#include "foundation/microsecond_timer.h"
#include "foundation/program_trace.h"
#include "interface/link_state.h"
#include "interface/port_state.h"
#include "platform/clock.h"

namespace vx {
namespace {

constexpr std::uint8_t ack_line = 0x08;
// Control values: bit 0 strobes each byte, bit 1 is clear on a command's last byte.
constexpr std::uint8_t control_last_low = 4, control_last_high = 5, control_byte_low = 6, control_byte_high = 7;
constexpr std::uint16_t timed_wait_refill = 1000;
constexpr std::uint32_t steps_per_time_check = 100;

std::uint16_t status_port() { return static_cast<std::uint16_t>(port_state().port_status_address); }
std::uint16_t control_port() { return static_cast<std::uint16_t>(port_state().port_control_address); }
std::uint16_t data_port() { return static_cast<std::uint16_t>(port_state().port_base_address); }

void trace(const ShortText& text) {
  if (trace_active()) trace_line(text);
}

void slow_mode_pause() {
  if (cable_handshake().slow_mode) delay_microseconds(5);
}

// One unsuccessful poll's count: fast at first, then 10 us apart, then fast
// again. False when the link status reached 0.
bool count_step(LinkState& link) {
  if (link.link_status == 0) return false;
  --link.link_status;
  if (link.link_status > 10 && link.link_status < 0xC000) {
    delay_microseconds(10);
    link.link_status -= 9;
  }
  return link.link_status != 0;
}

bool ack_is(std::uint8_t status, bool set) { return ((status & ack_line) != 0) == set; }

// Polls until the acknowledge line is `set`; the status that satisfied it,
// or nullopt with the link failed.
std::optional<std::uint8_t> counted_wait(bool set, const char* timeout_trace) {
  LinkState& link = link_state();
  link.link_status = link.reload_value;
  for (;;) {
    const std::uint8_t status = port_in(status_port());
    if (ack_is(status, set)) return status;
    platform::clock().spin();
    if (!count_step(link)) {
      if (timeout_trace != nullptr) trace(timeout_trace);
      return std::nullopt;
    }
  }
}

// Counts one step every per-poll-count polls. With a time-out, a link
// status that runs out before it is refilled, and the wait ends soon after
// the time-out has passed.
bool paced_wait(bool set, const char* timeout_trace, std::optional<std::int64_t> deadline_us, std::int64_t start_us) {
  LinkState& link = link_state();
  link.link_status = link.reload_value;
  std::uint16_t polls_left = link.per_poll_count;
  std::uint32_t steps = 0;
  bool timed_out = false;
  for (;;) {
    if (ack_is(port_in(status_port()), set)) return true;
    platform::clock().spin();
    if (--polls_left != 0) continue;
    polls_left = link.per_poll_count;
    count_step(link);
    if (deadline_us && ++steps % steps_per_time_check == 0 && elapsed_microseconds() - start_us > *deadline_us) {
      timed_out = true;
    }
    if (link.link_status == 0 && deadline_us && !timed_out) {
      link.link_status = timed_wait_refill;
      continue;
    }
    if (link.link_status == 0) {
      trace(timeout_trace);
      return false;
    }
    if (timed_out) {
      link.link_status = 0;
      return false;
    }
  }
}

// The control register reads back what was written on a real port; an absent
// port must not keep the wait going for ever.
bool wait_control_bit0_clear() {
  LinkState& link = link_state();
  link.link_status = link.reload_value;
  while ((port_in(control_port()) & 1) != 0) {
    platform::clock().spin();
    if (!count_step(link)) return false;
  }
  return true;
}

bool failed(const std::optional<std::uint8_t>& status) { return !status.has_value(); }

// Upper nibble on the acknowledge, lower nibble on its release.
std::optional<std::uint8_t> receive_byte() {
  const std::optional<std::uint8_t> upper = counted_wait(true, nullptr);
  if (failed(upper)) return std::nullopt;
  port_out(control_port(), control_byte_low);
  const std::optional<std::uint8_t> lower = counted_wait(false, nullptr);
  if (failed(lower)) return std::nullopt;
  return nibble_decode_table()[(*upper & 0xF0) | (*lower >> 4)];
}

}  // namespace

void SEND8_revB(std::uint8_t byte) {
  if (link_state().link_status == 0) return;
  trace(link_prefix() + "SEND8_revB(0x" + hex_byte(byte) + ")");
  port_out(data_port(), byte);
  slow_mode_pause();
  if ((port_in(control_port()) & 1) != 0) {
    if (failed(counted_wait(false, "TIMEOUT1"))) return;
    port_out(control_port(), control_byte_low);
    counted_wait(true, "TIMEOUT2");
  } else {
    if (failed(counted_wait(true, "TIMEOUT3"))) return;
    port_out(control_port(), control_byte_high);
    counted_wait(false, "TIMEOUT4");
  }
}

void SEND_CMD_revB(std::uint8_t byte, std::uint32_t timeout_ms) {
  if (link_state().link_status == 0) return;
  trace(ShortText("SEND_CMD_revB(0x") + hex_byte(byte) + ")");
  const std::int64_t start_us = elapsed_microseconds();
  const std::int64_t deadline_us = std::int64_t{timeout_ms} * 1000;
  port_out(data_port(), byte);
  bool done = false;
  if ((port_in(control_port()) & 1) != 0) {
    port_out(control_port(), control_last_high);
    if (failed(counted_wait(false, "TIMEOUT1"))) return;
    slow_mode_pause();
    port_out(control_port(), control_last_low);
    done = paced_wait(true, "TIMEOUT2", deadline_us, start_us);
  } else {
    port_out(control_port(), control_last_low);
    if (failed(counted_wait(true, "TIMEOUT3"))) return;
    slow_mode_pause();
    port_out(control_port(), control_last_high);
    done = paced_wait(false, "TIMEOUT4", deadline_us, start_us);
  }
  if (!done) return;
  port_out(control_port(), control_last_low);
  slow_mode_pause();
  if (!wait_control_bit0_clear()) return;
  port_out(control_port(), control_byte_low);
  if (!paced_wait(false, "TIMEOUT5", std::nullopt, start_us)) return;
  port_out(control_port(), control_byte_high);
  slow_mode_pause();
  delay_microseconds(15);
}

void RECV16_RevB() {
  LinkState& link = link_state();
  if (link.link_status == 0) return;
  trace("RECV16_RevB");
  const std::optional<std::uint8_t> high = receive_byte();
  if (!high) return;
  port_out(control_port(), control_byte_high);
  const std::optional<std::uint8_t> low = receive_byte();
  if (!low) return;
  link.reply_word = std::uint32_t{*high} * 256 + *low;
  port_out(control_port(), control_byte_high);
  trace(ShortText("Result = (0x") + hex_word(static_cast<std::uint16_t>(link.reply_word)) + ")");
}

}  // namespace vx
