// The frame a form draws for itself inside another window: border, caption with the form's
// caption, and the border icons (system menu, minimise, maximise).
#include <algorithm>
#include <array>

#include "platform/ws/drawing.h"
#include "platform/ws/form.h"
#include "platform/ws/messages.h"

namespace vx::ws {
namespace {

constexpr int border = 4;
constexpr int caption_height = 18;
constexpr int icon_width = 16, icon_height = 14;
constexpr int smallest_width = 120, smallest_height = caption_height + 2 * border + 20;

enum Edge { left_edge = 1, top_edge = 2, right_edge = 4, bottom_edge = 8 };

// In window coordinates (0,0 the bounds' corner): the caption bar and the icons at its right.
Rect caption_bar(int width) { return {border, border, width - border, border + caption_height}; }

Rect icon(int width, int from_right) {
  const int right = width - border - 2 - from_right * (icon_width + 2);
  const int top = border + (caption_height - icon_height) / 2;
  return {right - icon_width, top, right, top + icon_height};
}

void draw_icon_glyph(Canvas& canvas, const Rect& box, int kind) {
  canvas.pen.color = color::black;
  const int x = box.left + 4, y = box.top + 3, r = box.right - 5, b = box.bottom - 4;
  if (kind == 0) {  // maximise
    draw_frame(canvas, {x, y, r + 1, b + 1}, color::black);
    canvas.move_to(x, y + 1);
    canvas.line_to(r + 1, y + 1);
  } else {  // minimise
    canvas.brush.color = color::black;
    canvas.fill_rect({x, b - 1, r - 2, b + 1});
  }
}

}  // namespace

bool Form::framed() const { return child_frame && parent() != nullptr && window_state() == WindowState::normal; }

Insets Form::frame_insets() const {
  if (!framed()) return Window::frame_insets();
  return {border, border + caption_height, border, border};
}

void Form::paint_frame(Canvas& canvas) {
  if (!framed()) return Window::paint_frame(canvas);
  const Insets frame = frame_insets();
  const int width = bounds().width(), height = bounds().height();
  // Drawn in window coordinates, shifted to the client origin.
  auto at = [&](const Rect& rect) { return rect.offset(-frame.left, -frame.top); };
  canvas.brush.color = color::button_face;
  canvas.fill_rect(at({0, 0, width, border}));
  canvas.fill_rect(at({0, height - border, width, height}));
  canvas.fill_rect(at({0, 0, border, height}));
  canvas.fill_rect(at({width - border, 0, width, height}));
  draw_button_border(canvas, at({0, 0, width, height}));
  const Rect bar = at(caption_bar(width));
  canvas.brush.color = color::navy;
  canvas.fill_rect(bar);
  // The system menu's icon: a small window.
  const Rect system{bar.left + 2, bar.top + 2, bar.left + 16, bar.bottom - 2};
  canvas.brush.color = color::white;
  canvas.fill_rect(system);
  canvas.brush.color = color::navy;
  canvas.fill_rect({system.left + 1, system.top + 1, system.right - 1, system.top + 4});
  draw_frame(canvas, system, color::black);
  canvas.font = Font{.bold = true, .color = color::white};
  canvas.background_mode = BackgroundMode::transparent;
  const Rect title{system.right + 4, bar.top, at(icon(width, 1)).left - 4, bar.bottom};
  canvas.text_rect(title, title.left, bar.top + (caption_height - canvas.text_extent("Wy").height) / 2, caption());
  for (int kind = 0; kind < 2; ++kind) {
    const Rect box = at(icon(width, kind));
    canvas.brush.color = color::button_face;
    canvas.fill_rect(box);
    draw_button_border(canvas, box);
    draw_icon_glyph(canvas, box, kind);
  }
}

Form::FramePart Form::frame_part_at(Point point, int* edges) const {
  const Insets frame = frame_insets();
  const Point at{point.x + frame.left, point.y + frame.top};
  const int width = bounds().width(), height = bounds().height();
  if (at.x >= border && at.x < width - border && at.y >= border + caption_height && at.y < height - border) {
    return FramePart::client;
  }
  constexpr std::array<FramePart, 2> icons{FramePart::maximize, FramePart::minimize};
  for (int kind = 0; kind < 2; ++kind) {
    if (icon(width, kind).contains(at)) return icons[static_cast<std::size_t>(kind)];
  }
  int touched = 0;
  if (at.x < border) touched |= left_edge;
  if (at.x >= width - border) touched |= right_edge;
  if (at.y < border) touched |= top_edge;
  if (at.y >= height - border) touched |= bottom_edge;
  if (edges != nullptr) *edges = touched;
  return touched != 0 ? FramePart::edges : FramePart::caption;
}

bool Form::frame_mouse(const Message& message) {
  const bool held = frame_press_ != FramePart::none;
  const Point point = point_from_lparam(message.lparam);
  switch (message.id) {
    case msg::left_button_down:
    case msg::left_button_double_click: {
      int edges = 0;
      const FramePart part = frame_part_at(point, &edges);
      if (part == FramePart::client) return false;
      if (message.id == msg::left_button_double_click && part == FramePart::caption) {
        set_window_state(WindowState::maximized);
        return true;
      }
      frame_press_ = part;
      frame_edges_ = edges;
      frame_from_ = client_to_screen(point);
      frame_bounds_ = bounds();
      set_capture();
      return true;
    }
    case msg::mouse_move: {
      if (!held || (frame_press_ != FramePart::caption && frame_press_ != FramePart::edges)) return held;
      const Point now = client_to_screen(point);
      const int dx = now.x - frame_from_.x, dy = now.y - frame_from_.y;
      Rect moved = frame_bounds_;
      if (frame_press_ == FramePart::caption) {
        moved = moved.offset(dx, dy);
      } else {
        if ((frame_edges_ & left_edge) != 0) moved.left = std::min(moved.left + dx, moved.right - smallest_width);
        if ((frame_edges_ & right_edge) != 0) moved.right = std::max(moved.right + dx, moved.left + smallest_width);
        if ((frame_edges_ & top_edge) != 0) moved.top = std::min(moved.top + dy, moved.bottom - smallest_height);
        if ((frame_edges_ & bottom_edge) != 0) moved.bottom = std::max(moved.bottom + dy, moved.top + smallest_height);
      }
      set_bounds(moved.left, moved.top, moved.width(), moved.height());
      return true;
    }
    case msg::left_button_up: {
      if (!held) return false;
      const FramePart pressed = frame_press_;
      frame_press_ = FramePart::none;
      release_capture();
      if (pressed != frame_part_at(point)) return true;
      // Minimised, a form inside a window would have nothing to come back by: the icon only shows.
      if (pressed == FramePart::maximize) set_window_state(WindowState::maximized);
      return true;
    }
    default: return false;
  }
}

}  // namespace vx::ws
