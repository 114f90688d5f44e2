#pragma once

#include <cstdint>
#include <limits>

#include "platform/ws/types.h"

// The one caret of the main thread, as the window system keeps it: created
// for a window, hidden until shown as often as it was hidden, and drawn by
// the layer when its window paints.
namespace vx::ws {

class Window;

struct CaretState {
  WindowHandle owner = no_window;
  int width = 0;
  int height = 0;
  bool grey = false;
  Point position;
  int hide_count = 0;
  std::uint32_t blink_time_ms = 530;
  // The off half of a blink; a caret that moves or shows again starts on.
  bool blinked_off = false;
  bool visible() const { return owner != no_window && hide_count == 0; }
  bool drawn() const { return visible() && !blinked_off; }
  // A caret put out of sight at the largest coordinate ends there too.
  Rect rect() const {
    return {position.x, position.y, far_edge(position.x, width), far_edge(position.y, height)};
  }
  static int far_edge(int start, int length) {
    return start > std::numeric_limits<int>::max() - length ? std::numeric_limits<int>::max() : start + length;
  }
};

const CaretState& caret();
// Replaces any caret; the new one is hidden.
void create_caret(Window& owner, int width, int height, bool grey = false);
void destroy_caret();
// Show and hide count: the caret shows after as many shows as hides.
// Both do nothing unless `owner` owns the caret.
void show_caret(Window& owner);
void hide_caret(Window& owner);
void set_caret_position(int x, int y);
void set_caret_blink_time(std::uint32_t milliseconds);
// The display's blink timer: turns a visible caret off or on again.
void blink_caret();
void reset_caret();

}  // namespace vx::ws
