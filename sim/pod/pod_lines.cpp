// The pod's lines to the target: sync measurement, background speed, the
// target voltage, BKGD, the reset line and its latch, target and board
// supply, and the resets it drives.
#include <algorithm>

#include "sim/pod/pod.h"
#include "sim/pod/reply_words.h"

namespace vx::sim {
namespace {

namespace line {
constexpr std::uint8_t speed = 0, sync = 1, voltage = 2, reset_line = 6, bkgd = 7, clear_latch = 9,
                       reset_with_delay = 19, background_reset = 24, board_supply_off = 32, board_supply_on = 33,
                       power_off = 34, power_on = 35;
}
constexpr FirmwareVersion timed_sync_firmware{3, 30};
constexpr std::uint16_t bkgd_bit = 0x1000, latch_enable_bit = 0x2000;
// Older firmware counts the sync pulse in units of 5/8 us.
constexpr std::uint64_t count_unit_ps = 625'000;
constexpr std::uint16_t sync_error = 0xFFFF;

std::uint16_t word_at(std::span<const std::uint8_t> command, std::size_t i) {
  return static_cast<std::uint16_t>(command[i] << 8 | command[i + 1]);
}

}  // namespace

bool Pod::target_alive() const { return target_ != nullptr && !target_dead_ && target_->powered(); }

void Pod::reset_target(bool into_background) {
  if (into_background) {
    ++background_resets_;
  } else {
    ++target_resets_;
  }
  if (!target_alive() || !reset_wired_) return;
  sync_target();
  target_->reset(into_background || bkgd_low_);
  if (into_background || bkgd_low_) bkgd_blocked_ = false;
  reset_latch_ = true;
}

// Power-on with BKGD held low starts the target in background mode.
void Pod::switch_target_supply(bool on) {
  if (target_ == nullptr || target_->powered() == on) return;
  sync_target();
  if (on) {
    target_->power_on(bkgd_low_);
    if (bkgd_low_) bkgd_blocked_ = false;
    reset_latch_ = true;
  } else {
    target_->power_off();
  }
}

void Pod::write_memory(std::span<const std::uint8_t> command) {
  if (command.size() != 5) return log_violation(command, "memory write is 5 bytes");
  const std::uint16_t address = word_at(command, 1);
  const std::uint16_t value = word_at(command, 3);
  if (memory_.in_flash(address) || memory_.in_flash(static_cast<std::uint16_t>(address + 1))) {
    return log_violation(command, "memory write into flash");
  }
  memory_.write_word(address, value);
  if (address != pin_control_word) return;
  bkgd_low_ = (value & bkgd_bit) == 0;
  if ((value & latch_enable_bit) == 0) reset_latch_ = false;
}

bool Pod::run_line_command(std::uint8_t sub_command, std::span<const std::uint8_t> command,
                           std::vector<std::uint8_t>& reply) {
  const auto expect_size = [&](std::size_t size) {
    if (command.size() == size) return true;
    log_violation(command, "wrong length for sub-command " + std::to_string(sub_command));
    return false;
  };
  switch (sub_command) {
    case line::speed:
      if (!expect_size(4)) return true;
      speed_divider_ = word_at(command, 2);
      push_word(reply, speed_divider_);
      return true;
    case line::sync:
      if (expect_size(4)) sync_reply(reply);
      return true;
    case line::voltage: {
      if (!expect_size(2)) return true;
      const std::uint8_t code = target_alive() ? config_.target_voltage_code : 0;
      // Newer firmware reports half the code.
      push_word(reply, static_cast<std::uint16_t>((running_version().major > 4 ? code / 2 : code) << 8));
      return true;
    }
    case line::reset_line:
      if (expect_size(2)) push_word(reply, static_cast<std::uint16_t>((target_alive() ? 0x80 : 0) | (reset_latch_ ? 0x40 : 0)));
      return true;
    case line::bkgd:
      if (expect_size(3)) bkgd_low_ = command[2] == 0;
      return true;
    case line::clear_latch:
      if (expect_size(2)) reset_latch_ = false;
      return true;
    case line::reset_with_delay:
      if (!expect_size(4)) return true;
      reset_target(false);
      if (clock_ != nullptr) clock_->advance_nanoseconds(std::uint64_t{word_at(command, 2)} * 1'000'000);
      return true;
    case line::background_reset:
      if (!expect_size(4)) return true;
      speed_divider_ = word_at(command, 2);
      reset_target(true);
      push_word(reply, speed_divider_);
      return true;
    case line::board_supply_off:
    case line::board_supply_on:
      if (!expect_size(2)) return true;
      board_supply_on_ = sub_command == line::board_supply_on;
      if (board_powers_target_) switch_target_supply(board_supply_on_);
      return true;
    case line::power_off:
      if (expect_size(2)) switch_target_supply(false);
      return true;
    case line::power_on:
      if (!expect_size(3)) return true;
      supply_selection_ = command[2];
      switch_target_supply(true);
      return true;
    default: return false;
  }
}

// The length of the target's sync answer: a count on older firmware; on newer,
// the timer's frequency, the free-running count at the pulse's start and end,
// and the end count's overflows (bit 15 the first, bits 8-14 the rest).
void Pod::sync_reply(std::vector<std::uint8_t>& reply) {
  const bool timed = running_version() >= timed_sync_firmware;
  const std::uint64_t pulse_ps = target_alive() && !bkgd_blocked_ ? target_->sync_pulse_ps() : 0;
  if (!timed) {
    push_word(reply, static_cast<std::uint16_t>(std::min<std::uint64_t>((pulse_ps + count_unit_ps / 2) / count_unit_ps, 0xFFFF)));
    return;
  }
  push_word(reply, static_cast<std::uint16_t>(config_.timer_hz >> 16));
  push_word(reply, static_cast<std::uint16_t>(config_.timer_hz));
  const std::uint64_t now_ns = clock_ != nullptr ? clock_->now_nanoseconds() : 0;
  const std::uint64_t start = now_ns * config_.timer_hz / 1'000'000'000 & 0xFFFF;
  const std::uint64_t end = start + pulse_ps * config_.timer_hz / 1'000'000'000'000;
  const std::uint64_t overflows = std::min<std::uint64_t>(end >> 16, 0x80);
  push_word(reply, static_cast<std::uint16_t>(start));
  push_word(reply, static_cast<std::uint16_t>(end));
  if (pulse_ps == 0) {
    push_word(reply, sync_error);
  } else {
    push_word(reply, static_cast<std::uint16_t>(overflows == 0 ? 0 : 0x8000 | (overflows - 1) << 8));
  }
}

}  // namespace vx::sim
