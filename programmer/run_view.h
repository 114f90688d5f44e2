#pragma once

#include "foundation/headless_run_view.h"
#include "foundation/run_state.h"

namespace vx::programmer {

// How the end of a script shows in the programmer's windows: the status
// panel and the cancel button; headless, the panel text also goes to stderr.
class ProgrammerRunView final : public RunControlView {
 public:
  void show_result_panel(const ShortText& text, Rgb colour) override;
  void activate_cancel_button() override;
  void turn_cancel_into_quit() override;
  void show_log_recording(bool) override {}

 private:
  HeadlessRunView headless_;
};

}  // namespace vx::programmer
