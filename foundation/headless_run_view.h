#pragma once

#include <cstdio>

#include "foundation/run_state.h"

namespace vx {

// The result panel without a display: its text goes to a stream (stderr);
// the buttons and menu items have nothing to show.
class HeadlessRunView final : public RunControlView {
 public:
  explicit HeadlessRunView(std::FILE* stream = stderr) : stream_(stream) {}

  void show_result_panel(const ShortText& text, Rgb colour) override;
  void activate_cancel_button() override {}
  void turn_cancel_into_quit() override {}
  void show_log_recording(bool) override {}

 private:
  std::FILE* stream_;
};

}  // namespace vx
