#include "platform/ws/caret.h"

#include "platform/ws/window.h"

namespace vx::ws {
namespace {

CaretState& state() {
  static CaretState instance;
  return instance;
}

// The caret inverts what is below it, so its place is painted afresh whole.
void invalidate_caret() {
  CaretState& current = state();
  if (Window* owner = find_window(current.owner)) owner->invalidate(current.rect());
}

}  // namespace

const CaretState& caret() { return state(); }

void create_caret(Window& owner, int width, int height, bool grey) {
  destroy_caret();
  CaretState& current = state();
  current.owner = owner.handle();
  current.width = width;
  current.height = height;
  current.grey = grey;
  current.position = {};
  current.hide_count = 1;
}

void destroy_caret() {
  if (state().drawn()) invalidate_caret();
  const std::uint32_t blink = state().blink_time_ms;
  state() = CaretState{};
  state().blink_time_ms = blink;
}

void show_caret(Window& owner) {
  CaretState& current = state();
  if (current.owner != owner.handle() || current.hide_count == 0) return;
  if (--current.hide_count == 0) {
    current.blinked_off = false;
    invalidate_caret();
  }
}

void hide_caret(Window& owner) {
  CaretState& current = state();
  if (current.owner != owner.handle()) return;
  if (current.hide_count++ == 0) invalidate_caret();
}

void set_caret_position(int x, int y) {
  CaretState& current = state();
  if (current.owner == no_window) return;
  if (current.drawn()) invalidate_caret();
  current.position = {x, y};
  current.blinked_off = false;
  if (current.visible()) invalidate_caret();
}

void blink_caret() {
  CaretState& current = state();
  if (!current.visible()) return;
  current.blinked_off = !current.blinked_off;
  invalidate_caret();
}

void set_caret_blink_time(std::uint32_t milliseconds) { state().blink_time_ms = milliseconds; }

void reset_caret() { state() = CaretState{}; }

}  // namespace vx::ws
