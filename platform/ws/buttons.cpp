#include "platform/ws/buttons.h"

#include <array>

#include "platform/dialogs.h"
#include "platform/ws/drawing.h"
#include "platform/ws/form.h"
#include "platform/ws/messages.h"

namespace vx::ws {
namespace {

struct KindDefaults {
  const char* caption;
  int modal_result;
};

KindDefaults defaults_of(ButtonKind kind) {
  using namespace platform;
  switch (kind) {
    case ButtonKind::ok: return {"OK", result_ok};
    case ButtonKind::cancel: return {"Cancel", result_cancel};
    case ButtonKind::help: return {"&Help", result_none};
    case ButtonKind::yes: return {"&Yes", result_yes};
    case ButtonKind::no: return {"&No", result_no};
    case ButtonKind::close: return {"&Close", result_none};
    case ButtonKind::abort: return {"Abort", result_abort};
    case ButtonKind::retry: return {"&Retry", result_retry};
    case ButtonKind::ignore: return {"&Ignore", result_ignore};
    case ButtonKind::all: return {"&All", result_all};
    case ButtonKind::custom: break;
  }
  return {nullptr, result_none};
}

// What every button-like control does: takes the focus when pressed, shows
// the focus, and takes a released Space that no event swallowed as a click.
LResult button_proc(Window& control, Message& message) {
  if (message.id == msg::left_button_down && control.can_focus() && !control.focused()) control.set_focus();
  const LResult result = control.Window::window_proc(message);
  if (message.id == msg::key_up && message.wparam == vk::space) control.click();
  if (message.id == msg::set_focus || message.id == msg::kill_focus) control.invalidate();
  return result;
}

}  // namespace

Button::Button(Window* parent, std::string_view caption) : Window(parent) {
  set_tab_stop(true);
  set_bounds(0, 0, 75, 25);
  set_text(caption);
}

void Button::set_kind(ButtonKind kind) {
  kind_ = kind;
  const KindDefaults defaults = defaults_of(kind);
  if (defaults.caption == nullptr) return;
  set_text(defaults.caption);
  modal_result = defaults.modal_result;
}

void Button::click() {
  Form* owner = form();
  if (owner != nullptr && modal_result != 0) owner->set_modal_result(modal_result);
  Window::click();
  if (kind_ == ButtonKind::close && owner != nullptr) owner->close();
}

// Enter presses a focused push button, as the dialog manager makes it the default one.
LResult Button::window_proc(Message& message) {
  const LResult result = button_proc(*this, message);
  if (message.id == msg::key_down && message.wparam == vk::enter) click();
  return result;
}

void Button::paint(Canvas& canvas) {
  const Rect client = client_rect();
  draw_button_border(canvas, client);
  canvas.font.color = enabled_with_parents() ? canvas.font.color : color::gray_text;
  draw_centered_text(canvas, client, display_caption(caption()));
  if (focused()) canvas.draw_focus_rect({client.left + 4, client.top + 4, client.right - 4, client.bottom - 4});
}

Button* default_button(Window& form) {
  for (Window* child : form.children()) {
    auto* button = dynamic_cast<Button*>(child);
    if (button != nullptr && button->is_default && button->can_focus()) return button;
    if (Button* found = default_button(*child)) return found;
  }
  return nullptr;
}

CheckControl::CheckControl(Window* parent, std::string_view caption) : Window(parent) {
  parent_color = true;
  set_tab_stop(true);
  set_bounds(0, 0, 97, 17);
  set_text(caption);
}

void CheckControl::set_checked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  invalidate();
  checked_changed();
}

LResult CheckControl::window_proc(Message& message) { return button_proc(*this, message); }

void CheckControl::paint(Canvas& canvas) {
  constexpr int box = 13;
  const Rect client = client_rect();
  const Rect mark{0, (client.height() - box) / 2, box, (client.height() - box) / 2 + box};
  draw_mark(canvas, mark);
  canvas.background_mode = BackgroundMode::transparent;
  canvas.font.color = enabled_with_parents() ? canvas.font.color : color::gray_text;
  const int text_height = canvas.metrics().height;
  canvas.text_out(box + 4, (client.height() - text_height) / 2, display_caption(caption()));
  if (focused()) canvas.draw_focus_rect({box + 2, 0, client.right, client.bottom});
}

void CheckControl::draw_mark(Canvas& canvas, const Rect& mark) const {
  canvas.brush.color = color::window;
  canvas.fill_rect(mark);
  draw_edge(canvas, mark, false);
  if (!checked_) return;
  canvas.pen = Pen{color::window_text, 2, PenStyle::solid};
  canvas.move_to(mark.left + 3, mark.top + 6);
  canvas.line_to(mark.left + 5, mark.top + 9);
  canvas.line_to(mark.left + 10, mark.top + 3);
}

void CheckBox::click() {
  set_checked(!checked());
  Window::click();
}

void RadioButton::click() {
  set_checked(true);
  Window::click();
}

void RadioButton::draw_mark(Canvas& canvas, const Rect& mark) const {
  constexpr int diameter = 12;
  constexpr int dot = 4;
  draw_disc(canvas, mark.left, mark.top, diameter, color::button_shadow);
  draw_disc(canvas, mark.left + 1, mark.top + 1, diameter - 2, color::window);
  const int dot_offset = (diameter - dot) / 2;
  if (checked()) draw_disc(canvas, mark.left + dot_offset, mark.top + dot_offset, dot, color::window_text);
}

void RadioButton::checked_changed() {
  if (!checked() || parent() == nullptr) return;
  for (Window* sibling : parent()->children()) {
    auto* radio = dynamic_cast<RadioButton*>(sibling);
    if (radio != nullptr && radio != this) radio->set_checked(false);
  }
}

}  // namespace vx::ws
