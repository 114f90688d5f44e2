#include "interface/interface_speed.h"

#include <algorithm>
#include <cstdlib>

#include "foundation/kstring.h"
#include "foundation/program_trace.h"
#include "foundation/status_output.h"
#include "interface/byte_protocol.h"
#include "interface/connection_settings.h"
#include "interface/interface_kind.h"
#include "interface/interface_reset.h"
#include "interface/link_state.h"
#include "interface/serial_transport.h"

namespace vx {
namespace {

constexpr std::uint8_t interface_command = 7, speed_sub_command = 0, sync_sub_command = 1, target_type_sub_command = 3;
constexpr std::int32_t programmer_sync_timeout_ms = 2000, retry_wait_ms = 10;
constexpr std::uint32_t lowest_frequency = 1000, highest_frequency = 100'000'000;
constexpr std::uint32_t windriver_base_hz = 120'000'000, base_hz = 100'000'000;

SyncState sync;

void send_sync_value(std::uint16_t value, std::int32_t timeout_ms) {
  SEND8(interface_command);
  SEND8(sync_sub_command);
  SEND8(static_cast<std::uint8_t>(value >> 8));
  SEND_CMD(static_cast<std::uint8_t>(value), timeout_ms);
}

std::uint16_t read_reply() {
  RECV16();
  return static_cast<std::uint16_t>(link_state().reply_word);
}

// Firmware 3.30 and later: the interface's timer frequency, the pulse's start and
// end counts, and the overflows of the end count.
std::uint32_t timed_sync_frequency() {
  const std::uint32_t w1 = read_reply();
  const std::uint32_t w2 = read_reply();
  const std::uint64_t start = read_reply();
  std::uint64_t end = read_reply();
  const std::uint16_t overflow = read_reply();
  sync.cable_timer_frequency = w1 << 16 | w2;
  trace_line("Actual Read cable_frequency=" + long_to_str(static_cast<std::int32_t>(sync.cable_timer_frequency)));
  trace_line("Actual Read cable_start_timer=$" + hex_long(static_cast<std::uint32_t>(start)));
  trace_line("Actual Read cable_end_timer=$" + hex_long(static_cast<std::uint32_t>(end)));
  trace_line("Actual Read OverFlow=$" + hex_long(overflow));
  if ((overflow & 0x8000) != 0) end += 0x10000;
  if (((overflow >> 8) & 0x7F) != 0) end += std::uint64_t{(overflow >> 8) & 0x7Fu} * 0x10000;
  trace_line("Adjusted cable_end_timer=$" + hex_long(static_cast<std::uint32_t>(end)));
  if (link_state().link_status == 0 || overflow == 0xFFFF) {
    trace_line("ERROR READING SYNC!!!!! Preliminary RESULT=0");
    return 0;
  }
  const std::uint64_t ticks = end > start ? end - start : 1;
  const double result = static_cast<double>(sync.cable_timer_frequency) / static_cast<double>(ticks) * 127.5;
  const auto frequency = static_cast<std::uint32_t>(std::min(result, 4294967295.0));
  trace_line("Preliminary result = " + long_to_str(static_cast<std::int32_t>(std::min<std::uint32_t>(frequency, 0x7FFFFFFF))));
  return frequency;
}

// Older firmware: the pulse length in units of 5/8 us.
std::uint32_t counted_sync_frequency() {
  const std::uint16_t count = std::max<std::uint16_t>(read_reply(), 1);
  return static_cast<std::uint32_t>(8'000'000.0 / (count * 5.0) * 127.5);
}

}  // namespace

SyncState& sync_state() { return sync; }

void reset_sync_state() { sync = SyncState{}; }

void SET_TARGET_TYPE(std::uint8_t type) {
  trace_enter(link_prefix() + "SET_TARGET_TYPE(" + hex_byte(type) + ")");
  repeat_until_good([&] {
    SEND8(interface_command);
    SEND8(target_type_sub_command);
    SEND_CMD_SHORT(type);
  });
  trace_exit();
}

void SEND_SYNC_COMMAND(std::int32_t parameter) {
  trace_enter(link_prefix() + "SEND_SYNC_COMMAND(" + hex_word(static_cast<std::uint16_t>(parameter)) + ")");
  const std::int64_t p = std::max<std::int32_t>(parameter, 1);
  if (on_programmer()) {
    send_sync_value(static_cast<std::uint16_t>(p), programmer_sync_timeout_ms);
  } else {
    const ConnectionSettings& settings = connection_settings();
    // Clamped: a large parameter must not wrap into a short sync value.
    const std::int64_t value = settings.ncl08_mode ? std::int64_t{settings.ncl08_sync_value} * 8 / 3 : p * 8000 / 3;
    const auto timeout = static_cast<std::int32_t>(std::clamp<std::int64_t>(4 * p, 50, INT32_MAX));
    send_sync_value(static_cast<std::uint16_t>(std::min<std::int64_t>(value, 0xFFFF)), timeout);
  }
  trace_exit();
}

std::uint32_t do_sync_return_frequency(std::int32_t parameter) {
  trace_enter(link_prefix() + "do_sync_return_frequency(" + long_to_str(parameter) + ")");
  sync.sync_ok = true;
  sync.last_frequency = 0;
  if (parameter == 0) parameter = 1;
  if (interface_state().major == 0) {
    WRITELN_TO_DEBUG("Warning - Interface version not detected.");
    trace_line("Warning - Interface version not detected.");
  }
  SEND_SYNC_COMMAND(parameter);
  std::uint32_t frequency = 0;
  if (link_state().link_status != 0) {
    frequency = firmware_at_least(3, 30) ? timed_sync_frequency() : counted_sync_frequency();
  }
  if (frequency < lowest_frequency || frequency > highest_frequency) frequency = 0;
  if (frequency == 0) {
    trace_line(" ERROR READING SYNC!!!!! RESULT=0");
    sync.sync_ok = false;
  }
  sync.last_frequency = frequency;
  trace_line("Result = " + long_to_str(static_cast<std::int32_t>(frequency)));
  trace_exit();
  return frequency;
}

std::uint32_t sync_with_retry(std::int32_t parameter) {
  const std::uint32_t frequency = do_sync_return_frequency(parameter);
  if (frequency != 0) return frequency;
  delay_ms(retry_wait_ms);
  return do_sync_return_frequency(parameter);
}

std::uint16_t bdm_speed_divider(std::uint32_t frequency) {
  if (frequency == 0) return 2;
  const std::int64_t base = on_windriver_usb() ? windriver_base_hz : base_hz;
  const std::int64_t f = frequency;
  const std::int64_t c = base / f;
  const std::int64_t d = std::max<std::int64_t>(c - 1, 0);
  const std::int64_t divider = std::llabs(base / (d + 1) - f) < std::llabs(base / (c + 1) - f) ? d : c;
  return static_cast<std::uint16_t>(std::min<std::int64_t>(divider, 0xFFFF));
}

bool SET_SPEED_NO_RESET() {
  const std::uint16_t divider = connection_settings().io_delay_cnt;
  trace_enter(link_prefix() + "SET_SPEED_NO_RESET (IO_DELAY_CNT=$" + hex_word(divider) + ")");
  if (interface_state().major <= 2) {
    trace_line("Cable version does not support this function - exiting!");
    trace_exit();
    return false;
  }
  repeat_until_good([&] {
    SEND8(interface_command);
    SEND8(speed_sub_command);
    SEND8(static_cast<std::uint8_t>(divider >> 8));
    SEND_CMD_LONG(static_cast<std::uint8_t>(divider));
    RECV16();
  });
  const bool good = link_state().link_status != 0;
  trace_line(good ? "RESULT = TRUE" : "RESULT = FALSE");
  trace_exit();
  return good;
}

void sync_and_set_speed(std::int32_t parameter) {
  const std::uint32_t frequency = sync_with_retry(parameter);
  if (frequency == 0) return;
  connection_settings().io_delay_cnt = bdm_speed_divider(frequency);
  SET_SPEED_NO_RESET();
}

}  // namespace vx
