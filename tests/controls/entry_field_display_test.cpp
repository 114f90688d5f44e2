#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "controls/simple_field.h"
#include "platform/ws/canvas.h"
#include "platform/ws/font.h"
#include "platform/ws/input.h"
#include "platform/ws/messages.h"
#include "tests/controls/entry_field_test_support.h"

namespace vx::controls {
namespace {

class EntryFieldDisplay : public testing_support::EntryFieldTest {
 protected:
  // What the field draws off-screen before the copy to the screen.
  static std::vector<ws::DrawOp> contents(TOvcBaseEntryField& field) {
    ws::Bitmap bitmap(field.client_rect().width(), field.client_rect().height());
    field.PaintContents(bitmap);
    return bitmap.operations();
  }
  static std::vector<ws::DrawOp> texts(const std::vector<ws::DrawOp>& ops) {
    std::vector<ws::DrawOp> result;
    std::copy_if(ops.begin(), ops.end(), std::back_inserter(result),
                 [](const ws::DrawOp& op) { return op.kind == ws::DrawKind::text; });
    return result;
  }
  static std::string drawn_text(TOvcBaseEntryField& field) {
    std::string text;
    for (const ws::DrawOp& op : texts(contents(field))) text += op.text;
    return text;
  }
};

TEST_F(EntryFieldDisplay, ControlCharactersShowAsRedLetters) {
  TOvcSimpleField& field = add_field();
  field.SetAsString(std::string("x\x01y"));
  const std::vector<ws::DrawOp> ops = texts(contents(field));
  ASSERT_EQ(ops.size(), 3u);
  EXPECT_EQ(ops[0].text, "x");
  EXPECT_EQ(ops[1].text, "A");
  EXPECT_EQ(ops[1].color, ws::color::red);
  EXPECT_EQ(ops[2].text, "y");
  EXPECT_EQ(ops[2].color, field.font().color);
  EXPECT_EQ(ops[1].from.x, ops[0].from.x + ws::char_width(field.font(), 'x')) << "runs follow one another";
}

struct ZeroCase {
  TZeroDisplay mode;
  bool edited;
  std::string unfocused;
};

TEST_F(EntryFieldDisplay, ZeroDisplayHidesAZeroWhileTheFieldIsLeft) {
  const ZeroCase cases[] = {
      {TZeroDisplay::zdShow, false, "0"},
      {TZeroDisplay::zdHide, false, " "},
      {TZeroDisplay::zdHide, true, " "},
      {TZeroDisplay::zdHideUntilModified, false, " "},
      {TZeroDisplay::zdHideUntilModified, true, "0"},
  };
  for (const ZeroCase& test : cases) {
    TOvcSimpleField& field = add_field([&](TOvcSimpleField& f) {
      f.SetDataType(TSimpleDataType::sftLongInt);
      f.SetZeroDisplay(test.mode);
    });
    TOvcSimpleField& other = add_field();
    EXPECT_EQ(field.GetDisplayText(), test.mode == TZeroDisplay::zdShow ? "0" : " ");
    field.set_focus();
    EXPECT_EQ(field.GetDisplayText(), "0") << "shown while focused";
    if (test.edited) {
      ws::input::press_key(ws::vk::back);
      ws::input::type("0");
      ws::process_messages();
      ASSERT_TRUE(field.HasState(efsModified));
    }
    other.set_focus();
    ws::process_messages();
    EXPECT_EQ(field.GetDisplayText(), test.unfocused) << static_cast<int>(test.mode) << test.edited;
  }
}

TEST_F(EntryFieldDisplay, TypingPastTheRightEdgeScrollsOneCharacterAtATime) {
  TOvcSimpleField& field = add_field([](TOvcSimpleField& f) { f.SetMaxLength(100); });
  field.set_focus();
  std::vector<std::size_t> offsets;
  for (int i = 0; i < 40; ++i) {
    ws::input::type("m");
    ws::process_messages();
    offsets.push_back(field.ScrollOffset());
  }
  const auto first_scroll = std::find_if(offsets.begin(), offsets.end(), [](std::size_t o) { return o > 0; });
  ASSERT_NE(first_scroll, offsets.end());
  for (auto it = first_scroll; it != offsets.end(); ++it) EXPECT_EQ(*it, *(it - 1) + 1) << "one character per step";
  // The caret stays inside the field.
  EXPECT_LT(field.Carets().Position().x, field.client_rect().width());
  EXPECT_EQ(drawn_text(field).front(), 'm');
  ws::input::press_key(ws::vk::home);
  ws::process_messages();
  EXPECT_EQ(field.ScrollOffset(), 0u);
  EXPECT_EQ(field.CaretColumn(), 0u);
}

TEST_F(EntryFieldDisplay, RightAlignmentHoldsOnlyWhileTheTextFits) {
  TOvcSimpleField& field = add_field([](TOvcSimpleField& f) {
    f.SetMaxLength(100);
    f.SetOptions(efoRightAlign | efoCaretToEnd);
  });
  field.SetAsString("abc");
  field.set_focus();
  EXPECT_TRUE(field.RightAlignInEffect());
  const ws::DrawOp short_text = texts(contents(field)).front();
  EXPECT_EQ(short_text.from.x + ws::text_extent(field.font(), "abc").width, field.client_rect().width() - 2 - 1);
  field.SetAsString(std::string(60, 'w'));
  EXPECT_FALSE(field.RightAlignInEffect()) << "too wide: drawn and scrolled as left-aligned";
  EXPECT_GT(field.ScrollOffset(), 0u);
  field.SetCaretColumn(0);
  EXPECT_EQ(texts(contents(field)).front().from.x, field.TextMargin() - 1);
}

TEST_F(EntryFieldDisplay, ColoursOfDisabledInvalidAndSelectedFields) {
  TOvcSimpleField& field = add_field();
  field.SetAsString("abcd");
  field.set_focus();
  field.SetSelection(1, 3);
  std::vector<ws::DrawOp> ops = contents(field);
  EXPECT_EQ(ops.front().kind, ws::DrawKind::fill);
  EXPECT_EQ(ops.front().color, field.color());
  std::vector<ws::DrawOp> pieces = texts(ops);
  ASSERT_EQ(pieces.size(), 3u);
  EXPECT_EQ(pieces[1].text, "bc");
  EXPECT_TRUE(pieces[1].opaque);
  EXPECT_EQ(pieces[1].color, field.EFColors().Highlight().TextColor());
  EXPECT_EQ(pieces[1].background, field.EFColors().Highlight().BackColor());

  field.set_enabled(false);
  field.SetSelection(1, 3);
  ops = contents(field);
  EXPECT_EQ(ops.front().color, field.EFColors().Disabled().BackColor());
  pieces = texts(ops);
  ASSERT_EQ(pieces.size(), 1u) << "no selection while disabled";
  EXPECT_EQ(pieces[0].color, field.EFColors().Disabled().TextColor());
}

TEST_F(EntryFieldDisplay, BordersAreDrawnOverTheField) {
  struct BorderCase {
    int width;
    int x;
  };
  for (const BorderCase test : {BorderCase{3, 130 - 2}, BorderCase{2, 130 - 1}}) {
    TOvcSimpleField& field = add_field();
    field.Borders().RightBorder().SetPenWidth(test.width);
    field.Borders().RightBorder().SetEnabled(true);
    ASSERT_EQ(field.client_rect().width(), 130);
    ws::reset_drawing_log();
    ws::record_drawing(true);
    field.repaint();
    ws::record_drawing(false);
    std::optional<ws::DrawOp> line;
    for (const ws::DrawOp& op : ws::drawing_of(field.handle())) {
      if (op.kind == ws::DrawKind::line) line = op;
    }
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->from.x, test.x) << test.width;
    EXPECT_EQ(line->to.x, test.x);
    EXPECT_EQ(line->pen.width, test.width);
  }
}

TEST_F(EntryFieldDisplay, TheOverwriteCaretIsAsWideAsTheCharacterUnderIt) {
  TOvcSimpleField& field = add_field([](TOvcSimpleField& f) { f.SetOptions(efoForceOvertype); });
  field.SetAsString("iW");
  field.set_focus();
  EXPECT_EQ(field.Carets().Caret(), field.Carets().OverwriteCaret());
  field.SetCaretColumn(0);
  EXPECT_EQ(field.Carets().CellWidth(), ws::char_width(field.font(), 'i'));
  field.SetCaretColumn(1);
  EXPECT_EQ(field.Carets().CellWidth(), ws::char_width(field.font(), 'W'));
  EXPECT_NE(ws::char_width(field.font(), 'i'), ws::char_width(field.font(), 'W'));
  // A block caret stands one pixel further right than a line would.
  const int before_w = ws::char_width(field.font(), 'i');
  EXPECT_EQ(field.Carets().Position().x - field.Carets().OffsetX(), before_w + 1 + field.TextMargin() - 2);
}

TEST_F(EntryFieldDisplay, AClickPutsTheCaretBeforeTheNearerCharacterEdge) {
  TOvcSimpleField& field = add_field();
  field.SetAsString("WWWW");
  field.set_focus();
  const int w = ws::char_width(field.font(), 'W');
  const int left = field.TextMargin();
  EXPECT_EQ(field.ColumnFromX(left + w / 2 - 2), 0);
  EXPECT_EQ(field.ColumnFromX(left + w / 2 + 1), 1);
  EXPECT_EQ(field.ColumnFromX(left + 3 * w + w / 2 + 1), 4);
  EXPECT_EQ(field.ColumnFromX(500), 4);
}

}  // namespace
}  // namespace vx::controls
