#include "platform/ws/scroll_bars.h"

#include <algorithm>
#include <cstdint>

#include "platform/ws/application.h"
#include "platform/ws/messages.h"

namespace vx::ws {
namespace {

constexpr int smallest_thumb = 8;

struct Tracking {
  WindowHandle window = no_window;
  ScrollBarKind kind = ScrollBarKind::vertical;
  bool thumb = false;
  // Where in the thumb the pointer took it, along the bar.
  int grab = 0;
  int position = 0;
};

Tracking& tracking() {
  static Tracking instance;
  return instance;
}

int along(const ScrollBarLayout& layout, Point point) { return layout.vertical ? point.y : point.x; }
int leading_edge(const ScrollBarLayout& layout, const Rect& rect) { return layout.vertical ? rect.top : rect.left; }

void request(Window& window, ScrollBarKind kind, int code, int position = 0) {
  const MessageId id = kind == ScrollBarKind::vertical ? msg::vscroll : msg::hscroll;
  const WParam wparam = static_cast<WParam>(static_cast<std::uint16_t>(code)) |
                        (static_cast<WParam>(static_cast<std::uint16_t>(position)) << 16);
  send_message(window.handle(), id, wparam, 0);
}

int scroll_code_of(ScrollBarPart part) {
  switch (part) {
    case ScrollBarPart::first_arrow: return scroll_code::line_up;
    case ScrollBarPart::first_track: return scroll_code::page_up;
    case ScrollBarPart::last_track: return scroll_code::page_down;
    case ScrollBarPart::last_arrow: return scroll_code::line_down;
    case ScrollBarPart::thumb: break;
  }
  return scroll_code::thumb_track;
}

Rect bar_of(const Rect& client, ScrollBarKind kind) {
  return kind == ScrollBarKind::vertical ? Rect{client.right, 0, client.right + scroll_bar_size, client.bottom}
                                         : Rect{0, client.bottom, client.right, client.bottom + scroll_bar_size};
}

bool on_scroll_bar(const Window& window, Point point) {
  const Rect client = window.client_rect();
  for (const ScrollBarKind kind : {ScrollBarKind::vertical, ScrollBarKind::horizontal}) {
    if (window.scroll_bar_visible(kind) && bar_of(client, kind).contains(point)) return true;
  }
  return false;
}

void start(Window& window, ScrollBarHit hit, Point point) {
  const ScrollBarLayout layout = scroll_bar_layout(window.client_rect(), hit.kind, window.scroll_info(hit.kind));
  Tracking& state = tracking();
  state = Tracking{window.handle(), hit.kind, hit.part == ScrollBarPart::thumb,
                   along(layout, point) - leading_edge(layout, layout.thumb), window.scroll_info(hit.kind).position};
  window.set_capture();
  if (!state.thumb) request(window, hit.kind, scroll_code_of(hit.part));
}

void follow(Window& window, Point point) {
  Tracking& state = tracking();
  if (!state.thumb) return;
  const ScrollInfo info = window.scroll_info(state.kind);
  const ScrollBarLayout layout = scroll_bar_layout(window.client_rect(), state.kind, info);
  const int first = leading_edge(layout, layout.bar) + scroll_bar_size;
  const int position = thumb_position(info, along(layout, point) - state.grab - first, layout.travel);
  if (position == state.position) return;
  state.position = position;
  request(window, state.kind, scroll_code::thumb_track, position);
}

void finish(Window& window) {
  const Tracking state = tracking();
  tracking() = Tracking{};
  window.release_capture();
  if (state.thumb) request(window, state.kind, scroll_code::thumb_position, state.position);
  if (is_window(state.window)) request(window, state.kind, scroll_code::end_scroll);
}

}  // namespace

ScrollBarLayout scroll_bar_layout(const Rect& client, ScrollBarKind kind, const ScrollInfo& info) {
  ScrollBarLayout layout;
  layout.vertical = kind == ScrollBarKind::vertical;
  layout.bar = bar_of(client, kind);
  const Rect& bar = layout.bar;
  layout.first_arrow = layout.vertical ? Rect{bar.left, bar.top, bar.right, bar.top + scroll_bar_size}
                                       : Rect{bar.left, bar.top, bar.left + scroll_bar_size, bar.bottom};
  layout.last_arrow = layout.vertical ? Rect{bar.left, bar.bottom - scroll_bar_size, bar.right, bar.bottom}
                                      : Rect{bar.right - scroll_bar_size, bar.top, bar.right, bar.bottom};
  // 64-bit arithmetic: a range may span every 32-bit value.
  const std::int64_t track = (layout.vertical ? bar.height() : bar.width()) - 2 * scroll_bar_size;
  const std::int64_t range = std::int64_t{info.max} - info.min + 1;
  const std::int64_t page = info.page;
  if (track <= 0 || range <= std::max<std::int64_t>(page, 1)) return layout;
  const std::int64_t thumb = std::clamp(page > 0 ? track * page / range : std::int64_t{scroll_bar_size},
                                        std::min<std::int64_t>(smallest_thumb, track), track);
  const std::int64_t steps = std::int64_t{info.max} - std::max<std::int64_t>(page - 1, 0) - info.min;
  layout.travel = static_cast<int>(track - thumb);
  const std::int64_t offset = steps > 0 ? layout.travel * (std::int64_t{info.position} - info.min) / steps : 0;
  const int start = scroll_bar_size + static_cast<int>(offset);
  const int length = static_cast<int>(thumb);
  layout.thumb = layout.vertical ? Rect{bar.left, bar.top + start, bar.right, bar.top + start + length}
                                 : Rect{bar.left + start, bar.top, bar.left + start + length, bar.bottom};
  return layout;
}

std::optional<ScrollBarHit> scroll_bar_hit(const Window& window, Point point) {
  const Rect client = window.client_rect();
  for (const ScrollBarKind kind : {ScrollBarKind::vertical, ScrollBarKind::horizontal}) {
    if (!window.scroll_bar_visible(kind)) continue;
    const ScrollBarLayout layout = scroll_bar_layout(client, kind, window.scroll_info(kind));
    if (!layout.bar.contains(point)) continue;
    if (layout.first_arrow.contains(point)) return ScrollBarHit{kind, ScrollBarPart::first_arrow};
    if (layout.last_arrow.contains(point)) return ScrollBarHit{kind, ScrollBarPart::last_arrow};
    // A bar without a thumb has nothing to scroll; its track does nothing.
    if (layout.thumb.empty()) return std::nullopt;
    if (layout.thumb.contains(point)) return ScrollBarHit{kind, ScrollBarPart::thumb};
    const bool before = along(layout, point) < leading_edge(layout, layout.thumb);
    return ScrollBarHit{kind, before ? ScrollBarPart::first_track : ScrollBarPart::last_track};
  }
  return std::nullopt;
}

int thumb_position(const ScrollInfo& info, int offset, int travel) {
  const std::int64_t steps = std::int64_t{info.max} - std::max(info.page - 1, 0) - info.min;
  if (travel <= 0 || steps <= 0) return info.min;
  const std::int64_t moved = std::clamp<std::int64_t>(offset, 0, travel);
  return static_cast<int>(info.min + (moved * steps + travel / 2) / travel);
}

namespace detail {

bool scroll_bar_takes(Window& target, const Message& message) {
  const Point point = point_from_lparam(message.lparam);
  if (tracking().window == target.handle()) {
    if (message.id == msg::mouse_move) follow(target, point);
    if (message.id == msg::left_button_up) finish(target);
    return message.id == msg::mouse_move || message.id == msg::left_button_up ||
           message.id == msg::left_button_down;
  }
  const bool press = message.id == msg::left_button_down || message.id == msg::left_button_double_click;
  const bool right = message.id == msg::right_button_down || message.id == msg::right_button_up;
  if (!press && !right) return false;
  if (!on_scroll_bar(target, point)) return false;
  if (const std::optional<ScrollBarHit> hit = scroll_bar_hit(target, point); hit && press) start(target, *hit, point);
  return true;
}

void reset_scroll_bar_tracking() { tracking() = Tracking{}; }

}  // namespace detail
}  // namespace vx::ws
