#include "foundation/microsecond_timer.h"
#include "foundation/program_trace.h"
#include "foundation/run_control.h"
#include "foundation/status_output.h"
#include "interface/link_state.h"
#include "interface/serial_transport.h"
#include "interface/target_operations.h"

// Waiting for a routine on the target to stop, while the user can cancel.
namespace vx {
namespace {

constexpr std::int64_t unattended_limit_us = 60'000'000;
constexpr std::uint8_t escape_key = 27;

// True when the wait ended by an abort. A routine that never stops would hang an
// unattended run; after the limit the wait ends as the Cancel button ends it.
bool wait_for_freeze_or_abort() {
  const std::int64_t start = elapsed_microseconds();
  while (!TEST_FOR_FREEZE()) {
    if (elapsed_microseconds() - start > unattended_limit_us) {
      run_state().abort_flag = true;
      run_state().last_key = escape_key;
    }
    if (check_abort()) {
      trace_line("Keypress Detected.");
      return true;
    }
  }
  return false;
}

}  // namespace

void WAIT_FOR_FREEZE_OR_KEY() {
  trace_enter(link_prefix() + "WAIT_FOR_FREEZE_OR_KEY");
  wait_for_freeze_or_abort();
  trace_exit();
}

void WAIT_FOR_FREEZE_OR_KEY_DELAY(std::int32_t milliseconds) {
  trace_enter(link_prefix() + "WAIT_FOR_FREEZE_OR_KEY_DELAY");
  if (wait_for_freeze_or_abort()) {
    WRITE_TO_DEBUG(" Canceling ... ");
    trace_line("CANCELLED");
    // The routine may still finish what it was doing.
    const std::int32_t more_polls = milliseconds / 2;
    for (std::int32_t poll = 0; poll < more_polls; ++poll) {
      if (TEST_FOR_FREEZE()) break;
      delay_ms(1);
    }
  }
  trace_exit();
}

}  // namespace vx
