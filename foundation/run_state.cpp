#include "foundation/run_state.h"

namespace vx {
namespace {

RunState state;

}  // namespace

RunState& run_state() { return state; }

void reset_run_state() { state = RunState{}; }

void Tgui_status::set_log_recording(bool on) {
  if (on == log_recording_) return;
  log_recording_ = on;
  if (state.view != nullptr) state.view->show_log_recording(on);
}

}  // namespace vx
