#include <algorithm>

#include "platform/ws/drawing.h"
#include "platform/ws/item_rows.h"
#include "platform/ws/keyboard.h"
#include "platform/ws/lists.h"
#include "platform/ws/messages.h"

namespace vx::ws {
namespace {

constexpr int drop_down_rows = 8;
constexpr std::uint16_t f4_key = vk::f1 + 3;

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

}  // namespace

// The dropped list: a child of the combo box's top-level window, put last
// among its children so it lies over every other control of the form.
class DropDownList : public Window {
 public:
  explicit DropDownList(ComboBox& box) : Window(&box.top_level()), box_(box) {
    set_border_style(BorderStyle::single);
    set_color(color::window);
    set_font(box.font());
    const int rows = std::clamp(box.item_count(), 1, drop_down_rows);
    // Two pixels more: the border's inner line above and below.
    const int height = rows * row_height() + 2 * single_border_size;
    const Window& form = top_level();
    const Point below = form.screen_to_client(box.parent()->client_to_screen({box.left(), box.top() + box.height()}));
    const Point above = form.screen_to_client(box.parent()->client_to_screen({box.left(), box.top()}));
    // Above the box when the form has no room for it below.
    const bool fits_below = below.y + height <= form.client_rect().bottom || above.y - height < 0;
    set_bounds(below.x, fits_below ? below.y : above.y - height, box.width(), height);
    first_ = std::clamp(box.item_index() - rows + 1, 0, std::max(0, box.item_count() - rows));
  }

  int row_height() const { return font_metrics(font()).height; }
  int rows() const { return std::max(1, client_rect().height() / row_height()); }

  // Keeps the selected row on the list's page.
  void show_selection() {
    const int index = box_.item_index();
    if (index >= 0 && index < first_) first_ = index;
    if (index >= first_ + rows()) first_ = index - rows() + 1;
    invalidate();
  }

  LResult window_proc(Message& message) override {
    if (message.id == msg::left_button_down) {
      const int row = point_from_lparam(message.lparam).y / row_height();
      box_.choose(first_ + row);
      box_.set_dropped_down(false);
      return 0;
    }
    if (message.id == msg::mouse_activate) return mouse_activation::no_activate;
    return Window::window_proc(message);
  }

 protected:
  void paint(Canvas& canvas) override {
    detail::paint_rows(canvas, box_, first_, client_rect(), row_height(), false);
  }

 private:
  ComboBox& box_;
  int first_ = 0;
};

ComboBox::ComboBox(Window* parent) : Window(parent) {
  click_on_release_ = false;
  set_tab_stop(true);
  set_border_style(BorderStyle::single);
  set_color(color::window);
  set_bounds(0, 0, 145, 21);
}

ComboBox::~ComboBox() = default;

bool ComboBox::dropped_down() const { return list_ != nullptr && list_->visible(); }

Window* ComboBox::drop_down_list() const { return dropped_down() ? list_.get() : nullptr; }

// A closed list is only hidden: it may be closing from inside its own click.
void ComboBox::set_dropped_down(bool dropped_down) {
  if (dropped_down == this->dropped_down()) return;
  if (dropped_down) {
    // Made anew each time, so it is the newest window and is painted after the controls below it.
    list_ = std::make_unique<DropDownList>(*this);
  } else {
    list_->hide();
  }
  invalidate();
}

void ComboBox::visibility_changed() {
  if (!visible()) set_dropped_down(false);
}

void ComboBox::selection_changed() {
  set_text(item_index() >= 0 ? items()[static_cast<std::size_t>(item_index())] : std::string());
  if (dropped_down()) list_->show_selection();
}

void ComboBox::choose(int index) {
  if (index < 0 || index >= item_count() || index == item_index()) return;
  set_item_index(index);
  if (on_change) on_change(*this);
}

// Keys of the box itself; true when the key was one of them.
bool ComboBox::drop_down_key(std::uint16_t key) {
  const bool alt_down = key == vk::down && key_is_down(vk::alt);
  if (key == f4_key || alt_down || (key == vk::up && key_is_down(vk::alt))) {
    set_dropped_down(!dropped_down());
    return true;
  }
  if (dropped_down() && (key == vk::enter || key == vk::escape)) {
    set_dropped_down(false);
    return true;
  }
  return false;
}

LResult ComboBox::window_proc(Message& message) {
  if (message.id == msg::left_button_down) {
    if (can_focus() && !focused()) set_focus();
    set_dropped_down(!dropped_down());
  }
  if (message.id == msg::kill_focus) set_dropped_down(false);
  // The chosen text shows the focus.
  if (message.id == msg::set_focus || message.id == msg::kill_focus) invalidate();
  if (message.id == msg::get_dialog_code) {
    // While open, Enter and Esc close the list instead of pressing the form's buttons.
    return dialog_code::want_arrows | (dropped_down() ? dialog_code::want_all_keys : 0);
  }
  const bool key = message.id == msg::key_down || message.id == msg::sys_key_down;
  const LResult result = Window::window_proc(message);
  if (key && drop_down_key(static_cast<std::uint16_t>(message.wparam))) return result;
  if (message.id == msg::key_down && item_count() > 0) choose(detail::neighbour(*this, message.wparam));
  return result;
}

void ComboBox::paint(Canvas& canvas) {
  const Rect client = client_rect();
  const Rect button{client.right - scroll_bar_size, client.top, client.right, client.bottom};
  // The chosen text shows selected while the box has the focus.
  const Rect selection{client.left + 1, client.top + 1, button.left - 1, client.bottom - 1};
  if (focused()) {
    canvas.brush.color = color::highlight;
    canvas.fill_rect(selection);
    canvas.font.color = color::highlight_text;
  }
  canvas.background_mode = BackgroundMode::transparent;
  canvas.text_rect({client.left, client.top, button.left, client.bottom}, detail::item_text_margin,
                   (client.bottom - canvas.metrics().height) / 2, text());
  canvas.font = font();
  canvas.brush.color = color::button_face;
  canvas.fill_rect(button);
  draw_button_border(canvas, button);
  draw_down_arrow(canvas, button);
  if (focused()) canvas.draw_focus_rect(selection);
}

}  // namespace vx::ws
