#include <algorithm>
#include <cstdint>

#include "platform/ws/application.h"
#include "platform/ws/caret.h"
#include "platform/ws/display.h"
#include "platform/ws/drawing.h"
#include "platform/ws/messages.h"
#include "platform/ws/window.h"
#include "platform/ws/window_registry.h"

namespace vx::ws {
namespace {

// Scroll-bar parts drawn by the layer: arrows at both ends, a thumb between.
void draw_scroll_bar(Canvas& canvas, const Rect& bar, bool vertical, const ScrollInfo& info) {
  canvas.brush.color = color::scroll_bar;
  canvas.fill_rect(bar);
  const int length = vertical ? bar.height() : bar.width();
  const Rect first_arrow = vertical ? Rect{bar.left, bar.top, bar.right, bar.top + scroll_bar_size}
                                    : Rect{bar.left, bar.top, bar.left + scroll_bar_size, bar.bottom};
  const Rect last_arrow = vertical ? Rect{bar.left, bar.bottom - scroll_bar_size, bar.right, bar.bottom}
                                   : Rect{bar.right - scroll_bar_size, bar.top, bar.right, bar.bottom};
  canvas.brush.color = color::button_face;
  canvas.fill_rect(first_arrow);
  canvas.fill_rect(last_arrow);
  // Raised, so arrows and thumb stand out from a track of much the same grey.
  draw_button_border(canvas, first_arrow);
  draw_button_border(canvas, last_arrow);
  // 64-bit arithmetic: a range may span every 32-bit value.
  const std::int64_t track = length - 2 * scroll_bar_size;
  const std::int64_t range = std::int64_t{info.max} - info.min + 1;
  const std::int64_t page = info.page;
  if (track <= 0 || range <= std::max<std::int64_t>(page, 1)) return;
  const std::int64_t thumb = std::clamp(page > 0 ? track * page / range : std::int64_t{scroll_bar_size},
                                        std::min<std::int64_t>(8, track), track);
  const std::int64_t steps = std::int64_t{info.max} - std::max<std::int64_t>(page - 1, 0) - info.min;
  const std::int64_t offset = steps > 0 ? (track - thumb) * (std::int64_t{info.position} - info.min) / steps : 0;
  const int start = scroll_bar_size + static_cast<int>(offset);
  const int thumb_length = static_cast<int>(thumb);
  const Rect thumb_rect = vertical ? Rect{bar.left, bar.top + start, bar.right, bar.top + start + thumb_length}
                                   : Rect{bar.left + start, bar.top, bar.left + start + thumb_length, bar.bottom};
  canvas.fill_rect(thumb_rect);
  draw_button_border(canvas, thumb_rect);
}

}  // namespace

using detail::registry;

void Window::invalidate() { invalidate(client_rect(), true); }

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
  if (!update_rect_.empty() && showing() && redraw_) paint_window(*this);
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
    const int outer = single_border_size;
    draw_sunken_border(canvas, {-outer, -outer, bounds_.width() - outer, bounds_.height() - outer});
  }
}

void Window::draw_non_client(Canvas& canvas) {
  const Rect client = client_rect();
  paint_frame(canvas);
  if (vertical_visible_) {
    draw_scroll_bar(canvas, {client.right, 0, client.right + scroll_bar_size, client.bottom}, true, vertical_);
  }
  if (horizontal_visible_) {
    draw_scroll_bar(canvas, {0, client.bottom, client.right, client.bottom + scroll_bar_size}, false, horizontal_);
  }
  if (caret().owner == handle_ && caret().drawn()) canvas.draw_caret(caret().rect());
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
  if (erase) send_message(handle, msg::erase_background, reinterpret_cast<WParam>(&canvas));
  send_message(handle, msg::paint, reinterpret_cast<WParam>(&canvas));
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
