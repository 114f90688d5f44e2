#include <algorithm>
#include <array>

#include "sim/pod/pod.h"

// Interface-measured trim: the interface writes trim values into the target's
// trim register, times the target's sync pulse on its own timer and answers
// the value whose pulse comes nearest the host's tick count T, with a status
// byte of 0 when that pulse lies within 2 % of T. The host's timing constant
// K paces the real interface's own loop; the simulated timer does not need it.
namespace vx::sim {
namespace {

constexpr std::uint8_t trim_search = 25;
constexpr std::size_t trim_8bit_size = 9, trim_search_size = 13;
// Each step lets the clock settle before the pulse is timed.
constexpr std::uint64_t settle_ns = 50'000;
constexpr std::uint8_t status_ok = 0, status_out_of_tolerance = 1;

std::uint16_t word_at(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

}  // namespace

void Pod::trim_measure(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& reply) {
  const bool search = command[1] == trim_search;
  if (command.size() != (search ? trim_search_size : trim_8bit_size)) {
    return log_violation(command, "wrong length for sub-command " + std::to_string(command[1]));
  }
  const std::uint16_t trim_address = word_at(command, 4);
  const std::uint32_t wanted_ticks = static_cast<std::uint32_t>(command[6]) << 16 | word_at(command, 7);
  std::uint16_t first = 0, last = 0xFF;
  if (search) {
    const std::uint16_t low = word_at(command, 9), high = word_at(command, 11);
    first = std::min<std::uint16_t>(std::min(low, high), 0xFF);
    last = std::min<std::uint16_t>(std::max(low, high), 0xFF);
  }
  if (wanted_ticks == 0) return log_violation(command, "trim search for a pulse of 0 ticks");

  std::optional<std::uint8_t> best;
  std::uint64_t best_distance = UINT64_MAX;
  for (std::uint16_t trim = first; trim <= last; ++trim) {
    const std::uint64_t ticks = sync_pulse_ticks_at(trim_address, static_cast<std::uint8_t>(trim));
    if (ticks == 0) return junk_words(1, reply);
    const std::uint64_t distance = ticks > wanted_ticks ? ticks - wanted_ticks : wanted_ticks - ticks;
    if (distance < best_distance) {
      best_distance = distance;
      best = static_cast<std::uint8_t>(trim);
    }
  }
  sync_pulse_ticks_at(trim_address, *best);
  reply.push_back(*best);
  reply.push_back(best_distance * 50 <= wanted_ticks ? status_ok : status_out_of_tolerance);
}

// The sync pulse in timer ticks with the trim register at `trim`; 0 when the target does not answer.
std::uint64_t Pod::sync_pulse_ticks_at(std::uint16_t trim_address, std::uint8_t trim) {
  const std::array<std::uint8_t, 4> write = {bdc::kWriteByte, static_cast<std::uint8_t>(trim_address >> 8),
                                             static_cast<std::uint8_t>(trim_address), trim};
  if (!target_bdc(write)) return 0;
  const std::uint64_t pulse_ps = target_->sync_pulse_ps();
  if (clock_ != nullptr) clock_->advance_nanoseconds(settle_ns + pulse_ps / 1000);
  return pulse_ps * config_.timer_hz / 1'000'000'000'000;
}

}  // namespace vx::sim
