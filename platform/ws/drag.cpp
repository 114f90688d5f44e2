#include "platform/ws/drag.h"

#include <cstdlib>

#include "platform/ws/messages.h"

namespace vx::ws {
namespace {

struct DragState {
  WindowHandle source = no_window;
  // Screen points of the press and of the cursor's last report.
  Point start;
  Point cursor;
  bool begun = false;
  // A right press ended the drag: its release belongs to the drag as well.
  bool right_release_pending = false;
};

DragState& drag_state() {
  static DragState instance;
  return instance;
}

// The source while it still holds the capture; whoever took the capture away ended the drag.
Window* live_source() {
  DragState& state = drag_state();
  if (state.source == no_window) return nullptr;
  Window* capture = capture_window();
  if (capture != nullptr && capture->handle() == state.source) return capture;
  state.source = no_window;
  state.begun = false;
  return nullptr;
}

void cancel(Window& source) {
  DragState& state = drag_state();
  const Point point = source.screen_to_client(state.cursor);
  state.source = no_window;
  state.begun = false;
  source.release_capture();
  source.drag_cancelled(point);
}

}  // namespace

void begin_drag(Window& source, Point point) {
  DragState& state = drag_state();
  const Point screen = source.client_to_screen(point);
  state.source = source.handle();
  state.start = screen;
  state.cursor = screen;
  state.begun = false;
  source.set_capture();
}

bool dragging() { return live_source() != nullptr && drag_state().begun; }

namespace detail {

bool drag_takes_mouse(Window& target, const Message& message) {
  DragState& state = drag_state();
  if (message.id == msg::right_button_up && state.right_release_pending) {
    state.right_release_pending = false;
    return true;
  }
  if (message.id == msg::right_button_down) state.right_release_pending = false;
  Window* source = live_source();
  if (source != &target) return false;
  state.cursor = target.client_to_screen(point_from_lparam(message.lparam));
  switch (message.id) {
    case msg::mouse_move:
      if (!state.begun) {
        state.begun = std::abs(state.cursor.x - state.start.x) >= drag_threshold ||
                      std::abs(state.cursor.y - state.start.y) >= drag_threshold;
      }
      // Before the drag begins the source follows the mouse as it would without one.
      return state.begun;
    case msg::left_button_up:
      cancel(target);
      return true;
    case msg::right_button_down:
      state.right_release_pending = true;
      cancel(target);
      return true;
    default: return state.begun;
  }
}

bool drag_takes_key(const Message& message) {
  if (message.id != msg::key_down || message.wparam != vk::escape) return false;
  Window* source = live_source();
  if (source == nullptr) return false;
  cancel(*source);
  return true;
}

void reset_drag() { drag_state() = DragState{}; }

}  // namespace detail
}  // namespace vx::ws
