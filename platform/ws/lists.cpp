#include "platform/ws/lists.h"

#include <algorithm>

#include "platform/ws/drawing.h"
#include "platform/ws/messages.h"

namespace vx::ws {
namespace {

constexpr int text_margin = 2;
constexpr int drop_down_rows = 8;

// Up and Down as a user's choice of the neighbouring item.
int neighbour(const ItemList& list, WParam key) {
  if (key == vk::up) return std::max(0, list.item_index() - 1);
  if (key == vk::down) return std::min(list.item_count() - 1, list.item_index() + 1);
  return list.item_index();
}

// A small black triangle pointing down, in the middle of `button`.
void draw_down_arrow(Canvas& canvas, const Rect& button) {
  constexpr int half_width = 3;
  const int x = button.left + button.width() / 2;
  const int y = button.top + (button.height() - half_width) / 2;
  canvas.pen = Pen{color::button_text, 1, PenStyle::solid};
  for (int row = 0; row <= half_width; ++row) {
    canvas.move_to(x - half_width + row, y + row);
    canvas.line_to(x + half_width - row, y + row);
  }
}

// Rows of items from `first` down `area`; the selected one highlighted.
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
    canvas.text_out(area.left + text_margin, y, list.items()[static_cast<std::size_t>(index)]);
    if (selected && focused) canvas.draw_focus_rect(row);
  }
}

}  // namespace

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

ComboBox::ComboBox(Window* parent) : Window(parent) {
  click_on_release_ = false;
  set_tab_stop(true);
  set_border_style(BorderStyle::single);
  set_color(color::window);
  set_bounds(0, 0, 145, 21);
}

void ComboBox::selection_changed() {
  set_text(item_index() >= 0 ? items()[static_cast<std::size_t>(item_index())] : std::string());
}

LResult ComboBox::window_proc(Message& message) {
  if (message.id == msg::left_button_down && can_focus() && !focused()) set_focus();
  if (message.id == msg::get_dialog_code) return dialog_code::want_arrows;
  const LResult result = Window::window_proc(message);
  if (message.id == msg::key_down && item_count() > 0) {
    const int chosen = neighbour(*this, message.wparam);
    if (chosen != item_index()) {
      set_item_index(chosen);
      if (on_change) on_change(*this);
    }
  }
  return result;
}

void ComboBox::set_dropped_down(bool dropped_down) {
  if (dropped_down == dropped_down_) return;
  if (dropped_down) closed_height_ = height();
  dropped_down_ = dropped_down;
  const int rows = std::clamp(item_count(), 1, drop_down_rows);
  // Two pixels more: the line between box and list, and one below the last row.
  const int list_height = rows * font_metrics(font()).height + 2;
  set_bounds(left(), top(), width(), dropped_down ? closed_height_ + list_height : closed_height_);
}

void ComboBox::paint(Canvas& canvas) {
  const Rect client = client_rect();
  const int box_bottom = dropped_down_ ? closed_height_ - 2 * single_border_size : client.bottom;
  const Rect button{client.right - scroll_bar_size, client.top, client.right, box_bottom};
  // The chosen text shows selected while the box has the focus.
  const Rect selection{client.left + 1, client.top + 1, button.left - 1, box_bottom - 1};
  if (focused()) {
    canvas.brush.color = color::highlight;
    canvas.fill_rect(selection);
    canvas.font.color = color::highlight_text;
  }
  canvas.background_mode = BackgroundMode::transparent;
  canvas.text_rect({client.left, client.top, button.left, box_bottom}, text_margin,
                   (box_bottom - canvas.metrics().height) / 2, text());
  canvas.font = font();
  canvas.brush.color = color::button_face;
  canvas.fill_rect(button);
  draw_button_border(canvas, button);
  draw_down_arrow(canvas, button);
  if (focused()) canvas.draw_focus_rect(selection);
  if (!dropped_down_) return;
  canvas.pen = Pen{color::window_text, 1, PenStyle::solid};
  canvas.move_to(client.left, box_bottom);
  canvas.line_to(client.right, box_bottom);
  const Rect list{client.left, box_bottom + 1, client.right, client.bottom};
  paint_rows(canvas, *this, std::max(0, item_index() - drop_down_rows + 1), list, font_metrics(font()).height,
             false);
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
  const int top = std::clamp(index, 0, std::max(0, item_count() - 1));
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
  const LResult result = Window::window_proc(message);
  if (message.id == msg::key_down && item_count() > 0) choose(neighbour(*this, message.wparam));
  if (message.id == msg::set_focus || message.id == msg::kill_focus) invalidate();
  return result;
}

void ListBox::paint(Canvas& canvas) { paint_rows(canvas, *this, top_index_, client_rect(), item_height(), focused()); }

}  // namespace vx::ws
