#include "platform/ws/drawing.h"

#include <algorithm>
#include <cmath>

namespace vx::ws {

std::string display_caption(std::string_view caption) {
  std::string shown;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    shown += caption[i];
  }
  return shown;
}

namespace {

void draw_edge_in(Canvas& canvas, const Rect& rect, Color top_left, Color bottom_right) {
  canvas.pen = Pen{top_left, 1, PenStyle::solid};
  canvas.move_to(rect.left, rect.bottom - 1);
  canvas.line_to(rect.left, rect.top);
  canvas.line_to(rect.right - 1, rect.top);
  canvas.pen.color = bottom_right;
  canvas.line_to(rect.right - 1, rect.bottom - 1);
  canvas.line_to(rect.left, rect.bottom - 1);
}

Rect inset(const Rect& rect) { return {rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1}; }

}  // namespace

void draw_edge(Canvas& canvas, const Rect& rect, bool raised) {
  draw_edge_in(canvas, rect, raised ? color::button_highlight : color::button_shadow,
               raised ? color::button_shadow : color::button_highlight);
}

// Row by row: a pixel belongs to the circle when its centre lies inside it.
void draw_disc(Canvas& canvas, int left, int top, int diameter, Color color) {
  const double radius = diameter / 2.0;
  canvas.pen = Pen{color, 1, PenStyle::solid};
  for (int row = 0; row < diameter; ++row) {
    const double dy = row + 0.5 - radius;
    const double half = std::sqrt(std::max(0.0, radius * radius - dy * dy));
    const int first = static_cast<int>(std::ceil(radius - half - 0.5));
    const int last = static_cast<int>(std::floor(radius + half - 0.5));
    if (last < first) continue;
    canvas.move_to(left + first, top + row);
    canvas.line_to(left + last, top + row);
  }
}

void draw_sunken_border(Canvas& canvas, const Rect& rect) {
  draw_edge_in(canvas, rect, color::button_shadow, color::button_highlight);
  draw_edge_in(canvas, inset(rect), color::window_text, color::button_face);
}

void draw_button_border(Canvas& canvas, const Rect& rect) {
  draw_edge_in(canvas, rect, color::button_highlight, color::window_text);
  draw_edge_in(canvas, inset(rect), color::button_face, color::button_shadow);
}

void draw_frame(Canvas& canvas, const Rect& rect, Color color) {
  canvas.pen = Pen{color, 1, PenStyle::solid};
  canvas.move_to(rect.left, rect.top);
  canvas.line_to(rect.right - 1, rect.top);
  canvas.line_to(rect.right - 1, rect.bottom - 1);
  canvas.line_to(rect.left, rect.bottom - 1);
  canvas.line_to(rect.left, rect.top);
}

void draw_centered_text(Canvas& canvas, const Rect& rect, std::string_view text) {
  const Size extent = canvas.text_extent(text);
  canvas.background_mode = BackgroundMode::transparent;
  canvas.text_out(rect.left + (rect.width() - extent.width) / 2, rect.top + (rect.height() - extent.height) / 2, text);
}

std::vector<std::string> wrap_text(const Font& font, std::string_view text, int width) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find('\n', start);
    std::string_view paragraph = text.substr(start, end - start);
    if (!paragraph.empty() && paragraph.back() == '\r') paragraph.remove_suffix(1);
    std::string line;
    std::size_t word_start = 0;
    while (word_start <= paragraph.size()) {
      std::size_t word_end = paragraph.find(' ', word_start);
      if (word_end == std::string_view::npos) word_end = paragraph.size();
      const std::string_view word = paragraph.substr(word_start, word_end - word_start);
      const std::string candidate = line.empty() ? std::string(word) : line + " " + std::string(word);
      if (width > 0 && !line.empty() && text_extent(font, candidate).width > width) {
        lines.push_back(line);
        line = std::string(word);
      } else {
        line = candidate;
      }
      word_start = word_end + 1;
    }
    lines.push_back(line);
    if (end == std::string_view::npos) return lines;
    start = end + 1;
  }
}

}  // namespace vx::ws
