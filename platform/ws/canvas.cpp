#include "platform/ws/canvas.h"

#include <algorithm>

#include "platform/ws/display.h"
#include "platform/ws/picture.h"

namespace vx::ws {
namespace {

int floor_div(int value, int divisor) {
  const int quotient = value / divisor;
  return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

}  // namespace

Canvas::Canvas(WindowHandle window, const Rect& clip) : window_(window), clip_(clip) {}

Canvas::Canvas(Size size) : clip_{0, 0, size.width, size.height}, off_screen_(true) {}

void Canvas::record(DrawOp op, const Picture* picture) {
  op.window = window_;
  if (off_screen_) {
    own_operations_.push_back(std::move(op));
    return;
  }
  render_on_display(window_, op, picture);
  DrawingLog& log = drawing_log();
  if (log.recording) log.operations.push_back(std::move(op));
}

void Canvas::fill_rect(const Rect& rect) {
  if (brush.clear) return;
  DrawOp op;
  op.kind = DrawKind::fill;
  op.rect = rect;
  op.color = brush.color;
  record(std::move(op));
}

void Canvas::move_to(int x, int y) { pen_position_ = {x, y}; }

void Canvas::line_to(int x, int y) {
  if (pen.style != PenStyle::clear) {
    DrawOp op;
    op.kind = DrawKind::line;
    op.from = pen_position_;
    op.to = {x, y};
    op.color = pen.color;
    op.pen = pen;
    record(std::move(op));
  }
  pen_position_ = {x, y};
}

void Canvas::draw_focus_rect(const Rect& rect) {
  DrawOp op;
  op.kind = DrawKind::focus_rect;
  op.rect = rect;
  record(std::move(op));
}

DrawOp Canvas::text_op(int x, int y, std::string_view text) const {
  DrawOp op;
  op.kind = DrawKind::text;
  op.from = {x, y};
  op.text = std::string(text);
  op.color = font.color;
  op.background = background_color;
  op.font = font;
  const Size extent = text_extent(text);
  op.rect = {x, y, x + extent.width, y + extent.height};
  return op;
}

void Canvas::text_out(int x, int y, std::string_view text) {
  DrawOp op = text_op(x, y, text);
  op.opaque = background_mode == BackgroundMode::opaque;
  record(std::move(op));
}

void Canvas::ext_text_out(int x, int y, unsigned options, const Rect& rect, std::string_view text) {
  DrawOp op = text_op(x, y, text);
  op.opaque = (options & text_option::opaque) != 0;
  op.clipped = (options & text_option::clipped) != 0;
  if (op.opaque || op.clipped) op.rect = rect;
  record(std::move(op));
}

void Canvas::text_rect(const Rect& rect, int x, int y, std::string_view text) {
  const unsigned opaque = background_mode == BackgroundMode::opaque ? text_option::opaque : 0u;
  ext_text_out(x, y, text_option::clipped | opaque, rect, text);
}

Size Canvas::text_extent(std::string_view text) const { return ws::text_extent(font, text); }

FontMetrics Canvas::metrics() const { return font_metrics(font); }

template <typename PieceAction>
int Canvas::walk_tabs(int x, std::string_view text, std::span<const int> tab_stops, int tab_origin,
                      PieceAction on_piece) const {
  int position = x;
  std::size_t start = 0;
  while (true) {
    const std::size_t tab = text.find('\t', start);
    // Past the last tab the count runs beyond the end, which substr cuts.
    const std::string_view piece = text.substr(start, tab - start);
    on_piece(position, piece);
    position += text_extent(piece).width;
    if (tab == std::string_view::npos) return position;
    position = next_tab(position, tab_stops, tab_origin);
    start = tab + 1;
  }
}

int Canvas::next_tab(int x, std::span<const int> tab_stops, int tab_origin) const {
  const int default_spacing = 8 * metrics().average_width;
  if (tab_stops.size() > 1) {
    for (const int stop : tab_stops) {
      if (tab_origin + stop > x) return tab_origin + stop;
    }
  }
  int spacing = tab_stops.size() == 1 ? tab_stops[0] : default_spacing;
  if (spacing <= 0) spacing = default_spacing;
  return tab_origin + (floor_div(x - tab_origin, spacing) + 1) * spacing;
}

Size Canvas::tabbed_text_out(int x, int y, std::string_view text, std::span<const int> tab_stops, int tab_origin) {
  const int end = walk_tabs(x, text, tab_stops, tab_origin, [&](int position, std::string_view piece) {
    if (!piece.empty()) text_out(position, y, piece);
  });
  return {end - x, metrics().height};
}

Size Canvas::tabbed_text_extent(std::string_view text, std::span<const int> tab_stops) const {
  return {walk_tabs(0, text, tab_stops, 0, [](int, std::string_view) {}), metrics().height};
}

void Canvas::copy_from(const Rect& destination, const Canvas& source, Point source_origin) {
  DrawOp op;
  op.kind = DrawKind::block_transfer;
  op.rect = destination;
  op.from = source_origin;
  op.opaque = source.off_screen_;
  record(std::move(op));
  if (off_screen_ || !source.off_screen_ || display() == nullptr) return;
  const Point shift{destination.left - source_origin.x, destination.top - source_origin.y};
  for (const DrawOp& copied : source.own_operations_) {
    render_on_display(window_, copied, copied.picture.get(), shift, &destination);
  }
}

Rect Canvas::scroll(int dx, int dy, const Rect& area, const Rect& clip) {
  const Rect visible = intersect(area, clip);
  DrawOp op;
  op.kind = DrawKind::scroll;
  op.rect = visible;
  op.distance = {dx, dy};
  record(std::move(op));
  if (visible.empty() || (dx == 0 && dy == 0)) return {};
  const Rect moved = intersect(visible.offset(dx, dy), visible);
  if (moved.empty()) return visible;
  Rect uncovered;
  if (dy > 0) uncovered = unite(uncovered, {visible.left, visible.top, visible.right, moved.top});
  if (dy < 0) uncovered = unite(uncovered, {visible.left, moved.bottom, visible.right, visible.bottom});
  if (dx > 0) uncovered = unite(uncovered, {visible.left, visible.top, moved.left, visible.bottom});
  if (dx < 0) uncovered = unite(uncovered, {moved.right, visible.top, visible.right, visible.bottom});
  return uncovered;
}

void Canvas::draw_picture(const Rect& rect, const Picture& picture) {
  DrawOp op;
  op.kind = DrawKind::picture;
  op.rect = rect;
  op.to = {picture.width, picture.height};
  if (off_screen_ && display() != nullptr) op.picture = std::make_shared<const Picture>(picture);
  record(std::move(op), &picture);
}

void Canvas::draw_caret(const Rect& rect) {
  DrawOp op;
  op.kind = DrawKind::caret;
  op.rect = rect;
  record(std::move(op));
}

DrawingLog& drawing_log() {
  static DrawingLog log;
  return log;
}

void record_drawing(bool on) { drawing_log().recording = on; }

void reset_drawing_log() { drawing_log() = DrawingLog{}; }

std::vector<DrawOp> drawing_of(WindowHandle window) {
  std::vector<DrawOp> result;
  for (const DrawOp& op : drawing_log().operations) {
    if (op.window == window) result.push_back(op);
  }
  return result;
}

}  // namespace vx::ws
