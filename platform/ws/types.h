#pragma once

#include <algorithm>
#include <cstdint>

namespace vx::ws {

// Window handles count up from 1 and are never given out twice, so a
// message for a destroyed window can never reach a newer one.
using WindowHandle = std::uint32_t;
inline constexpr WindowHandle no_window = 0;

using MessageId = std::uint32_t;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

struct Message {
  WindowHandle window = no_window;
  MessageId id = 0;
  WParam wparam = 0;
  LParam lparam = 0;
};

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  int width = 0;
  int height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// Right and bottom are exclusive, as the window system's rectangles are.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
  bool contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  Rect offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

inline Rect intersect(const Rect& a, const Rect& b) {
  const Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
  return r.empty() ? Rect{} : r;
}

// The smallest rectangle holding both; an empty one adds nothing.
inline Rect unite(const Rect& a, const Rect& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

// Modifier keys and mouse buttons held with an input event.
enum Shift : std::uint8_t {
  shift_none = 0,
  shift_shift = 1 << 0,
  shift_alt = 1 << 1,
  shift_ctrl = 1 << 2,
  shift_left = 1 << 3,
  shift_right = 1 << 4,
  shift_double = 1 << 5,
};
using ShiftState = std::uint8_t;

enum class MouseButton { left, right };

}  // namespace vx::ws
