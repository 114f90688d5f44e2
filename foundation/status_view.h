#pragma once

#include <cstdint>
#include <string>

namespace vx {

// The status window's output list as the status output drives it. The list
// box implements it in a window; headless runs print finished lines instead.
// Rows fetch their texts from status_output().lines.
class StatusListView {
 public:
  virtual ~StatusListView() = default;

  virtual void begin_update() = 0;
  virtual void end_update() = 0;
  virtual void repaint_now() = 0;

  virtual std::int32_t item_count() const = 0;
  virtual void set_num_items(std::int32_t count) = 0;
  virtual std::int32_t top_index() const = 0;
  virtual void set_top_index(std::int32_t index) = 0;
  virtual void redraw_item(std::int32_t index) = 0;
  virtual std::int32_t item_index() const = 0;
  virtual void set_item_index(std::int32_t index) = 0;
  virtual std::int32_t row_height() const = 0;
  virtual std::int32_t client_height() const = 0;

  // The last line is complete and will not change again.
  virtual void line_finished(const std::string& text) = 0;
};

}  // namespace vx
