#include "platform/ws/window.h"

#include <algorithm>

#include "platform/ws/application.h"
#include "platform/ws/caret.h"
#include "platform/ws/form.h"
#include "platform/ws/keyboard.h"
#include "platform/ws/menu.h"
#include "platform/ws/messages.h"
#include "platform/ws/window_registry.h"

namespace vx::ws {
namespace {

using detail::registry;
using detail::WindowRegistry;

void forget(std::vector<Window*>& list, Window* window) { std::erase(list, window); }

bool contains(const Window& ancestor, const Window* window) {
  for (; window != nullptr; window = window->parent()) {
    if (window == &ancestor) return true;
  }
  return false;
}

}  // namespace

ShiftState mouse_shift(WParam flags) {
  ShiftState shift = keyboard_shift_state() & shift_alt;
  if ((flags & mk::shift) != 0) shift |= shift_shift;
  if ((flags & mk::control) != 0) shift |= shift_ctrl;
  if ((flags & mk::left_button) != 0) shift |= shift_left;
  if ((flags & mk::right_button) != 0) shift |= shift_right;
  return shift;
}

Window::Window(Window* parent) {
  WindowRegistry& r = registry();
  {
    std::lock_guard lock(r.mutex);
    handle_ = ++r.last_handle;
    r.windows[handle_] = this;
  }
  set_parent(parent);
}

Window::~Window() {
  for (Window* child : children_) child->parent_ = nullptr;
  if (parent_ != nullptr) {
    forget(parent_->children_, this);
    forget(parent_->tab_list_, this);
    parent_->invalidate();
  }
  kill_window_timers(handle_);
  if (caret().owner == handle_) destroy_caret();
  WindowRegistry& r = registry();
  {
    std::lock_guard lock(r.mutex);
    r.windows.erase(handle_);
  }
  r.invalid.erase(handle_);
  for (WindowHandle* held : {&r.focus, &r.capture, &r.hover, &r.active_form, &r.foreground}) {
    if (*held == handle_) *held = no_window;
  }
}

void Window::set_parent(Window* parent) {
  if (parent == parent_ || parent == this) return;
  if (parent_ != nullptr) {
    forget(parent_->children_, this);
    forget(parent_->tab_list_, this);
    parent_->realign();
    parent_->invalidate();
  }
  parent_ = parent;
  if (parent_ != nullptr) {
    parent_->children_.push_back(this);
    parent_->tab_list_.push_back(this);
    parent_->realign();
  }
  invalidate_tree();
}

Form* Window::form() {
  for (Window* window = this; window != nullptr; window = window->parent_) {
    if (auto* found = dynamic_cast<Form*>(window)) return found;
  }
  return nullptr;
}

Window& Window::top_level() {
  Window* window = this;
  while (window->parent_ != nullptr) window = window->parent_;
  return *window;
}

void Window::set_bounds(int left, int top, int width, int height) {
  const Rect bounds{left, top, left + std::max(0, width), top + std::max(0, height)};
  if (bounds == bounds_) return;
  const bool resized = bounds.width() != bounds_.width() || bounds.height() != bounds_.height();
  if (parent_ != nullptr) parent_->invalidate();
  const Rect old_bounds = bounds_;
  bounds_ = bounds;
  if (resized) {
    const Rect client = client_rect();
    perform(msg::size, size_kind::restored, make_lparam(client.width(), client.height()));
  }
  if (parent_ != nullptr && align_ != Align::none) parent_->realign();
  invalidate_tree();
  bounds_changed(old_bounds);
}

Insets Window::frame_insets() const {
  int border = 0;
  if (border_style_ == BorderStyle::single) border = ctl3d() ? single_border_size : plain_border_size;
  return {border, border, border, border};
}

Rect Window::client_rect() const {
  const Insets frame = frame_insets();
  const int width = bounds_.width() - frame.left - frame.right - (vertical_visible_ ? scroll_bar_size : 0);
  const int height = bounds_.height() - frame.top - frame.bottom - (horizontal_visible_ ? scroll_bar_size : 0);
  return {0, 0, std::max(0, width), std::max(0, height)};
}

Point Window::client_to_screen(Point point) const {
  const Insets frame = frame_insets();
  Point origin{bounds_.left + frame.left, bounds_.top + frame.top};
  if (parent_ != nullptr) origin = parent_->client_to_screen(origin);
  return {origin.x + point.x, origin.y + point.y};
}

Point Window::screen_to_client(Point point) const {
  const Point origin = client_to_screen({0, 0});
  return {point.x - origin.x, point.y - origin.y};
}

void Window::set_align(Align align) {
  align_ = align;
  if (parent_ != nullptr) parent_->realign();
}

void Window::set_border_style(BorderStyle style) {
  if (style == border_style_) return;
  border_style_ = style;
  const Rect client = client_rect();
  perform(msg::size, size_kind::restored, make_lparam(client.width(), client.height()));
  invalidate();
}

bool Window::ctl3d() const { return parent_ctl3d_ && parent_ != nullptr ? parent_->ctl3d() : ctl3d_; }

void Window::set_ctl3d(bool ctl3d) {
  const bool before = this->ctl3d();
  ctl3d_ = ctl3d;
  parent_ctl3d_ = false;
  if (ctl3d != before) tell_ctl3d_changed();
}

// The window and every window below it that takes the look from its parent.
void Window::tell_ctl3d_changed() {
  ctl3d_changed();
  for (Window* child : children_) {
    if (child->parent_ctl3d_) child->tell_ctl3d_changed();
  }
}

void Window::ctl3d_changed() {
  if (border_style_ != BorderStyle::single) return;
  const Rect client = client_rect();
  perform(msg::size, size_kind::restored, make_lparam(client.width(), client.height()));
  invalidate();
}

void Window::realign() {
  Rect free = client_rect();
  for (const Align kind : {Align::top, Align::bottom, Align::left, Align::right, Align::client}) {
    for (Window* child : children_) {
      if (child->align_ != kind || !child->visible_) continue;
      const int h = child->height();
      const int w = child->width();
      switch (kind) {
        case Align::top:
          child->set_bounds(free.left, free.top, free.width(), h);
          free.top += h;
          break;
        case Align::bottom:
          child->set_bounds(free.left, free.bottom - h, free.width(), h);
          free.bottom -= h;
          break;
        case Align::left:
          child->set_bounds(free.left, free.top, w, free.height());
          free.left += w;
          break;
        case Align::right:
          child->set_bounds(free.right - w, free.top, w, free.height());
          free.right -= w;
          break;
        case Align::client: child->set_bounds(free.left, free.top, free.width(), free.height()); break;
        case Align::none: break;
      }
    }
  }
}

void Window::set_visible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (visible) {
    invalidate_tree();
  } else if (contains(*this, focused_window())) {
    change_focus(nullptr);
  }
  if (parent_ != nullptr) {
    if (align_ != Align::none) parent_->realign();
    parent_->invalidate();
  }
  visibility_changed();
}

