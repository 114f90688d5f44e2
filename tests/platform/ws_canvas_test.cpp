#include <algorithm>
#include <array>

#include "platform/ws/buttons.h"
#include "platform/ws/caret.h"
#include "platform/ws/controls.h"
#include "platform/ws/form.h"
#include "tests/platform/ws_test_support.h"

namespace vx::ws {
namespace {

using CanvasTest = testing_support::WindowSystemTest;

bool drew_text(const std::vector<DrawOp>& ops, const std::string& text) {
  return std::any_of(ops.begin(), ops.end(),
                     [&](const DrawOp& op) { return op.kind == DrawKind::text && op.text == text; });
}

TEST_F(CanvasTest, FormWithPanelLabelAndButtonRecordsTheDrawingOfAllThree) {
  record_drawing(true);
  Form form;
  form.set_bounds(0, 0, 400, 200);
  Panel panel(&form, "Ready");
  panel.set_bounds(0, 150, 400, 50);
  panel.set_bevel_outer(Bevel::lowered);
  Label label(&form, "Current Firmware:");
  label.set_bounds(10, 10, 0, 0);
  Button button(&form, "&Quit");
  button.set_bounds(10, 100, 75, 25);
  form.show();
  process_messages();

  const std::vector<DrawOp> panel_ops = drawing_of(panel.handle());
  EXPECT_TRUE(drew_text(panel_ops, "Ready"));
  EXPECT_TRUE(std::any_of(panel_ops.begin(), panel_ops.end(), [](const DrawOp& op) {
    return op.kind == DrawKind::line && op.color == color::button_shadow && op.from == Point{0, 49};
  })) << "a lowered bevel is dark along its top and left";
  const std::vector<DrawOp> label_ops = drawing_of(label.handle());
  EXPECT_TRUE(drew_text(label_ops, "Current Firmware:"));
  EXPECT_EQ(label.width(), text_extent(label.font(), "Current Firmware:").width) << "a label sizes to its text";
  const std::vector<DrawOp> button_ops = drawing_of(button.handle());
  EXPECT_TRUE(drew_text(button_ops, "Quit")) << "the accelerator mark is not drawn";
  EXPECT_TRUE(std::any_of(button_ops.begin(), button_ops.end(),
                          [](const DrawOp& op) { return op.kind == DrawKind::focus_rect; }))
      << "the focused button shows its focus";
  EXPECT_FALSE(drawing_of(form.handle()).empty());

  reset_drawing_log();
  record_drawing(true);
  process_messages();
  EXPECT_TRUE(drawing_log().operations.empty()) << "nothing is painted twice";
}

TEST_F(CanvasTest, HeadlessMetricsAreFixedAndTellNarrowFromWide) {
  const Font sans;  // MS Sans Serif, 11 pixels
  EXPECT_LT(char_width(sans, 'i'), char_width(sans, 'n'));
  EXPECT_LT(char_width(sans, 'n'), char_width(sans, 'W'));
  const FontMetrics metrics = font_metrics(sans);
  EXPECT_EQ(metrics.height, 13);
  EXPECT_EQ(metrics.average_width, 6);
  EXPECT_EQ(metrics.ascent + metrics.descent, metrics.height);
  Font courier{"Courier New", 13, true};
  EXPECT_EQ(char_width(courier, 'i'), char_width(courier, 'W')) << "fixed pitch";
  EXPECT_EQ(font_metrics(courier).height, 16) << "the row height of the status list";
  EXPECT_EQ(text_extent(courier, "Wy").height, 16);
  Font bold = sans;
  bold.bold = true;
  EXPECT_EQ(char_width(bold, 'n'), char_width(sans, 'n') + 1);
}

TEST_F(CanvasTest, TabbedTextMovesToTheStops) {
  Canvas canvas(no_window, {0, 0, 500, 100});
  canvas.font = Font{"Courier New", 13};  // 8 pixels a character
  const std::array<int, 2> stops{40, 100};
  const Size extent = canvas.tabbed_text_out(5, 0, "ab\tc\td\te", stops, 5);
  // "ab" ends at 21, next stop 5+40=45; "c" ends at 53, next 105; "d" ends at 113,
  // beyond the stops the default spacing of 64 from the origin: 133; "e" ends at 141.
  EXPECT_EQ(extent.width, 141 - 5);
  const std::array<int, 1> every{32};
  EXPECT_EQ(canvas.tabbed_text_extent("\t\tx", every).width, 64 + 8);
  EXPECT_EQ(canvas.tabbed_text_extent("x\t", {}).width, 64);
}

TEST_F(CanvasTest, ScrollingReturnsTheUncoveredStrip) {
  Canvas canvas(no_window, {0, 0, 100, 112});
  const Rect area{0, 0, 100, 112};
  struct Case {
    int dx;
    int dy;
    Rect clip;
    Rect uncovered;
  };
  const Case cases[] = {
      {0, 32, area, {0, 0, 100, 32}},        // picture moves down: the top strip
      {0, -16, area, {0, 96, 100, 112}},     // up: the bottom strip
      {-10, 0, area, {90, 0, 100, 112}},     // left: the right strip
      {0, 200, area, area},                  // further than the area: all of it
      {0, 16, {0, 0, 100, 50}, {0, 0, 100, 16}},  // clipped to the clip rectangle
      {0, 0, area, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(canvas.scroll(c.dx, c.dy, area, c.clip), c.uncovered) << c.dx << "," << c.dy;
  }
}

TEST_F(CanvasTest, OffScreenBitmapKeepsItsOwnOperationsAndIsCopiedInOneTransfer) {
  record_drawing(true);
  struct DoubleBuffered : Window {
    LResult window_proc(Message& m) override { return m.id == msg::erase_background ? 1 : Window::window_proc(m); }
    void paint(Canvas& canvas) override {
      Bitmap buffer(width(), height());
      buffer.font = canvas.font;
      buffer.text_out(2, 1, "12345");
      canvas.copy_from({0, 0, width(), height()}, buffer, {0, 0});
      buffer_ops = buffer.operations();
    }
    std::vector<DrawOp> buffer_ops;
  } field;
  field.set_bounds(0, 0, 80, 20);
  process_messages();
  ASSERT_EQ(field.buffer_ops.size(), 1u);
  EXPECT_EQ(field.buffer_ops[0].text, "12345");
  const std::vector<DrawOp> screen = drawing_of(field.handle());
  ASSERT_EQ(screen.size(), 1u) << "no erase, one block transfer";
  EXPECT_EQ(screen[0].kind, DrawKind::block_transfer);
}

TEST_F(CanvasTest, ClippedOpaqueTextRecordsItsRectangleAndColours) {
  Canvas canvas(no_window, {0, 0, 50, 20});
  Bitmap bitmap(50, 20);
  bitmap.font.color = color::red;
  bitmap.background_color = color::yellow;
  bitmap.text_rect({0, 0, 50, 16}, 2, 0, "A");
  const DrawOp& op = bitmap.operations().at(0);
  EXPECT_TRUE(op.clipped);
  EXPECT_TRUE(op.opaque);
  EXPECT_EQ(op.rect, (Rect{0, 0, 50, 16}));
  EXPECT_EQ(op.color, color::red);
  EXPECT_EQ(op.background, color::yellow);
}

TEST_F(CanvasTest, ScrollBarsAreDrawnBesideTheClientArea) {
  record_drawing(true);
  Window list;
  list.set_bounds(0, 0, 100, 112);
  list.show_scroll_bar(ScrollBarKind::vertical, true);
  EXPECT_EQ(list.client_rect(), (Rect{0, 0, 100 - scroll_bar_size, 112}));
  list.set_scroll_info(ScrollBarKind::vertical, {0, 1999, 7, 5000});
  EXPECT_EQ(list.scroll_info(ScrollBarKind::vertical).position, 1993) << "the position keeps a full last page";
  process_messages();
  const std::vector<DrawOp> ops = drawing_of(list.handle());
  EXPECT_TRUE(std::any_of(ops.begin(), ops.end(), [](const DrawOp& op) {
    return op.kind == DrawKind::fill && op.rect.left == 84 && op.rect.bottom == 112 - scroll_bar_size;
  })) << "the thumb sits at the end of the track";
}

TEST_F(CanvasTest, ScrollBarOfTheWidestRangeAndAShortTrackDrawSafely) {
  record_drawing(true);
  Window narrow;
  narrow.set_bounds(0, 0, 40, 36);  // four pixels of track between the arrows
  narrow.show_scroll_bar(ScrollBarKind::vertical, true);
  narrow.set_scroll_info(ScrollBarKind::vertical, {0, 2147483647, 2147483647, 2147483647});
  EXPECT_EQ(narrow.scroll_info(ScrollBarKind::vertical).page, 2147483647);
  narrow.set_scroll_info(ScrollBarKind::vertical, {-2147483647 - 1, 2147483647, 7, 2147483647});
  EXPECT_EQ(narrow.scroll_info(ScrollBarKind::vertical).position, 2147483647 - 6);
  process_messages();
  for (const DrawOp& op : drawing_of(narrow.handle())) {
    EXPECT_LE(op.rect.bottom, 36);
    EXPECT_GE(op.rect.top, 0);
  }
}

TEST_F(CanvasTest, CaretShowsAfterAsManyShowsAsHides) {
  record_drawing(true);
  Window field;
  field.set_bounds(0, 0, 80, 20);
  create_caret(field, 2, 13);
  EXPECT_FALSE(caret().visible()) << "a new caret is hidden";
  show_caret(field);
  hide_caret(field);
  hide_caret(field);
  show_caret(field);
  EXPECT_FALSE(caret().visible());
  show_caret(field);
  set_caret_position(10, 3);
  EXPECT_TRUE(caret().visible());
  process_messages();
  const std::vector<DrawOp> ops = drawing_of(field.handle());
  EXPECT_TRUE(std::any_of(ops.begin(), ops.end(), [](const DrawOp& op) {
    return op.kind == DrawKind::caret && op.rect == Rect{10, 3, 12, 16};
  }));
  Window other;
  show_caret(other);
  hide_caret(other);
  EXPECT_TRUE(caret().visible()) << "only the owner shows or hides it";
}

TEST_F(CanvasTest, RedrawSwitchedOffHoldsPaintingBack) {
  record_drawing(true);
  Window window;
  window.set_bounds(0, 0, 20, 20);
  window.perform(msg::set_redraw, 0);
  process_messages();
  EXPECT_TRUE(drawing_of(window.handle()).empty());
  window.perform(msg::set_redraw, 1);
  process_messages();
  EXPECT_FALSE(drawing_of(window.handle()).empty()) << "what became invalid meanwhile is painted";
}

TEST_F(CanvasTest, AlignedChildrenShareTheClientArea) {
  Form form;
  form.set_bounds(0, 0, 300, 200);
  Panel top(&form);
  top.set_bounds(0, 0, 10, 30);
  top.set_align(Align::top);
  Panel bottom(&form);
  bottom.set_bounds(0, 0, 10, 40);
  bottom.set_align(Align::bottom);
  Window client(&form);
  client.set_align(Align::client);
  EXPECT_EQ(top.bounds(), (Rect{0, 0, 300, 30}));
  EXPECT_EQ(bottom.bounds(), (Rect{0, 160, 300, 200}));
  EXPECT_EQ(client.bounds(), (Rect{0, 30, 300, 160}));
  int resized = 0;
  client.on_resize = [&](Window&) { ++resized; };
  form.set_bounds(0, 0, 300, 300);
  EXPECT_EQ(client.bounds(), (Rect{0, 30, 300, 260}));
  EXPECT_EQ(resized, 1);
}

// A control takes the 3-D look from its parent: a single border is a sunken
// two-pixel edge with it and a plain one-pixel line without it.
TEST_F(CanvasTest, TheThreeDLookComesFromTheParentAndShapesASingleBorder) {
  Form form;
  form.set_bounds(0, 0, 300, 200);
  form.show();
  Window bordered(&form);
  bordered.set_border_style(BorderStyle::single);
  bordered.set_bounds(10, 10, 100, 50);
  Window own_look(&form);
  own_look.set_border_style(BorderStyle::single);
  own_look.set_bounds(10, 100, 100, 50);
  own_look.set_ctl3d(true);
  EXPECT_TRUE(bordered.ctl3d());
  EXPECT_EQ(bordered.client_rect(), (Rect{0, 0, 96, 46}));
  int resized = 0;
  bordered.on_resize = [&](Window&) { ++resized; };

  form.set_ctl3d(false);
  EXPECT_FALSE(bordered.ctl3d());
  EXPECT_TRUE(own_look.ctl3d()) << "a look of its own stays";
  EXPECT_EQ(bordered.client_rect(), (Rect{0, 0, 98, 48}));
  EXPECT_EQ(resized, 1);
  record_drawing(true);
  process_messages();
  const std::vector<DrawOp> lines = [&] {
    std::vector<DrawOp> result;
    for (const DrawOp& op : drawing_of(bordered.handle())) {
      if (op.kind == DrawKind::line) result.push_back(op);
    }
    return result;
  }();
  ASSERT_EQ(lines.size(), 4U) << "one plain line round the window";
  for (const DrawOp& op : lines) EXPECT_EQ(op.color, color::window_text);
}

}  // namespace
}  // namespace vx::ws
