#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "foundation/run_state.h"
#include "foundation/status_output.h"
#include "foundation/status_view.h"

namespace vx::test {

// A list box that remembers what it was told.
class RecordingListView final : public StatusListView {
 public:
  void begin_update() override { ++update_depth; }
  void end_update() override { --update_depth; }
  void repaint_now() override {}
  std::int32_t item_count() const override { return count; }
  void set_num_items(std::int32_t n) override {
    if (throw_on_set_num_items) throw std::runtime_error("list box gone");
    count = n;
  }
  std::int32_t top_index() const override { return top; }
  void set_top_index(std::int32_t index) override { top = index; }
  void redraw_item(std::int32_t index) override { redrawn.push_back(index); }
  std::int32_t item_index() const override { return selected; }
  void set_item_index(std::int32_t index) override { selected = index; }
  std::int32_t row_height() const override { return 16; }
  std::int32_t client_height() const override { return 160; }
  void line_finished(const std::string& text) override { finished.push_back(text); }

  int update_depth = 0;
  std::int32_t count = 0;
  std::int32_t top = 0;
  std::int32_t selected = -1;
  bool throw_on_set_num_items = false;
  std::vector<std::int32_t> redrawn;
  std::vector<std::string> finished;
};

// Status output into a RecordingListView for the life of a test.
class ScopedStatusOutput {
 public:
  ScopedStatusOutput() {
    reset_status_output();
    reset_run_state();
    run_state().gui_status = std::make_unique<Tgui_status>();
    status_output().view = &view;
  }
  ~ScopedStatusOutput() {
    reset_status_output();
    reset_run_state();
  }
  ScopedStatusOutput(const ScopedStatusOutput&) = delete;
  ScopedStatusOutput& operator=(const ScopedStatusOutput&) = delete;

  std::vector<std::string> lines() const {
    return {status_output().lines.begin(), status_output().lines.end()};
  }

  RecordingListView view;
};

}  // namespace vx::test
