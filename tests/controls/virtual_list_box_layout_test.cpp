#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "controls/virtual_list_box.h"
#include "list_box_fixture.h"
#include "platform/ws/font.h"
#include "support/typing_field.h"

namespace vx::controls {
namespace {

using ListBoxLayout = testing_support::ListBoxTest;

TEST_F(ListBoxLayout, ANewBoxHasItsDefaults) {
  box = std::make_unique<TOvcVirtualListBox>(form.get());
  EXPECT_TRUE(box->AutoRowHeight());
  EXPECT_EQ(box->Columns(), 255);
  EXPECT_EQ(box->Header(), "");
  EXPECT_EQ(box->HeaderColor().TextColor(), ws::color::button_text);
  EXPECT_EQ(box->HeaderColor().BackColor(), ws::color::button_face);
  EXPECT_TRUE(box->IntegralHeight());
  EXPECT_FALSE(box->MultiSelect());
  EXPECT_EQ(box->NumItems(), std::numeric_limits<std::int32_t>::max());
  EXPECT_FALSE(box->OwnerDraw);
  EXPECT_EQ(box->ProtectColor().TextColor(), ws::color::white);
  EXPECT_EQ(box->ProtectColor().BackColor(), ws::color::red);
  EXPECT_EQ(box->RowHeight(), 17);
  EXPECT_EQ(box->ScrollBars(), TScrollStyle::ssVertical);
  EXPECT_EQ(box->SelectColor().TextColor(), ws::color::highlight_text);
  EXPECT_EQ(box->SelectColor().BackColor(), ws::color::highlight);
  EXPECT_FALSE(box->ShowHeader());
  EXPECT_TRUE(box->SmoothScroll);
  EXPECT_FALSE(box->UseTabStops());
  EXPECT_EQ(box->WheelDelta, 3);
  EXPECT_EQ(box->ItemIndex(), -1);
  EXPECT_EQ(box->TopIndex(), 0);
  EXPECT_EQ(box->HOffset(), 0);
  EXPECT_EQ(box->width(), 100);
  EXPECT_EQ(box->height(), 150);
  EXPECT_EQ(box->color(), ws::color::window);
  EXPECT_TRUE(box->tab_stop());
}

TEST_F(ListBoxLayout, TheRowHeightFollowsTheFontUntilSetInCode) {
  box = std::make_unique<TOvcVirtualListBox>(form.get());
  // Stored while loading: the font still decides.
  box->SetRowHeight(16);
  EXPECT_EQ(box->RowHeight(), 16);
  EXPECT_TRUE(box->AutoRowHeight());
  box->set_font(ws::Font{"Courier New", 20, false});
  box->Loaded();
  const int font_height = ws::text_extent(box->font(), "Wy").height;
  ASSERT_NE(font_height, 16);
  EXPECT_EQ(box->RowHeight(), font_height);
  EXPECT_EQ(box->RowsPerPage(), box->ClientHeight() / font_height);

  box->set_font(ws::Font{"Courier New", 30, false});
  EXPECT_EQ(box->RowHeight(), ws::text_extent(box->font(), "Wy").height);

  // Set in code, it holds until the automatic height is switched back on.
  box->SetRowHeight(12);
  EXPECT_FALSE(box->AutoRowHeight());
  box->set_font(ws::Font{"Courier New", 20, false});
  EXPECT_EQ(box->RowHeight(), 12);
  box->SetAutoRowHeight(true);
  EXPECT_EQ(box->RowHeight(), font_height);
}

TEST_F(ListBoxLayout, AScaledFormScalesTheRowsAndTheLayoutFollows) {
  make_box();
  box->SetRowHeight(16);
  ASSERT_FALSE(box->AutoRowHeight());
  ASSERT_EQ(box->RowsPerPage(), 4);
  const std::vector<ws::DrawOp> ops = drawn_during([this] { box->ChangeScale(3, 2); });
  EXPECT_EQ(box->RowHeight(), 24);
  EXPECT_EQ(box->RowsPerPage(), 3) << "75 pixels hold three rows of 24";
  std::vector<int> rows;
  for (const ws::DrawOp& op : of_kind(ops, ws::DrawKind::text)) rows.push_back(op.from.y);
  EXPECT_EQ(rows, (std::vector<int>{0, 24, 48})) << "repainted in the new rows";
  EXPECT_EQ(texts(ops), (std::vector<std::string>{"item 0", "item 1", "item 2"}));

  box->ChangeScale(2, 2);
  EXPECT_EQ(box->RowHeight(), 24) << "no scale change";
  box->ChangeScale(5, 7);
  EXPECT_EQ(box->RowHeight(), 17) << "24 x 5 / 7 = 17.14 rounds to the nearest";
  box->ChangeScale(7, 10);
  EXPECT_EQ(box->RowHeight(), 12) << "17 x 7 / 10 = 11.9 rounds up";
  EXPECT_EQ(box->RowsPerPage(), 6);
}

TEST_F(ListBoxLayout, SmoothScrollingMovesInAboutFourSteps) {
  struct Case {
    bool smooth;
    std::int32_t from;
    int code;
    int position;
    std::vector<int> steps;
  };
  for (const Case& c : {Case{true, 0, ws::scroll_code::line_down, 0, {-2, -2, -2, -2, -2}},
                        Case{true, 5, ws::scroll_code::line_up, 0, {2, 2, 2, 2, 2}},
                        Case{true, 0, ws::scroll_code::page_down, 0, {-15, -15, -15, -15}},
                        Case{false, 0, ws::scroll_code::line_down, 0, {-10}},
                        Case{true, 0, ws::scroll_code::thumb_track, 3, {-30}},
                        Case{true, 0, ws::scroll_code::thumb_track, 500, {-70}}}) {
    make_box(2000);
    box->SmoothScroll = c.smooth;
    box->SetTopIndex(c.from);
    const std::vector<ws::DrawOp> ops = drawn_during([&] { vscroll(c.code, c.position); });
    std::vector<int> steps;
    for (const ws::DrawOp& op : of_kind(ops, ws::DrawKind::scroll)) {
      EXPECT_EQ(op.rect, (ws::Rect{0, 0, box->client_rect().right, 70}));
      steps.push_back(op.distance.y);
    }
    EXPECT_EQ(steps, c.steps) << c.smooth << " code " << c.code << " position " << c.position;
  }
}

TEST_F(ListBoxLayout, AResizeKeepsTheLastPageFull) {
  struct Case {
    std::int32_t count;
    std::int32_t top;
    int client;
    std::int32_t rows;
    std::int32_t new_top;
  };
  for (const Case& c : {Case{2000, 1993, 105, 10, 1990}, Case{2000, 100, 105, 10, 100}, Case{2000, 1993, 35, 3, 1993},
                        Case{5, 0, 35, 3, 0}, Case{5, 0, 200, 20, 0}}) {
    make_box(c.count);
    box->SetTopIndex(c.top);
    box->set_bounds(box->left(), box->top(), box->width(), box->height() + c.client - box->ClientHeight());
    ws::process_messages();
    EXPECT_EQ(box->RowsPerPage(), c.rows) << c.count << " " << c.client;
    EXPECT_EQ(box->TopIndex(), c.new_top) << c.count << " " << c.client;
  }
}

TEST_F(ListBoxLayout, TheHeaderRowIsDrawnAboveTheItems) {
  make_box(2000, [](TOvcVirtualListBox& b) {
    b.SetShowHeader(true);
    b.SetHeader("Name");
  });
  EXPECT_EQ(box->RowsPerPage(), 6);
  const std::vector<ws::DrawOp> ops = full_repaint();
  const std::vector<ws::DrawOp> fills = of_kind(ops, ws::DrawKind::fill);
  ASSERT_FALSE(fills.empty());
  EXPECT_EQ(fills.front().rect, (ws::Rect{0, 0, box->width(), 9}));
  EXPECT_EQ(fills.front().color, ws::color::button_face);
  const std::vector<ws::DrawOp> text_ops = of_kind(ops, ws::DrawKind::text);
  ASSERT_EQ(text_ops.size(), 7U);
  EXPECT_EQ(text_ops[0].text, "Name");
  EXPECT_EQ(text_ops[0].from, (ws::Point{2, 0}));
  EXPECT_EQ(text_ops[0].color, ws::color::button_text);
  EXPECT_EQ(text_ops[1].text, "item 0");
  EXPECT_EQ(text_ops[1].from, (ws::Point{2, 10}));
  const std::vector<ws::DrawOp> lines = of_kind(ops, ws::DrawKind::line);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front().from, (ws::Point{0, 9}));
  EXPECT_EQ(lines.front().to, (ws::Point{box->width(), 9}));
  EXPECT_EQ(lines.front().pen.color, ws::color::black);