bool Window::showing() const {
  for (const Window* window = this; window != nullptr; window = window->parent_) {
    if (!window->visible_) return false;
  }
  return true;
}

void Window::set_enabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (!enabled && contains(*this, focused_window())) change_focus(nullptr);
  invalidate();
}

bool Window::enabled_with_parents() const {
  for (const Window* window = this; window != nullptr; window = window->parent_) {
    if (!window->enabled_) return false;
  }
  return true;
}

bool Window::can_focus() const { return showing() && enabled_with_parents(); }

bool Window::focused() const { return registry().focus == handle_; }

void Window::set_focus() { change_focus(this); }

void Window::set_text(std::string_view text) {
  const std::string copy(text);
  perform(msg::set_text, 0, reinterpret_cast<LParam>(copy.c_str()));
}

void Window::set_font(const Font& font) { perform(msg::set_font, reinterpret_cast<WParam>(&font), 1); }

const Font& Window::font() const { return parent_font_ && parent_ != nullptr ? parent_->font() : font_; }

Color Window::color() const { return parent_color && parent_ != nullptr ? parent_->color() : color_; }

void Window::set_color(Color color) {
  const bool changed = parent_color || color != color_;
  parent_color = false;
  color_ = color;
  if (changed) invalidate();
}

LResult Window::perform(MessageId id, WParam wparam, LParam lparam) {
  Message message{handle_, id, wparam, lparam};
  return window_proc(message);
}

void Window::set_capture() { registry().capture = handle_; }

void Window::release_capture() {
  if (registry().capture == handle_) registry().capture = no_window;
}

bool Window::has_capture() const { return registry().capture == handle_; }

void Window::set_scroll_info(ScrollBarKind kind, const ScrollInfo& info, bool redraw) {
  ScrollInfo& bar = kind == ScrollBarKind::vertical ? vertical_ : horizontal_;
  const ScrollInfo before = bar;
  bar.min = info.min;
  bar.max = std::max(info.min, info.max);
  // 64-bit arithmetic: a range may span every 32-bit value.
  const std::int64_t range = std::int64_t{bar.max} - bar.min + 1;
  bar.page = static_cast<int>(std::clamp<std::int64_t>(info.page, 0, range));
  const std::int64_t last = std::int64_t{bar.max} - std::max(bar.page - 1, 0);
  const std::int64_t highest = std::max<std::int64_t>(bar.min, last);
  bar.position = static_cast<int>(std::clamp<std::int64_t>(info.position, bar.min, highest));
  if (bar == before) return;
  non_client_pending_ = true;
  // Only the bar is drawn again; the client keeps its pixels.
  if (redraw) registry().invalid.insert(handle_);
}

