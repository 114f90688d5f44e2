#pragma once

#include <cstdint>
#include <functional>
#include <memory>
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

class DropDownList;

// A combo box whose text is the selected item's. A click or F4 (Alt+Down)
// drops its list down below it, over the rest of the form; a click on a row
// there, or Enter, takes that choice and closes the list, Esc closes it.
// Up and Down choose the neighbouring item, open or closed.
class ComboBox : public Window, public ItemList {
 public:
  explicit ComboBox(Window* parent);
  ~ComboBox() override;
  // A user's change of the selection.
  std::function<void(ComboBox&)> on_change;
  bool dropped_down() const;
  void set_dropped_down(bool dropped_down);
  // The list while it is dropped down; nullptr otherwise.
  Window* drop_down_list() const;

  LResult window_proc(Message& message) override;

 protected:
  void paint(Canvas& canvas) override;
  void selection_changed() override;
  void items_changed() override { invalidate(); }
  void visibility_changed() override;

 private:
  friend class DropDownList;
  // A user's choice: selects and fires on_change when it is a change.
  void choose(int index);
  bool drop_down_key(std::uint16_t key);

  std::unique_ptr<DropDownList> list_;
};

// A list box of text rows. A user's change of the selection fires on_click;
// the wheel scrolls it without changing the selection.
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
  // The item Up, Down, PgUp, PgDn, Home or End moves to.
  int key_target(WParam key) const;
  // The vertical bar shows while there are more rows than fit, as the system's list boxes do.
  void update_scroll_bar();
  void scroll(int code, int thumb);

  int top_index_ = 0;
};

}  // namespace vx::ws
