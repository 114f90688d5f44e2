#include "platform/ws/lists.h"

#include <algorithm>

#include "platform/ws/drawing.h"
#include "platform/ws/messages.h"

namespace vx::ws {
namespace {

constexpr int text_margin = 2;

// Up and Down as a user's choice of the neighbouring item.
int neighbour(const ItemList& list, WParam key) {
  if (key == vk::up) return std::max(0, list.item_index() - 1);
  if (key == vk::down) return std::min(list.item_count() - 1, list.item_index() + 1);
  return list.item_index();
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

void ComboBox::paint(Canvas& canvas) {
  const Rect client = client_rect();
  canvas.background_mode = BackgroundMode::transparent;
  canvas.text_out(text_margin, text_margin, text());
  const Rect button{client.right - scroll_bar_size, client.top, client.right, client.bottom};
  canvas.brush.color = color::button_face;
  canvas.fill_rect(button);
  draw_edge(canvas, button, true);
  if (focused()) canvas.draw_focus_rect({client.left + 1, client.top + 1, button.left - 1, client.bottom - 1});
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
  invalidate();
}

void ListBox::items_changed() {
  top_index_ = std::min(top_index_, std::max(0, item_count() - 1));
  invalidate();
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
  if (message.id == msg::left_button_down) {
    choose(top_index_ + point_from_lparam(message.lparam).y / item_height());
  }
  const LResult result = Window::window_proc(message);
  if (message.id == msg::key_down && item_count() > 0) choose(neighbour(*this, message.wparam));
  if (message.id == msg::set_focus || message.id == msg::kill_focus) invalidate();
  return result;
}

void ListBox::paint(Canvas& canvas) {
  const Rect client = client_rect();
  const int row_height = item_height();
  canvas.background_mode = BackgroundMode::transparent;
  const Font normal = canvas.font;
  for (int index = top_index_, y = 0; index < item_count() && y < client.bottom; ++index, y += row_height) {
    const Rect row{client.left, y, client.right, y + row_height};
    const bool selected = index == item_index();
    if (selected) {
      canvas.brush.color = color::highlight;
      canvas.fill_rect(row);
    }
    canvas.font = normal;
    if (selected) canvas.font.color = color::highlight_text;
    canvas.text_out(text_margin, y, items()[static_cast<std::size_t>(index)]);
    if (selected && focused()) canvas.draw_focus_rect(row);
  }
}

}  // namespace vx::ws