ScrollInfo Window::scroll_info(ScrollBarKind kind) const {
  return kind == ScrollBarKind::vertical ? vertical_ : horizontal_;
}

void Window::show_scroll_bar(ScrollBarKind kind, bool show) {
  bool& shown = kind == ScrollBarKind::vertical ? vertical_visible_ : horizontal_visible_;
  if (shown == show) return;
  shown = show;
  const Rect client = client_rect();
  perform(msg::size, size_kind::restored, make_lparam(client.width(), client.height()));
  invalidate();
}

bool Window::scroll_bar_visible(ScrollBarKind kind) const {
  return kind == ScrollBarKind::vertical ? vertical_visible_ : horizontal_visible_;
}

void Window::click() {
  if (on_click) on_click(*this);
}

void Window::paint(Canvas&) {}

void Window::key_event(Message& message) {
  auto key = static_cast<std::uint16_t>(message.wparam);
  const ShiftState shift = keyboard_shift_state();
  Form* owner = form();
  if (owner != nullptr && owner != this && owner->key_preview && owner->on_key_down) {
    owner->on_key_down(*owner, key, shift);
  }
  if (key != 0 && on_key_down) on_key_down(*this, key, shift);
  message.wparam = key;
}

void Window::character_event(Message& message) {
  auto key = static_cast<char>(message.wparam);
  Form* owner = form();
  if (owner != nullptr && owner != this && owner->key_preview && owner->on_key_press) owner->on_key_press(*owner, key);
  if (key != 0 && on_key_press) on_key_press(*this, key);
  message.wparam = static_cast<unsigned char>(key);
}

void Window::mouse_button_event(const Message& message) {
  const Point point = point_from_lparam(message.lparam);
  ShiftState shift = mouse_shift(message.wparam);
  if (message.id == msg::left_button_double_click) shift |= shift_double;
  switch (message.id) {
    case msg::left_button_down:
    case msg::left_button_double_click:
      if (captures_mouse) set_capture();
      left_pressed_ = true;
      if (on_mouse_down) on_mouse_down(*this, MouseButton::left, shift, point);
      if (message.id == msg::left_button_double_click && on_double_click) on_double_click(*this);
      break;
    case msg::left_button_up: {
      const bool pressed = left_pressed_;
      left_pressed_ = false;
      if (captures_mouse) release_capture();
      if (on_mouse_up) on_mouse_up(*this, MouseButton::left, shift, point);
      if (pressed && click_on_release_ && client_rect().contains(point)) click();
      break;
    }
    case msg::right_button_down:
      if (on_mouse_down) on_mouse_down(*this, MouseButton::right, shift, point);
      break;
    case msg::right_button_up:
      if (on_mouse_up) on_mouse_up(*this, MouseButton::right, shift, point);
      if (popup_menu != nullptr) popup_menu->popup(client_to_screen(point));
      break;
    default: break;
  }
}

LResult Window::window_proc(Message& message) {
  switch (message.id) {
    case msg::set_text:
      text_ = message.lparam != 0 ? reinterpret_cast<const char*>(message.lparam) : "";
      invalidate();
      return 1;
    case msg::set_font:
      if (message.wparam != 0) {
        font_ = *reinterpret_cast<const Font*>(message.wparam);
        parent_font_ = false;
      }
      if (message.lparam != 0) invalidate();
      return 0;
    case msg::set_redraw:
      redraw_ = message.wparam != 0;
      return 0;
    case msg::erase_background: {
      auto* canvas = reinterpret_cast<Canvas*>(message.wparam);
      canvas->brush.color = color();
      canvas->brush.clear = false;
      canvas->fill_rect(client_rect());
      return 1;
    }
    case msg::paint:
      paint(*reinterpret_cast<Canvas*>(message.wparam));
      return 0;
    case msg::size:
      realign();
      if (on_resize) on_resize(*this);
      return 0;
    case msg::set_focus:
      if (on_enter) on_enter(*this);
      return 0;
    case msg::kill_focus:
      if (on_exit) on_exit(*this);
      return 0;
    case msg::key_down:
    case msg::sys_key_down:
      key_event(message);
      return 0;
    case msg::character:
    case msg::sys_character:
      character_event(message);
      return 0;
    case msg::left_button_down:
    case msg::left_button_up:
    case msg::left_button_double_click:
    case msg::right_button_down:
    case msg::right_button_up:
      mouse_button_event(message);
      return 0;
    case msg::mouse_move:
      if (on_mouse_move) on_mouse_move(*this, mouse_shift(message.wparam), point_from_lparam(message.lparam));
      return 0;
    case msg::mouse_wheel:
      return parent_ != nullptr ? parent_->perform(message.id, message.wparam, message.lparam) : 0;
    case msg::mouse_activate: return mouse_activation::activate;
    case msg::cancel_mode:
      left_pressed_ = false;
      release_capture();
      return 0;
    default: return 0;
  }
}

}  // namespace vx::ws
