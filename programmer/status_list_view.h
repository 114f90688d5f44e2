#pragma once

#include "controls/virtual_list_box.h"
#include "foundation/status_view.h"

namespace vx::programmer {

// The status output drives the status window's list box through this; the
// box fetches the rows it paints. Finished lines are also handed to `echo`,
// so a run on a desktop leaves its lines on the terminal or in a CI log.
class ListBoxStatusView final : public StatusListView {
 public:
  ListBoxStatusView(controls::TOvcVirtualListBox& box, StatusListView& echo) : box_(box), echo_(echo) {}

  void begin_update() override { box_.BeginUpdate(); }
  void end_update() override { box_.EndUpdate(); }
  void repaint_now() override { box_.update(); }
  std::int32_t item_count() const override { return box_.NumItems(); }
  void set_num_items(std::int32_t count) override { box_.SetNumItems(count); }
  std::int32_t top_index() const override { return box_.TopIndex(); }
  void set_top_index(std::int32_t index) override { box_.SetTopIndex(index); }
  void redraw_item(std::int32_t index) override { box_.RedrawItem(index); }
  std::int32_t item_index() const override { return box_.ItemIndex(); }
  void set_item_index(std::int32_t index) override { box_.SetItemIndex(index); }
  std::int32_t row_height() const override { return box_.RowHeight(); }
  std::int32_t client_height() const override { return box_.ClientHeight(); }
  void line_finished(const std::string& text) override { echo_.line_finished(text); }

 private:
  controls::TOvcVirtualListBox& box_;
  StatusListView& echo_;
};

}  // namespace vx::programmer