  // A different text repaints; the same does not.
  EXPECT_TRUE(drawn_during([this] { box->SetHeader("Name"); }).empty());
  EXPECT_EQ(texts(drawn_during([this] { box->SetHeader("Size"); })).front(), "Size");
}

// The header's highlight runs up its left edge and along its top.
TEST_F(ListBoxLayout, TheHeaderHighlightIsDrawnOnlyWithTheThreeDLook) {
  for (const bool look : {true, false}) {
    make_box(2000, [](TOvcVirtualListBox& b) { b.SetShowHeader(true); });
    form->set_ctl3d(look);
    std::vector<ws::DrawOp> highlight;
    for (const ws::DrawOp& op : of_kind(full_repaint(), ws::DrawKind::line)) {
      // The border lies outside the client area and the scroll bar right of it.
      const bool in_header = std::min({op.from.x, op.from.y, op.to.x, op.to.y}) >= 0 &&
                             op.from.x < box->client_rect().right && std::max(op.from.y, op.to.y) < box->RowHeight();
      if (in_header && op.pen.color == ws::color::button_highlight) highlight.push_back(op);
    }
    if (!look) {
      EXPECT_TRUE(highlight.empty());
      continue;
    }
    ASSERT_EQ(highlight.size(), 2U);
    EXPECT_EQ(highlight[0].from, (ws::Point{0, 8}));
    EXPECT_EQ(highlight[0].to, (ws::Point{0, 0}));
    EXPECT_EQ(highlight[1].to, (ws::Point{box->width(), 0}));
  }
}

// A change of the 3-D look makes the window of a box with a single border
// again: a plain border, the layout of the larger client area, the focus
// rectangle back on item 0.
TEST_F(ListBoxLayout, TheThreeDLookRemakesTheWindowOfABoxWithASingleBorder) {
  struct Case {
    ws::BorderStyle border;
    bool remade;
  };
  for (const Case c : {Case{ws::BorderStyle::single, true}, Case{ws::BorderStyle::none, false}}) {
    make_box(2000, [&c](TOvcVirtualListBox& b) { b.set_border_style(c.border); });
    box->SetItemIndex(3);
    ASSERT_EQ(box->FocusIndex(), 3);
    const int client_height_3d = box->ClientHeight();
    box->set_ctl3d(false);
    EXPECT_EQ(box->FocusIndex(), c.remade ? 0 : 3);
    EXPECT_EQ(box->ItemIndex(), 3);
    EXPECT_EQ(box->ClientHeight(), client_height_3d + (c.remade ? 2 : 0));
  }
  // While the box is loading its window is not made yet.
  box = std::make_unique<TOvcVirtualListBox>(form.get());
  box->set_ctl3d(false);
  box->Loaded();
  EXPECT_FALSE(box->ctl3d());
}

TEST_F(ListBoxLayout, TheFocusRectangleFollowsTheFocus) {
  make_box(2000);
  box->SetItemIndex(3);
  test::TypingField field(form.get());
  field.set_bounds(250, 10, 80, 20);
  EXPECT_TRUE(of_kind(full_repaint(), ws::DrawKind::focus_rect).empty());

  std::vector<ws::DrawOp> ops = drawn_during([this] { box->set_focus(); });
  EXPECT_EQ(fetched, std::vector<std::int32_t>{3});
  std::vector<ws::DrawOp> frames = of_kind(ops, ws::DrawKind::focus_rect);
  ASSERT_EQ(frames.size(), 1U);
  EXPECT_EQ(frames.front().rect, (ws::Rect{0, 30, box->client_rect().right, 40}));

  // With no current item the rectangle is on item 0.
  frames = of_kind(drawn_during([this] { box->SetItemIndex(-1); }), ws::DrawKind::focus_rect);
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(frames.back().rect, (ws::Rect{0, 0, box->client_rect().right, 10}));

  ops = drawn_during([&] { field.set_focus(); });
  EXPECT_EQ(fetched, std::vector<std::int32_t>{0});
  EXPECT_TRUE(of_kind(ops, ws::DrawKind::focus_rect).empty());
}

TEST_F(ListBoxLayout, TabbedRowsStopAtTheDialogUnitPositions) {
  make_box(1, [](TOvcVirtualListBox& b) { b.SetUseTabStops(true); });
  box->OnGetItem = [](TOvcCustomVirtualListBox&, std::int32_t, std::string& text) { text = "a\tb"; };
  const int dialog_unit = ws::text_extent(box->font(), "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ").width /
                          52 / 4;
  ASSERT_GT(dialog_unit, 0);
  const std::int32_t stop = 16;
  ASSERT_EQ(send(ws::lb::set_tab_stops, 1, reinterpret_cast<ws::LParam>(&stop)), 1);
  const std::vector<ws::DrawOp> text_ops = of_kind(full_repaint(), ws::DrawKind::text);
  ASSERT_EQ(text_ops.size(), 2U);
  EXPECT_EQ(text_ops[0].from, (ws::Point{2, 0}));
  EXPECT_EQ(text_ops[1].text, "b");
  EXPECT_EQ(text_ops[1].from, (ws::Point{2 + 16 * dialog_unit, 0}));

  // A stop too far for the pixel range is taken without overflowing.
  const std::int32_t far = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(send(ws::lb::set_tab_stops, 1, reinterpret_cast<ws::LParam>(&far)), 1);
  EXPECT_EQ(texts(full_repaint()).size(), 2U);
}

TEST_F(ListBoxLayout, ChangedColoursRepaintTheBox) {
  make_box(2000);
  box->SetItemIndex(1);
  const std::vector<ws::DrawOp> ops = drawn_during([this] { box->SelectColor().SetBackColor(ws::color::lime); });
  EXPECT_EQ(texts(ops).size(), 7U);
  const std::vector<ws::DrawOp> fills = client_fills(ops);
  ASSERT_GE(fills.size(), 2U);
  EXPECT_EQ(fills[1].color, ws::color::lime);
}

TEST_F(ListBoxLayout, ABoxAlignedToASideHasNoIntegralHeight) {
  make_box(2000);
  box->SetIntegralHeight(false);
  box->SetIntegralHeight(true);
  EXPECT_TRUE(box->IntegralHeight());
  box->set_align(ws::Align::client);
  EXPECT_FALSE(box->IntegralHeight());
  box->SetIntegralHeight(true);
  EXPECT_FALSE(box->IntegralHeight());
}

}  // namespace
}  // namespace vx::controls
