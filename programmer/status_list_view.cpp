#include "programmer/status_list_view.h"

#include "platform/ws/application.h"

namespace vx::programmer {

ListBoxStatusView::ListBoxStatusView(controls::TOvcVirtualListBox& box, StatusListView& echo)
    : box_(box), echo_(echo) {}

ListBoxStatusView::~ListBoxStatusView() {
  *alive_ = false;
  release();
}

void ListBoxStatusView::hold() {
  if (held_) return;
  box_.BeginUpdate();
  held_ = true;
  ws::at_next_pass([this, alive = alive_] {
    if (*alive) release();
  });
}

void ListBoxStatusView::release() {
  if (!held_) return;
  held_ = false;
  box_.EndUpdate();
}

void ListBoxStatusView::begin_update() { hold(); }

void ListBoxStatusView::set_num_items(std::int32_t count) {
  hold();
  box_.SetNumItems(count);
}

void ListBoxStatusView::set_top_index(std::int32_t index) {
  hold();
  box_.SetTopIndex(index);
}

void ListBoxStatusView::redraw_item(std::int32_t index) {
  hold();
  box_.RedrawItem(index);
}

void ListBoxStatusView::set_item_index(std::int32_t index) {
  hold();
  box_.SetItemIndex(index);
}

}  // namespace vx::programmer
