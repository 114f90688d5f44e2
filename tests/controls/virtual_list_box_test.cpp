#include "controls/virtual_list_box.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "controls/exceptions.h"
#include "list_box_fixture.h"
#include "platform/ws/input.h"

namespace vx::controls {
namespace {

constexpr std::int32_t largest = std::numeric_limits<std::int32_t>::max();

using VirtualListBox = testing_support::ListBoxTest;

TEST_F(VirtualListBox, TheScrollScaleKeepsPositionsWithin16BitsAndTheThumbFindsTheTop) {
  struct Case {
    std::int32_t count;
    std::int32_t stored_count;
    int range;
    int page;
    int thumb;
    std::int32_t top;
  };
  // Divisors: 2000 -> 1, 40000 -> 2, 100000 -> 6, 1000000 -> 60, 2147483647 -> 131070. The page is
  // given in the divided units, and the thumb's last reachable position shows the last page.
  for (const Case& c : {Case{2000, 2000, 2000, 7, 50, 50}, Case{2000, 2000, 2000, 7, 2000, 1993},
                        Case{2000, 2000, 2000, 7, 1993, 1993}, Case{40000, 40000, 20000, 3, 100, 200},
                        Case{40000, 40000, 20000, 3, 19997, 39993}, Case{100000, 100000, 16666, 1, 100, 600},
                        Case{100000, 100000, 16666, 1, 16666, 99993}, Case{100000, 100000, 16666, 1, 16665, 99993},
                        Case{1000000, 1000000, 16666, 1, 16664, 999840},
                        Case{1000000, 1000000, 16666, 1, 16665, 999993},
                        Case{-5, largest, 16384, 1, 100, 13107000}, Case{-5, largest, 16384, 1, 16383, largest - 7},
                        Case{-5, largest, 16384, 1, 16384, largest - 7}, Case{-5, largest, 16384, 1, 0, 0}}) {
    make_box(2000);
    box->SetTopIndex(10);
    box->SetNumItems(c.count);
    EXPECT_EQ(box->NumItems(), c.stored_count) << c.count;
    const ws::ScrollInfo bar = box->scroll_info(ws::ScrollBarKind::vertical);
    EXPECT_EQ(bar.max, c.range - 1) << c.count;
    EXPECT_EQ(bar.page, c.page) << c.count;
    vscroll(ws::scroll_code::thumb_track, c.thumb);
    EXPECT_EQ(box->TopIndex(), c.top) << c.count << " thumb " << c.thumb;
  }
}

TEST_F(VirtualListBox, ScrollCodesMoveTheTopByLinesAndPagesWithinTheList) {
  make_box(2000);
  struct Case {
    std::int32_t from;
    int code;
    std::int32_t top;
  };
  for (const Case& c : {Case{0, ws::scroll_code::line_down, 1}, Case{5, ws::scroll_code::line_up, 4},
                        Case{0, ws::scroll_code::line_up, 0}, Case{0, ws::scroll_code::page_down, 6},
                        Case{10, ws::scroll_code::page_up, 4}, Case{3, ws::scroll_code::page_up, 0},
                        Case{1990, ws::scroll_code::page_down, 1993}, Case{1993, ws::scroll_code::line_down, 1993},
                        Case{20, ws::scroll_code::top, 20}, Case{20, ws::scroll_code::bottom, 20},
                        Case{20, ws::scroll_code::end_scroll, 20}}) {
    box->SetTopIndex(c.from);
    vscroll(c.code);
    EXPECT_EQ(box->TopIndex(), c.top) << "from " << c.from << " code " << c.code;
  }
}

TEST_F(VirtualListBox, TheTopIsClampedSoTheLastPageIsFullAndEachChangeIsReportedOnce) {
  make_box(2000);
  box->SetTopIndex(1999);
  EXPECT_EQ(box->TopIndex(), 1993);
  box->SetTopIndex(1993);
  box->SetTopIndex(1999);
  box->SetTopIndex(-4);
  box->SetTopIndex(2000);
  box->SetTopIndex(0);
  EXPECT_EQ(tops, (std::vector<std::int32_t>{1993, 0}));
  EXPECT_EQ(send(ws::lb::get_top_index), 0);
}

TEST_F(VirtualListBox, TheSameCountChangesAndRepaintsNothing) {
  make_box(2000);
  box->SetTopIndex(50);
  const std::vector<ws::DrawOp> ops = drawn_during([this] { box->SetNumItems(2000); });
  EXPECT_TRUE(ops.empty());
  EXPECT_TRUE(fetched.empty());
  EXPECT_EQ(box->TopIndex(), 50);
}

TEST_F(VirtualListBox, ACountBelowTheCurrentItemDeselectsAndFillsTheLastPage) {
  make_box(2000);
  box->SetItemIndex(1500);
  box->SetNumItems(1000);
  EXPECT_EQ(box->ItemIndex(), -1);
  EXPECT_EQ(box->TopIndex(), 993);
  EXPECT_EQ(box->LastIndex(), 999);

  // No items: the top stays and only the background is painted.
  box->SetNumItems(0);
  EXPECT_EQ(box->TopIndex(), 993);
  const std::vector<ws::DrawOp> ops = full_repaint();
  EXPECT_TRUE(texts(ops).empty());
  const std::vector<ws::DrawOp> fills = client_fills(ops);
  ASSERT_FALSE(fills.empty());
  EXPECT_EQ(fills.back().rect, (ws::Rect{0, 0, box->client_rect().right, client_height}));
  EXPECT_EQ(fills.back().color, box->color());
  EXPECT_TRUE(fetched.empty());
}

TEST_F(VirtualListBox, SetItemIndexClampsScrollsAndMovesTheFocus) {
  struct Case {
    std::int32_t count;
    std::int32_t before;
    std::int32_t index;
    std::int32_t item;
    std::int32_t focus;
    std::int32_t top;
  };
  int clicks = 0;
  for (const Case& c : {Case{2000, -1, 5000, 1999, 1999, 1993}, Case{2000, -1, 3, 3, 3, 0},
                        Case{2000, 20, -1, -1, 0, 14}, Case{2000, 20, -5, -1, 0, 14},
                        Case{2000, 20, 2, 2, 2, 2}, Case{0, -1, 5, -1, 0, 0}}) {
    make_box(c.count);
    box->SetItemIndex(c.before);
    clicks = 0;
    box->on_click = [&](ws::Window&) { ++clicks; };
    box->SetItemIndex(c.index);
    EXPECT_EQ(box->ItemIndex(), c.item) << c.index;
    EXPECT_EQ(box->FocusIndex(), c.focus) << c.index;
    EXPECT_EQ(box->TopIndex(), c.top) << c.index;
    EXPECT_EQ(clicks, c.item != c.before ? 1 : 0) << c.index;
    EXPECT_EQ(send(ws::lb::get_cur_sel), c.item);
    EXPECT_EQ(send(ws::lb::get_caret_index), c.focus);
  }
}

TEST_F(VirtualListBox, ThePartialBottomStripIsFilledWithTheBoxColourNeverAnItem) {
  make_box(2000);
  box->set_color(ws::color::yellow);
  const std::vector<ws::DrawOp> ops = full_repaint();
  EXPECT_EQ(texts(ops), (std::vector<std::string>{"item 0", "item 1", "item 2", "item 3", "item 4", "item 5",
                                                  "item 6"}));
  const std::vector<ws::DrawOp> fills = client_fills(ops);
  ASSERT_EQ(fills.size(), 8U);
  EXPECT_EQ(fills.back().rect, (ws::Rect{0, 70, box->client_rect().right, 75}));
  EXPECT_EQ(fills.back().color, ws::color::yellow);
  for (const ws::DrawOp& text : of_kind(ops, ws::DrawKind::text)) EXPECT_LT(text.from.y, 70);

  // A short list: everything below its last row is the box colour.
  box->SetNumItems(3);
  const std::vector<ws::DrawOp> short_fills = client_fills(full_repaint());
  ASSERT_FALSE(short_fills.empty());
  EXPECT_EQ(short_fills.back().rect, (ws::Rect{0, 30, box->client_rect().right, 75}));
}

TEST_F(VirtualListBox, ARepaintFetchesOnePageAndARedrawOneRow) {
  make_box(2000);
  box->SetTopIndex(100);
  full_repaint();
  EXPECT_EQ(fetched, (std::vector<std::int32_t>{100, 101, 102, 103, 104, 105, 106}));

  fetched.clear();
  box->RedrawItem(103);
  EXPECT_EQ(fetched, std::vector<std::int32_t>{103});
  fetched.clear();
  box->RedrawItem(99);
  box->RedrawItem(107);
  EXPECT_TRUE(fetched.empty());

  // A scroll by lines fetches only the rows it uncovers.
  const std::vector<ws::DrawOp> ops = drawn_during([this] { vscroll(ws::scroll_code::line_down); });
  EXPECT_EQ(fetched, std::vector<std::int32_t>{107});
  EXPECT_EQ(texts(ops), std::vector<std::string>{"item 107"});
  EXPECT_FALSE(of_kind(ops, ws::DrawKind::scroll).empty());
  // The scroll bar is drawn with the uncovered row.
  EXPECT_TRUE(std::ranges::any_of(of_kind(ops, ws::DrawKind::fill), [this](const ws::DrawOp& op) {
    return op.rect.left >= box->client_rect().right;
  }));
}

TEST_F(VirtualListBox, RowsAreDrawnInTheirColours) {
  make_box(2000);
  box->OnGetItemStatus = [](TOvcCustomVirtualListBox&, std::int32_t index, bool& protect) { protect = index == 4; };
  box->OnGetItemColor = [](TOvcCustomVirtualListBox&, std::int32_t index, ws::Color& fg, ws::Color& bg) {
    if (index == 1) {
      fg = ws::color::navy;
      bg = ws::color::silver;
    }
  };
  box->SetItemIndex(2);
  const std::vector<ws::DrawOp> text_ops = of_kind(full_repaint(), ws::DrawKind::text);
  ASSERT_EQ(text_ops.size(), 7U);
  EXPECT_EQ(text_ops[0].color, box->font().color);
  EXPECT_EQ(text_ops[1].color, ws::color::navy);
  EXPECT_EQ(text_ops[2].color, box->SelectColor().TextColor());
  EXPECT_EQ(text_ops[4].color, box->ProtectColor().TextColor());
  EXPECT_EQ(text_ops[2].from, (ws::Point{2, 20}));
  EXPECT_EQ(text_ops[2].rect, (ws::Rect{0, 20, box->client_rect().right, 30}));
}

TEST_F(VirtualListBox, TextsLongerThan255CharactersAreCut) {
  make_box(3, [](TOvcVirtualListBox& b) { b.SetShowHeader(true); });
  const std::string long_text(300, 'x');
  box->SetHeader(long_text);
  box->OnGetItem = [&](TOvcCustomVirtualListBox&, std::int32_t, std::string& text) { text = long_text; };
  std::vector<ws::DrawOp> text_ops = of_kind(full_repaint(), ws::DrawKind::text);
  ASSERT_EQ(text_ops.size(), 4U);
  for (const ws::DrawOp& op : text_ops) EXPECT_EQ(op.text, std::string(255, 'x'));

  std::vector<std::size_t> sizes;
  box->OwnerDraw = true;
  box->OnDrawItem = [&](TOvcCustomVirtualListBox&, std::int32_t, const ws::Rect&, std::string_view s) {
    sizes.push_back(s.size());
  };
  full_repaint();
  EXPECT_EQ(sizes, (std::vector<std::size_t>{255, 255, 255}));
}

TEST_F(VirtualListBox, WithoutASupplierEveryRowShowsTheWarning) {
  make_box(2);
  box->OnGetItem = nullptr;
  EXPECT_EQ(texts(full_repaint()), (std::vector<std::string>{"0. *** Warning *** OnGetItem not assigned!",
                                                             "1. *** Warning *** OnGetItem not assigned!"}));
}

TEST_F(VirtualListBox, AMismatchedEndUpdateThrowsAndTheBoxGoesOnPainting) {
  make_box(0);
  EXPECT_THROW(
      {
        try {
          box->EndUpdate();
        } catch (const EOvcException& error) {
          EXPECT_STREQ(error.what(), "Mismatched BeginUpdate/EndUpdate");
          throw;
        }
      },
      EOvcException);
  // The status output's sequence for three new lines.
  const std::vector<ws::DrawOp> ops = drawn_during([this] {
    for (std::int32_t count = 1; count <= 3; ++count) {
      box->BeginUpdate();
      box->SetNumItems(count);
      box->SetTopIndex(count - 1);
      box->RedrawItem(count - 1);
      box->EndUpdate();
      box->update();
    }
  });
  const std::vector<std::string> drawn = texts(ops);
  for (const char* line : {"item 0", "item 1", "item 2"}) {
    EXPECT_NE(std::ranges::find(drawn, line), drawn.end()) << line;
  }
  EXPECT_NO_THROW(box->BeginUpdate());
  EXPECT_NO_THROW(box->EndUpdate());
}

TEST_F(VirtualListBox, EachStatusLineFetchesAtMostAPageAndEndsInTheLastWholeRow) {
  make_box(0);
  constexpr std::int32_t most_lines = 2000;
  std::size_t most_fetched = 0;
  for (std::int32_t line = 1; line <= most_lines + 5; ++line) {
    const std::int32_t count = std::min(line, most_lines);
    drawn_during([&] {
      box->BeginUpdate();
      if (count != box->NumItems()) box->SetNumItems(count);
      if (box->TopIndex() != count - 1) box->SetTopIndex(count - 1);
      box->RedrawItem(count - 1);
      if (box->ItemIndex() != -1) box->SetItemIndex(-1);
      box->EndUpdate();
      box->update();
    });
    most_fetched = std::max(most_fetched, fetched.size());
    if (line == 3) box->SetItemIndex(1);
  }
  EXPECT_GT(most_fetched, 0U);
  EXPECT_LE(most_fetched, 7U);
  EXPECT_EQ(box->TopIndex(), 1993);
  EXPECT_EQ(box->ItemIndex(), -1);
  const std::vector<ws::DrawOp> text_ops = of_kind(full_repaint(), ws::DrawKind::text);
  ASSERT_EQ(text_ops.size(), 7U);
  EXPECT_EQ(text_ops.back().text, "item 1999");
  EXPECT_EQ(text_ops.back().from.y, 60);
}

TEST_F(VirtualListBox, NothingIsDrawnWhileUpdatesAreSuspended) {
  make_box(2000);
  box->BeginUpdate();
  box->BeginUpdate();
  EXPECT_TRUE(texts(full_repaint()).empty());
  box->EndUpdate();
  EXPECT_TRUE(texts(full_repaint()).empty());
  EXPECT_EQ(texts(drawn_during([this] { box->EndUpdate(); })).size(), 7U);
}

TEST_F(VirtualListBox, RowHeightsBelowOneAreIgnored) {
  make_box(2000);
  for (const std::int32_t height : {0, -3}) {
    box->SetRowHeight(height);
    EXPECT_EQ(box->RowHeight(), row_height) << height;
    EXPECT_EQ(box->RowsPerPage(), 7) << height;
  }
  box->SetRowHeight(25);
  EXPECT_EQ(box->RowsPerPage(), 3);
  EXPECT_FALSE(box->AutoRowHeight());
  EXPECT_EQ(send(ws::lb::get_item_height), 25);
}

TEST_F(VirtualListBox, ColumnsBelowZeroReadZeroAndTheHorizontalOffsetStaysWithinThem) {
  make_box(2000, [](TOvcVirtualListBox& b) { b.SetScrollBars(TScrollStyle::ssBoth); });
  box->SetColumns(-3);
  EXPECT_EQ(box->Columns(), 0);
  send(ws::msg::hscroll, ws::scroll_code::line_down);
  EXPECT_EQ(box->HOffset(), 0);

  box->SetColumns(20);
  struct Case {
    int code;
    int position;
    std::int32_t offset;
  };
  for (const Case& c : {Case{ws::scroll_code::page_down, 0, 10}, Case{ws::scroll_code::line_down, 0, 11},
                        Case{ws::scroll_code::page_down, 0, 20}, Case{ws::scroll_code::line_down, 0, 20},
                        Case{ws::scroll_code::line_up, 0, 19}, Case{ws::scroll_code::thumb_track, 3, 3},
                        Case{ws::scroll_code::page_up, 0, 0}, Case{ws::scroll_code::line_up, 0, 0}}) {
    send(ws::msg::hscroll, static_cast<ws::WParam>(c.code) | static_cast<ws::WParam>(c.position) << 16);
    EXPECT_EQ(box->HOffset(), c.offset) << c.code;
  }
  EXPECT_EQ(box->scroll_info(ws::ScrollBarKind::horizontal), (ws::ScrollInfo{0, 20, 10, 0}));

  // Rows are drawn from the offset on; a text no longer than it draws nothing.
  box->SetNumItems(20);
  send(ws::msg::hscroll, ws::scroll_code::thumb_track | 5 << 16);
  const std::vector<std::string> drawn = texts(full_repaint());
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(drawn.front(), "0");
  box->SetNumItems(19);
  EXPECT_EQ(box->HOffset(), 0);
}

TEST_F(VirtualListBox, ListBoxMessagesAreAnswered) {
  make_box(2000);
  box->SetTopIndex(40);
  box->SetItemIndex(42);
  struct Case {
    ws::MessageId id;
    std::intptr_t wparam;
    ws::LResult answer;
  };
  for (const Case& c : {Case{ws::lb::get_count, 0, 2000}, Case{ws::lb::get_cur_sel, 0, 42},
                        Case{ws::lb::get_caret_index, 0, 42}, Case{ws::lb::get_top_index, 0, 40},
                        Case{ws::lb::get_item_height, 0, 10}, Case{ws::lb::get_sel, 42, 1},
                        Case{ws::lb::get_sel, 41, 0}, Case{ws::lb::get_sel, -1, ws::lb::error},
                        Case{ws::lb::get_sel, 2000, ws::lb::error}, Case{ws::lb::set_top_index, 2000, ws::lb::error},
                        Case{ws::lb::set_top_index, -1, ws::lb::error}, Case{ws::lb::set_cur_sel, 2000, ws::lb::error},
                        Case{ws::lb::set_cur_sel, -2, ws::lb::error}, Case{ws::lb::set_sel, 3, ws::lb::error},
                        Case{ws::lb::sel_item_range, 1, ws::lb::error}, Case{ws::msg::erase_background, 0, 1}}) {
    EXPECT_EQ(send(c.id, static_cast<ws::WParam>(c.wparam)), c.answer) << std::hex << c.id << " " << c.wparam;
  }
  // The errors changed nothing.
  EXPECT_EQ(box->TopIndex(), 40);
  EXPECT_EQ(box->ItemIndex(), 42);
  EXPECT_EQ(send(ws::msg::get_dialog_code) & 0x81, 0x81);

  EXPECT_EQ(send(ws::lb::set_top_index, 1999), 0);
  EXPECT_EQ(box->TopIndex(), 1993);
  // Honoured in single mode too.
  EXPECT_EQ(send(ws::lb::set_cur_sel, 7), 0);
  EXPECT_EQ(box->ItemIndex(), 7);
  EXPECT_EQ(send(ws::lb::set_cur_sel, static_cast<ws::WParam>(-1)), 0);
  EXPECT_EQ(box->ItemIndex(), -1);

  send(ws::lb::reset_content);
  EXPECT_EQ(box->NumItems(), 0);
  EXPECT_EQ(send(ws::lb::get_sel, 0), ws::lb::error);
}

TEST_F(VirtualListBox, ItemRectanglesFollowTheTopAndTheHeader) {
  make_box(2000);
  box->SetTopIndex(30);
  struct Case {
    bool header;
    std::int32_t item;
    int top;
  };
  for (const Case& c : {Case{false, 30, 0}, Case{false, 33, 30}, Case{false, 20, -100}, Case{false, 100, 700},
                        Case{true, 30, 10}, Case{true, 31, 20}}) {
    box->SetShowHeader(c.header);
    ws::Rect rect;
    EXPECT_EQ(send(ws::lb::get_item_rect, static_cast<ws::WParam>(c.item), reinterpret_cast<ws::LParam>(&rect)), 0);
    EXPECT_EQ(rect, (ws::Rect{0, c.top, box->client_rect().right, c.top + 10})) << c.header << " " << c.item;
  }
  EXPECT_EQ(box->RowsPerPage(), 6);
}

TEST_F(VirtualListBox, TabStopsAreSetInDialogUnits) {
  make_box(2);
  std::array<std::int32_t, 130> stops{};
  stops.fill(4);
  EXPECT_EQ(send(ws::lb::set_tab_stops, 2, reinterpret_cast<ws::LParam>(stops.data())), 1);
  EXPECT_EQ(send(ws::lb::set_tab_stops, 130, reinterpret_cast<ws::LParam>(stops.data())), 0);
  EXPECT_EQ(send(ws::lb::set_tab_stops, 0, 0), 1);
}

TEST_F(VirtualListBox, TheWheelScrollsWheelDeltaRowsPerNotch) {
  struct Case {
    std::int32_t wheel_delta;
    int delta;
    std::int32_t from;
    std::int32_t top;
  };
  for (const Case& c : {Case{3, -120, 0, 3}, Case{3, 120, 10, 7}, Case{5, -120, 0, 5}, Case{3, 120, 1, 0},
                        Case{3, -120, 1992, 1993}}) {
    make_box(2000);
    box->WheelDelta = c.wheel_delta;
    box->SetTopIndex(c.from);
    box->set_focus();
    ws::input::wheel(c.delta, box->client_to_screen({20, 20}));
    ws::process_messages();
    EXPECT_EQ(box->TopIndex(), c.top) << c.wheel_delta << " " << c.delta << " " << c.from;
  }
}

TEST_F(VirtualListBox, OperationsNearTheLargestIndexDoNotOverflow) {
  make_box(-1);
  ASSERT_EQ(box->NumItems(), largest);
  const std::int32_t last = largest - 1;

  ws::Rect rect;
  send(ws::lb::get_item_rect, static_cast<ws::WParam>(last), reinterpret_cast<ws::LParam>(&rect));
  EXPECT_GT(rect.top, 0);
  box->InvalidateItem(last);
  box->RedrawItem(last);

  box->SetItemIndex(last);
  EXPECT_EQ(box->ItemIndex(), last);
  EXPECT_EQ(box->TopIndex(), last - 6);
  EXPECT_EQ(texts(full_repaint()).back(), "item " + std::to_string(last));
  vscroll(ws::scroll_code::page_down);
  vscroll(ws::scroll_code::line_down);
  EXPECT_EQ(box->TopIndex(), last - 6);
  EXPECT_EQ(send(ws::lb::get_sel, static_cast<ws::WParam>(last)), 1);

  box->SetItemIndex(largest);
  EXPECT_EQ(box->ItemIndex(), last);
  box->MakeVisible(last);
  box->SetTopIndex(last);
  EXPECT_EQ(box->TopIndex(), last - 6);

  // A count that shrinks to one less keeps the last page full.
  box->SetNumItems(largest - 1);
  EXPECT_EQ(box->ItemIndex(), -1);
  EXPECT_EQ(box->TopIndex(), last - 7);
  box->SetNumItems(largest);
  vscroll(ws::scroll_code::thumb_track, 16384);
  EXPECT_EQ(box->TopIndex(), last - 6);
}

}  // namespace
}  // namespace vx::controls
