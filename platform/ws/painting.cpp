#include "platform/ws/application.h"
#include "platform/ws/caret.h"
#include "platform/ws/display.h"
#include "platform/ws/drawing.h"
#include "platform/ws/messages.h"
#include "platform/ws/scroll_bars.h"
#include "platform/ws/window.h"
#include "platform/ws/window_registry.h"

namespace vx::ws {
namespace {

// Scroll-bar parts drawn by the layer: arrows at both ends, a thumb between.
void draw_scroll_bar(Canvas& canvas, const Rect& client, ScrollBarKind kind, const ScrollInfo& info) {
  const ScrollBarLayout layout = scroll_bar_layout(client, kind, info);
  canvas.brush.color = color::scroll_bar;
  canvas.fill_rect(layout.bar);
  canvas.brush.color = color::button_face;
  // Raised, so arrows and thumb stand out from a track of much the same grey.
  for (const Rect& part : {layout.first_arrow, layout.last_arrow, layout.thumb}) {
    if (part.empty()) continue;
    canvas.fill_rect(part);
    draw_button_border(canvas, part);
  }
}

}  // namespace

using detail::registry;

void Window::invalidate() {
  non_client_pending_ = true;
  invalidate(client_rect(), true);
}

void Window::invalidate(const Rect& rect, bool erase) {
  const Rect part = intersect(rect, client_rect());
  if (part.empty()) return;
  update_rect_ = unite(update_rect_, part);
  erase_pending_ = erase_pending_ || erase;
  registry().invalid.insert(handle_);
}

void Window::invalidate_tree() {
  invalidate();
  for (Window* child : children_) child->invalidate_tree();
}

void Window::update() {
  if ((!update_rect_.empty() || non_client_pending_) && showing() && redraw_) paint_window(*this);
}

void Window::repaint() {
  invalidate();
  update();
}

Canvas Window::canvas() const {
  Canvas canvas(handle_, client_rect());
  canvas.font = font();
  canvas.brush.color = color();
  canvas.background_color = color();
  return canvas;
}

// A form's frame is the desktop's; a control draws its own.
void Window::paint_frame(Canvas& canvas) {
  if (border_style_ == BorderStyle::single && parent_ != nullptr) {
    const int outer = Window::frame_insets().left;
    const Rect frame{-outer, -outer, bounds_.width() - outer, bounds_.height() - outer};
    if (ctl3d()) {
      draw_sunken_border(canvas, frame);
    } else {
      draw_frame(canvas, frame, color::window_text);
    }
  }
}

// Frame and bars are drawn when the whole window is, or when they changed;
// a row painted alone leaves them as they are.
void Window::draw_non_client(Canvas& canvas) {
  if (caret().owner == handle_ && caret().drawn()) canvas.draw_caret(caret().rect());
  if (!non_client_pending_) return;
  non_client_pending_ = false;
  const Rect client = client_rect();
  paint_frame(canvas);
  if (vertical_visible_) draw_scroll_bar(canvas, client, ScrollBarKind::vertical, vertical_);
  if (horizontal_visible_) draw_scroll_bar(canvas, client, ScrollBarKind::horizontal, horizontal_);
}

void paint_window(Window& window) {
  const WindowHandle handle = window.handle();
  Canvas canvas(handle, window.update_rect_);
  const bool erase = window.erase_pending_;
  window.update_rect_ = {};
  window.erase_pending_ = false;
  registry().invalid.erase(handle);
  show_on_display(window);
  canvas.font = window.font();
  canvas.brush.color = window.color();
  canvas.background_color = window.color();
  // Nothing of the client may be invalid when only the border or a bar is.
  if (!canvas.clip_box().empty()) {
    if (erase) send_message(handle, msg::erase_background, reinterpret_cast<WParam>(&canvas));
    send_message(handle, msg::paint, reinterpret_cast<WParam>(&canvas));
  }
  if (Window* alive = find_window(handle)) alive->draw_non_client(canvas);
}

std::vector<WindowHandle> windows_to_paint() {
  std::vector<WindowHandle> result;
  for (const WindowHandle handle : registry().invalid) {
    const Window* window = find_window(handle);
    if (window != nullptr && window->showing() && window->redraw_enabled()) result.push_back(handle);
  }
  return result;
}

}  // namespace vx::ws
