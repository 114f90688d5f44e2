#pragma once

#include <memory>

#include "controls/virtual_list_box.h"
#include "foundation/status_view.h"

namespace vx::programmer {

// The status output drives the status window's list box through this; the
// box fetches the rows it paints. Finished lines are also handed to `echo`,
// so a run on a desktop leaves its lines on the terminal or in a CI log.
//
// The box paints at most once per pass of the message loop (or before a dialog
// of the display asks the user): its updates stay suspended from the first line
// after a pass to the next pass, which paints what the lines in between left,
// so a run of many lines moves the rows already drawn and paints each new row once.
class ListBoxStatusView final : public StatusListView {
 public:
  ListBoxStatusView(controls::TOvcVirtualListBox& box, StatusListView& echo);
  ~ListBoxStatusView() override;

  void begin_update() override;
  void end_update() override {}
  void repaint_now() override {}
  std::int32_t item_count() const override { return box_.NumItems(); }
  void set_num_items(std::int32_t count) override;
  std::int32_t top_index() const override { return box_.TopIndex(); }
  void set_top_index(std::int32_t index) override;
  void redraw_item(std::int32_t index) override;
  std::int32_t item_index() const override { return box_.ItemIndex(); }
  void set_item_index(std::int32_t index) override;
  std::int32_t row_height() const override { return box_.RowHeight(); }
  std::int32_t client_height() const override { return box_.ClientHeight(); }
  void line_finished(const std::string& text) override { echo_.line_finished(text); }

 private:
  // Suspends the box's painting until the message loop's next pass.
  void hold();
  void release();

  controls::TOvcVirtualListBox& box_;
  StatusListView& echo_;
  bool held_ = false;
  // The next pass's work outlives a view destroyed before it.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vx::programmer
