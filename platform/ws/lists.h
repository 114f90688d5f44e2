#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ws/window.h"

namespace vx::ws {

// An item list with one selected item (-1: none).
class ItemList {
 public:
  const std::vector<std::string>& items() const { return items_; }
  int item_count() const { return static_cast<int>(items_.size()); }
  // The new item's index.
  int add_item(std::string_view item);
  void set_items(const std::vector<std::string>& items);
  void clear_items() { set_items({}); }
  int item_index() const { return item_index_; }
  // An index outside the items selects none.
  void set_item_index(int index);

 protected:
  virtual ~ItemList() = default;
  virtual void selection_changed() {}
  virtual void items_changed() {}

 private:
  std::vector<std::string> items_;
  int item_index_ = -1;
};

// A combo box whose text is the selected item's; Up and Down choose the
// neighbouring item. Its list drops down only when told to.
class ComboBox : public Window, public ItemList {
 public:
  explicit ComboBox(Window* parent);
  // A user's change of the selection.
  std::function<void(ComboBox&)> on_change;
  // Dropped down, the box grows below itself by up to eight rows of items.
  bool dropped_down() const { return dropped_down_; }
  void set_dropped_down(bool dropped_down);

  LResult window_proc(Message& message) override;

 protected:
  void paint(Canvas& canvas) override;
  void selection_changed() override;
  void items_changed() override { invalidate(); }

 private:
  bool dropped_down_ = false;
  int closed_height_ = 0;
};

// A list box of text rows. A user's change of the selection fires on_click.
class ListBox : public Window, public ItemList {
 public:
  explicit ListBox(Window* parent);
  int top_index() const { return top_index_; }
  void set_top_index(int index);
  int item_height() const;
  int rows_per_page() const;

  LResult window_proc(Message& message) override;

 protected:
  void paint(Canvas& canvas) override;
  void selection_changed() override;
  void items_changed() override;
  void bounds_changed(const Rect& old_bounds) override;

 private:
  void choose(int index);
  // The vertical bar shows while there are more rows than fit, as the system's list boxes do.
  void update_scroll_bar();
  void scroll(int code, int thumb);

  int top_index_ = 0;
};

}  // namespace vx::ws
