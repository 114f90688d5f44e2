#pragma once

#include <optional>

#include "platform/ws/types.h"
#include "platform/ws/window.h"

// The scroll bars the layer draws beside a window's client area: where
// their parts lie, and what a press on them asks of the window.
namespace vx::ws {

enum class ScrollBarPart { first_arrow, first_track, thumb, last_track, last_arrow };

struct ScrollBarLayout {
  Rect bar;
  Rect first_arrow;
  Rect last_arrow;
  // Empty when the bar has nothing to scroll or no room for a thumb.
  Rect thumb;
  bool vertical = true;
  // Pixels the thumb can travel, and the positions it travels over.
  int travel = 0;
};

// The bar of `kind` beside `client` (window client coordinates).
ScrollBarLayout scroll_bar_layout(const Rect& client, ScrollBarKind kind, const ScrollInfo& info);

// The shown bar and part of the window at `point` (client coordinates).
struct ScrollBarHit {
  ScrollBarKind kind;
  ScrollBarPart part;
};
std::optional<ScrollBarHit> scroll_bar_hit(const Window& window, Point point);

// The position of a thumb whose leading edge lies `offset` pixels into its travel.
int thumb_position(const ScrollInfo& info, int offset, int travel);

namespace detail {
// The scroll bars' share of mouse input: a press on a bar sends the window
// its line, page or thumb requests and follows the button until it is
// released. True when the message was the bar's.
bool scroll_bar_takes(Window& target, const Message& message);
void reset_scroll_bar_tracking();
}  // namespace detail

}  // namespace vx::ws
