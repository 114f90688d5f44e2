#pragma once

#include "platform/ws/types.h"
#include "platform/ws/window.h"

// The window system's own drag, held on the source window's mouse capture so
// that no loop of its own runs: it starts deferred, begins once the mouse has
// moved the threshold away from the press, and ends with the left button's
// release, with Esc or with the right button. Nothing accepts a drop, so
// every drag ends cancelled (Window::drag_cancelled).
namespace vx::ws {

// Pixels the mouse must move, across or down, before a deferred drag begins.
inline constexpr int drag_threshold = 5;

// A deferred drag of `source` pressed at `point` (its client coordinates);
// the source takes the mouse capture.
void begin_drag(Window& source, Point point);
// A drag has begun and is not over.
bool dragging();

namespace detail {
// The drag's share of input: the moves once it has begun, and what ends it.
bool drag_takes_mouse(Window& target, const Message& message);
bool drag_takes_key(const Message& message);
void reset_drag();
}  // namespace detail

}  // namespace vx::ws
