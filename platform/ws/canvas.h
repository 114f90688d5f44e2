#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ws/color.h"
#include "platform/ws/font.h"
#include "platform/ws/types.h"

namespace vx::ws {

struct Picture;

enum class PenStyle { solid, dash, dot, dash_dot, clear };

struct Pen {
  Color color = color::black;
  int width = 1;
  PenStyle style = PenStyle::solid;
  friend bool operator==(const Pen&, const Pen&) = default;
};

struct Brush {
  Color color = color::white;
  bool clear = false;
};

enum class BackgroundMode { opaque, transparent };

// Options of clipped text output.
namespace text_option {
inline constexpr unsigned clipped = 1;
inline constexpr unsigned opaque = 2;
}  // namespace text_option

enum class DrawKind { fill, text, line, focus_rect, block_transfer, scroll, picture, caret };

// One recorded drawing operation. Which fields mean something depends on
// the kind: `rect` is the filled, framed, scrolled or covered rectangle
// (and the clip rectangle of clipped text), `from`/`to` the ends of a line
// or the origin of a text, `color` the fill, pen or text colour.
struct DrawOp {
  WindowHandle window = no_window;  // no_window on an off-screen canvas
  DrawKind kind = DrawKind::fill;
  Rect rect;
  Point from;
  Point to;
  std::string text;
  Color color = color::black;
  Color background = color::white;
  bool opaque = false;
  bool clipped = false;
  Font font;
  Pen pen;
  Point distance;  // of a scroll
  // The pixels of a picture drawn off-screen while a display is used, for
  // when the canvas is copied to a window.
  std::shared_ptr<const Picture> picture;
};

// The drawing surface. It keeps the drawing state of a device context and
// records every operation: a window's canvas into the screen log (see
// record_drawing), an off-screen canvas into its own list. With a display a
// window's canvas also renders each operation into pixels.
class Canvas {
 public:
  // A canvas on a window's client area, clipped to `clip`.
  Canvas(WindowHandle window, const Rect& clip);

  Font font;
  Pen pen;
  Brush brush;
  BackgroundMode background_mode = BackgroundMode::opaque;
  Color background_color = color::white;

  WindowHandle window() const { return window_; }
  Rect clip_box() const { return clip_; }

  void fill_rect(const Rect& rect);
  void move_to(int x, int y);
  void line_to(int x, int y);
  void draw_focus_rect(const Rect& rect);

  // Text at (x, y), its background filled when the mode is opaque.
  void text_out(int x, int y, std::string_view text);
  // Text with text_option flags: clipped to `rect`, and `rect` filled first when opaque.
  void ext_text_out(int x, int y, unsigned options, const Rect& rect, std::string_view text);
  // Clipped text output, opaque when the background mode is.
  void text_rect(const Rect& rect, int x, int y, std::string_view text);
  Size text_extent(std::string_view text) const;
  FontMetrics metrics() const;

  // Tab characters move to the next stop: no stops means every eight
  // average character widths, one stop means every that many pixels,
  // more are positions; all are counted from `tab_origin`.
  Size tabbed_text_out(int x, int y, std::string_view text, std::span<const int> tab_stops, int tab_origin);
  Size tabbed_text_extent(std::string_view text, std::span<const int> tab_stops) const;

  // Copies `source`'s pixels from `source_origin` into `destination`.
  void copy_from(const Rect& destination, const Canvas& source, Point source_origin);
  // Moves the pixels of `area` (within `clip`) by (dx, dy); returns the
  // rectangle the move uncovered, which the caller must paint.
  Rect scroll(int dx, int dy, const Rect& area, const Rect& clip);
  void draw_picture(const Rect& rect, const Picture& picture);
  void draw_caret(const Rect& rect);

  // The operations of an off-screen canvas; empty for a window's.
  const std::vector<DrawOp>& operations() const { return own_operations_; }

 protected:
  // An off-screen canvas of the given size.
  explicit Canvas(Size size);

 private:
  void record(DrawOp op, const Picture* picture = nullptr);
  DrawOp text_op(int x, int y, std::string_view text) const;
  int next_tab(int x, std::span<const int> tab_stops, int tab_origin) const;
  // Lays out text with tabs from x; calls on_piece(x, piece) for each run
  // between tabs and returns where the text ends.
  template <typename PieceAction>
  int walk_tabs(int x, std::string_view text, std::span<const int> tab_stops, int tab_origin,
                PieceAction on_piece) const;

  WindowHandle window_ = no_window;
  Rect clip_;
  Point pen_position_;
  bool off_screen_ = false;
  std::vector<DrawOp> own_operations_;
};

// An off-screen picture to paint into and copy to the screen in one go.
class Bitmap : public Canvas {
 public:
  Bitmap(int width, int height) : Canvas(Size{width, height}), size_{width, height} {}
  Size size() const { return size_; }

 private:
  Size size_;
};

// The screen log: while recording is on, every window canvas adds its
// operations here in the order they are drawn. Off by default, so a long
// headless run keeps nothing.
struct DrawingLog {
  bool recording = false;
  std::vector<DrawOp> operations;
};
DrawingLog& drawing_log();
void record_drawing(bool on);
void reset_drawing_log();
// The recorded operations of one window.
std::vector<DrawOp> drawing_of(WindowHandle window);

}  // namespace vx::ws
