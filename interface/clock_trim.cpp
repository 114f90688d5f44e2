#include "interface/clock_trim.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "foundation/run_control.h"
#include "foundation/status_output.h"
#include "interface/byte_protocol.h"
#include "interface/engine_settings.h"
#include "interface/interface_kind.h"
#include "interface/interface_reset.h"
#include "interface/interface_speed.h"
#include "interface/link_state.h"
#include "interface/target_operations.h"

namespace vx {
namespace {

constexpr std::uint8_t interface_command = 7, trim_8bit_command = 23, trim_search_command = 25;
constexpr std::int32_t search_timeout_ms = 2500, invalid_parameter_result = 43;
constexpr std::uint8_t measured_trim = 0x80, bracket_step = 8, control_pulse_bit = 0x20;
constexpr long double windriver_timer_hz = 30'000'000.0L, timer_hz = 25'000'000.0L;
constexpr std::uint32_t largest_k = 0xFFFF, largest_t = 0xFFFFFF;

// The timing constants the interface measures with: K paces its own loop, T is the sync pulse
// length in ticks of its timer at the reference.
struct TrimTiming {
  std::uint16_t k = 0;
  std::uint32_t t = 0;
};

std::uint8_t hi(std::uint32_t value) { return static_cast<std::uint8_t>(value >> 8); }
std::uint8_t lo(std::uint32_t value) { return static_cast<std::uint8_t>(value); }

// Rounds to the nearest integer, ties to even.
long double nearest(long double value) { return std::nearbyint(value); }

double frequency() { return static_cast<double>(sync_state().last_frequency); }

void sync(std::int32_t parameter) { sync_and_set_speed(parameter); }

// Nothing can be measured against a reference below 1 Hz or through settings that divide by 0.
bool settings_usable() {
  const TrimSettings& trim = engine_settings().trim;
  return trim.trim_scale != 0 && trim.prescale_divisor != 0;
}

bool interface_measures() { return sync_state().cable_timer_frequency != 0 && firmware_at_least(4, 8); }

// Constants that do not fit their bytes would measure something else: nullopt.
std::optional<TrimTiming> trim_timing(std::int32_t reference, bool round_t) {
  const long double per_reference = 127.5L / reference;
  const long double k = nearest(per_reference * 2 * (on_windriver_usb() ? windriver_timer_hz : timer_hz) / 9);
  const long double ticks = per_reference * sync_state().cable_timer_frequency;
  const long double t = round_t ? nearest(ticks) : std::trunc(ticks);
  if (k < 1 || k > largest_k || t < 1 || t > largest_t) return std::nullopt;
  return TrimTiming{static_cast<std::uint16_t>(k), static_cast<std::uint32_t>(t)};
}

// The interface's answer: trim value in the high byte, status in the low; nullopt when the link failed.
std::optional<std::uint16_t> run_search(std::uint8_t command, std::uint16_t trim_address, const TrimTiming& timing,
                                        std::initializer_list<std::uint16_t> bounds) {
  SEND8(interface_command);
  SEND8(command);
  SEND8(hi(timing.k));
  SEND8(lo(timing.k));
  SEND8(hi(trim_address));
  SEND8(lo(trim_address));
  SEND8(static_cast<std::uint8_t>(timing.t >> 16));
  SEND8(hi(timing.t));
  if (bounds.size() == 0) {
    SEND_CMD(lo(timing.t), search_timeout_ms);
  } else {
    SEND8(lo(timing.t));
    const std::uint16_t* last = bounds.end() - 1;
    for (const std::uint16_t* bound = bounds.begin(); bound != last; ++bound) {
      SEND8(hi(*bound));
      SEND8(lo(*bound));
    }
    SEND8(hi(*last));
    SEND_CMD(lo(*last), search_timeout_ms);
  }
  RECV16();
  if (link_state().link_status == 0) return std::nullopt;
  return static_cast<std::uint16_t>(link_state().reply_word);
}

void update_control(std::uint16_t address, std::uint8_t set, std::uint8_t clear) {
  const std::uint8_t value = READ_DATA_BYTE(address);
  WRITE_DATA_BYTE(address, static_cast<std::uint8_t>((value | set) & ~clear));
}

}  // namespace

void adjust_trim_reference(std::int32_t& reference) {
  TrimSettings& trim = engine_settings().trim;
  trim.default_reference =
      trim.range_prescaled ? trim.trim_scale * reference / trim.prescale_divisor : reference / trim.trim_scale;
  if (trim.custom_override && trim.reference_min > 0 && trim.reference_max > 0) {
    if (trim.custom_reference < trim.reference_min || trim.custom_reference > trim.reference_max) {
      WRITELN_TO_DEBUG("Error - Invalid command line parameter for CUSTOMTRIMREF");
      internal_prog_halt(invalid_parameter_result);
    }
  }
  if (trim.custom_override) {
    const long double adjusted = trim.range_prescaled
                                     ? nearest(trim.custom_reference * trim.prescale_divisor / trim.trim_scale)
                                     : nearest(trim.custom_reference * trim.trim_scale);
    // A reference no integer holds cannot be measured; 0 makes the measurement refuse it.
    reference = adjusted >= 1 && adjusted <= INT32_MAX ? static_cast<std::int32_t>(adjusted) : 0;
  }
}

bool interface_trim_measure(std::uint16_t trim_address, std::int32_t reference, std::uint8_t& trim) {
  if (!settings_usable()) return false;
  adjust_trim_reference(reference);
  if (!interface_measures() || reference < 1) return false;
  const std::optional<TrimTiming> timing = trim_timing(reference, false);
  if (!timing) return false;
  const std::optional<std::uint16_t> answer = run_search(trim_8bit_command, trim_address, *timing, {});
  bool ok = false;
  if (answer) {
    trim = hi(*answer);
    ok = lo(*answer) == 0;
    sync(sync_state().sync_parameter / 3);
    WRITE_DATA_BYTE(trim_address, trim);
  }
  sync(sync_state().sync_parameter / 3);
  return ok;
}

bool measure_trim_9bit(std::uint16_t trim_address, std::uint16_t control_address, std::uint8_t fine_mask,
                       std::int32_t reference, std::uint16_t& result) {
  if (!settings_usable()) return false;
  adjust_trim_reference(reference);
  if (!interface_measures() || reference < 1) return false;
  const std::optional<TrimTiming> timing = trim_timing(reference, true);
  if (!timing) return false;
  const double r = reference;

  update_control(control_address, 0, fine_mask);
  sync(1);
  WRITE_DATA_BYTE(trim_address, measured_trim);
  sync(1);
  const double at_measured_trim = frequency();
  update_control(control_address, control_pulse_bit, 0);
  sync(1);
  update_control(control_address, 0, control_pulse_bit);
  sync(1);

  // Bracket the reference: lower trim values run faster, higher ones slower.
  std::int32_t low = measured_trim, step = bracket_step;
  while (low >= bracket_step && frequency() / r < 1.02) {
    low -= step;
    WRITE_DATA_BYTE(trim_address, static_cast<std::uint8_t>(low));
    sync(1);
    if (frequency() / r > 1.0 && step > 1) step /= 2;
  }
  std::int32_t high = measured_trim - 1;
  step = bracket_step;
  double f = at_measured_trim;
  while (high <= 0xF7 && f / r > 0.98) {
    high += step;
    WRITE_DATA_BYTE(trim_address, static_cast<std::uint8_t>(high));
    sync(1);
    f = frequency();
    if (f / r < 1.0 && step > 1) step /= 2;
  }

  const auto bounds = {static_cast<std::uint16_t>(low), static_cast<std::uint16_t>(high)};
  const std::optional<std::uint16_t> first = run_search(trim_search_command, trim_address, *timing, bounds);
  if (!first) {
    result = 0;
    return false;
  }
  const std::uint8_t t1 = hi(*first);
  sync(sync_state().sync_parameter / 3);
  WRITE_DATA_BYTE(trim_address, t1);
  sync(sync_state().sync_parameter / 3);
  const double f1 = frequency();

  update_control(control_address, fine_mask, 0);
  sync(sync_state().sync_parameter / 3);
  const std::optional<std::uint16_t> second = run_search(trim_search_command, trim_address, *timing, bounds);
  if (!second) {
    result = 0;
    return false;
  }
  const std::uint8_t t2 = hi(*second);
  sync(sync_state().sync_parameter / 3);
  WRITE_DATA_BYTE(trim_address, t2);
  sync(sync_state().sync_parameter / 3);
  const double f2 = frequency();

  result =
      std::abs(r - f2) < std::abs(r - f1) ? static_cast<std::uint16_t>(t2 * 2 + 1) : static_cast<std::uint16_t>(t1 * 2);
  return 0.98 * r < f2 && f2 < 1.02 * r;
}

}  // namespace vx
