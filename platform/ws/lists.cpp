#include "platform/ws/lists.h"

#include <algorithm>
#include <cstdint>

#include "platform/ws/item_rows.h"
#include "platform/ws/messages.h"

namespace vx::ws {
namespace {

// A wheel notch is 120; each scrolls three rows, as the system's lists do.
constexpr int wheel_notch = 120;
constexpr int rows_per_notch = 3;

}  // namespace

namespace detail {

int neighbour(const ItemList& list, WParam key) {
  if (key == vk::up) return std::max(0, list.item_index() - 1);
  if (key == vk::down) return std::min(list.item_count() - 1, list.item_index() + 1);
  return list.item_index();
}

void paint_rows(Canvas& canvas, const ItemList& list, int first, const Rect& area, int row_height, bool focused) {
  canvas.background_mode = BackgroundMode::transparent;
  const Font normal = canvas.font;
  for (int index = first, y = area.top; index < list.item_count() && y < area.bottom; ++index, y += row_height) {
    const Rect row{area.left, y, area.right, y + row_height};
    const bool selected = index == list.item_index();
    if (selected) {
      canvas.brush.color = color::highlight;
      canvas.fill_rect(row);
    }
    canvas.font = normal;
    if (selected) canvas.font.color = color::highlight_text;
    canvas.text_out(area.left + item_text_margin, y, list.items()[static_cast<std::size_t>(index)]);
    if (selected && focused) canvas.draw_focus_rect(row);
  }
  if (focused && list.item_index() < 0) {
    canvas.draw_focus_rect({area.left, area.top, area.right, area.top + row_height});
  }
}

}  // namespace detail

int ItemList::add_item(std::string_view item) {
  items_.emplace_back(item);
  items_changed();
  return item_count() - 1;
}

void ItemList::set_items(const std::vector<std::string>& items) {
  items_ = items;
  item_index_ = -1;
  items_changed();
  selection_changed();
}

void ItemList::set_item_index(int index) {
  if (index < 0 || index >= item_count()) index = -1;
  if (index == item_index_) return;
  item_index_ = index;
  selection_changed();
}

ListBox::ListBox(Window* parent) : Window(parent) {
  click_on_release_ = false;
  set_tab_stop(true);
  set_border_style(BorderStyle::single);
  set_color(color::window);
  set_bounds(0, 0, 121, 97);
}

int ListBox::item_height() const { return font_metrics(font()).height; }

int ListBox::rows_per_page() const { return std::max(1, client_rect().height() / item_height()); }

void ListBox::set_top_index(int index) {
  const int top = std::clamp(index, 0, std::max(0, item_count() - rows_per_page()));
  if (top == top_index_) return;
  top_index_ = top;
  update_scroll_bar();
  invalidate();
}

void ListBox::items_changed() {
  top_index_ = std::min(top_index_, std::max(0, item_count() - 1));
  update_scroll_bar();
  invalidate();
}

void ListBox::bounds_changed(const Rect& /*old_bounds*/) { update_scroll_bar(); }

void ListBox::update_scroll_bar() {
  const int rows = rows_per_page();
  const bool needed = item_count() > rows;
  const ScrollInfo bar{0, needed ? item_count() - 1 : 0, rows, top_index_};
  if (scroll_info(ScrollBarKind::vertical) != bar) set_scroll_info(ScrollBarKind::vertical, bar);
  if (scroll_bar_visible(ScrollBarKind::vertical) != needed) show_scroll_bar(ScrollBarKind::vertical, needed);
}

void ListBox::scroll(int code, int thumb) {
  const int last_top = std::max(0, item_count() - rows_per_page());
  int top = top_index_;
  switch (code) {
    case scroll_code::line_up: --top; break;
    case scroll_code::line_down: ++top; break;
    case scroll_code::page_up: top -= rows_per_page(); break;
    case scroll_code::page_down: top += rows_per_page(); break;
    case scroll_code::thumb_position:
    case scroll_code::thumb_track: top = thumb; break;
    case scroll_code::top: top = 0; break;
    case scroll_code::bottom: top = last_top; break;
    default: return;
  }
  set_top_index(std::clamp(top, 0, last_top));
}

void ListBox::selection_changed() {
  const int index = item_index();
  if (index >= 0 && index < top_index_) set_top_index(index);
  if (index >= top_index_ + rows_per_page()) set_top_index(index - rows_per_page() + 1);
  invalidate();
}

void ListBox::choose(int index) {
  if (index == item_index() || index < 0 || index >= item_count()) return;
  set_item_index(index);
  click();
}

LResult ListBox::window_proc(Message& message) {
  if (message.id == msg::left_button_down && can_focus() && !focused()) set_focus();
  if (message.id == msg::get_dialog_code) return dialog_code::want_arrows;
  if (message.id == msg::vscroll) {
    scroll(low_word(message.wparam), high_word(message.wparam));
    return 0;
  }
  if (message.id == msg::left_button_down) {
    choose(top_index_ + point_from_lparam(message.lparam).y / item_height());
  }
  if (message.id == msg::mouse_wheel) {
    const auto delta = static_cast<std::int16_t>(high_word(message.wparam));
    set_top_index(top_index_ - delta / wheel_notch * rows_per_notch);
    return 0;
  }
  const LResult result = Window::window_proc(message);
  if (message.id == msg::key_down && item_count() > 0) choose(key_target(message.wparam));
  if (message.id == msg::set_focus || message.id == msg::kill_focus) invalidate();
  return result;
}

int ListBox::key_target(WParam key) const {
  const int last = item_count() - 1;
  const int page = std::max(1, rows_per_page() - 1);
  // Without a selection the pages count from the first item.
  const int from = std::max(0, item_index());
  switch (key) {
    case vk::page_up: return std::max(0, from - page);
    case vk::page_down: return std::min(last, from + page);
    case vk::home: return 0;
    case vk::end: return last;
    default: return detail::neighbour(*this, key);
  }
}

void ListBox::paint(Canvas& canvas) {
  detail::paint_rows(canvas, *this, top_index_, client_rect(), item_height(), focused());
}

}  // namespace vx::ws
