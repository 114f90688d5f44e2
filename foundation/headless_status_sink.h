#pragma once

#include <cstdio>

#include "foundation/status_view.h"

namespace vx {

// The status window's output list when there is no display: every finished
// line goes to a stream (stdout), without its colour markers.
class HeadlessStatusSink final : public StatusListView {
 public:
  explicit HeadlessStatusSink(std::FILE* stream = stdout) : stream_(stream) {}

  void begin_update() override {}
  void end_update() override {}
  void repaint_now() override {}
  std::int32_t item_count() const override { return count_; }
  void set_num_items(std::int32_t count) override { count_ = count; }
  std::int32_t top_index() const override { return top_; }
  void set_top_index(std::int32_t index) override { top_ = index; }
  void redraw_item(std::int32_t) override {}
  std::int32_t item_index() const override { return -1; }
  void set_item_index(std::int32_t) override {}
  std::int32_t row_height() const override { return 1; }
  std::int32_t client_height() const override { return 1; }
  void line_finished(const std::string& text) override;

 private:
  std::FILE* stream_;
  std::int32_t count_ = 0;
  std::int32_t top_ = 0;
};

}  // namespace vx
