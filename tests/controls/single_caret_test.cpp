#include "controls/single_caret.h"

#include <gtest/gtest.h>

#include "platform/ws/caret.h"
#include "platform/ws_test_support.h"

namespace vx::controls {
namespace {

using ws::testing_support::LoggingWindow;
using ws::testing_support::WindowSystemTest;

class SingleCaret : public WindowSystemTest {
 protected:
  // A 9 by 15 cell at (20, 30), so halves are truncated.
  void place(TOvcSingleCaret& caret) {
    caret.SetCellWidth(9);
    caret.SetCellHeight(15);
    caret.SetPosition(20, 30);
  }
};

struct OffsetCase {
  const char* name;
  TOvcCaretShape shape;
  TOvcCaretAlign align;
  int width;
  int height;
  int dx;
  int dy;
};

class CaretOffsets : public SingleCaret, public ::testing::WithParamInterface<OffsetCase> {};

// The size and the place in the cell, and the window system's caret that follows them.
TEST_P(CaretOffsets, PerShapeAndAlignment) {
  const OffsetCase& c = GetParam();
  LoggingWindow owner;
  TOvcSingleCaret caret(&owner);
  place(caret);
  TOvcCaret& description = *caret.Caret();
  description.SetBitmap(ws::Bitmap(5, 8));
  description.SetBitmapHotSpotX(1);
  description.SetBitmapHotSpotY(3);
  description.SetShape(c.shape);
  if (c.shape == TOvcCaretShape::csCustom) {
    description.SetCaretWidth(4);
    description.SetCaretHeight(6);
  }
  description.SetAlign(c.align);
  caret.SetVisible(true);
  caret.SetLinked(true);

  EXPECT_EQ(description.CaretWidth(), c.width);
  EXPECT_EQ(description.CaretHeight(), c.height);
  EXPECT_EQ(caret.OffsetX(), c.dx);
  EXPECT_EQ(caret.OffsetY(), c.dy);
  const ws::CaretState& shown = ws::caret();
  EXPECT_EQ(shown.owner, owner.handle());
  EXPECT_EQ(shown.width, c.width);
  EXPECT_EQ(shown.height, c.height);
  EXPECT_EQ(shown.position, (ws::Point{20 + c.dx, 30 + c.dy}));
  EXPECT_TRUE(shown.visible());
}

using enum TOvcCaretShape;
using enum TOvcCaretAlign;
const OffsetCase offset_cases[] = {
    {"BlockFillsTheCell", csBlock, caLeft, 9, 15, 0, 0},
    {"HalfBlockSitsAtTheBottom", csHalfBlock, caBottom, 9, 7, 0, 8},
    {"VerticalLineOnTheLeft", csVertLine, caLeft, 2, 15, 0, 0},
    {"VerticalLineOnTheRight", csVertLine, caRight, 2, 15, 7, 0},
    {"VerticalLineCentred", csVertLine, caCenter, 2, 15, 3, 0},
    {"HorizontalLineUnderTheCharacter", csHorzLine, caBottom, 9, 2, 0, 13},
    {"HorizontalLineOnTop", csHorzLine, caTop, 9, 2, 0, 0},
    {"CustomLeft", csCustom, caLeft, 4, 6, 0, 4},
    {"CustomTop", csCustom, caTop, 4, 6, 2, 0},
    {"CustomRight", csCustom, caRight, 4, 6, 5, 4},
    {"CustomBottom", csCustom, caBottom, 4, 6, 2, 9},
    {"CustomCentred", csCustom, caCenter, 4, 6, 2, 4},
    {"BitmapCentredLessItsHotSpot", csBitmap, caCenter, 5, 8, 1, 0},
    {"BitmapOnTheRightLessItsHotSpot", csBitmap, caRight, 5, 8, 3, 0},
};

INSTANTIATE_TEST_SUITE_P(Carets, CaretOffsets, ::testing::ValuesIn(offset_cases),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

TEST_F(SingleCaret, GreyCaretsAreMadeGrey) {
  LoggingWindow owner;
  TOvcSingleCaret caret(&owner);
  caret.Caret()->SetIsGray(true);
  caret.SetLinked(true);
  EXPECT_TRUE(ws::caret().grey);
}

// The caret's own blink time holds only while it is linked; the window system's comes back after.
TEST_F(SingleCaret, BlinkTimeIsSetWhileLinkedAndRestoredAfter) {
  LoggingWindow owner;
  TOvcSingleCaret caret(&owner);
  ws::set_caret_blink_time(530);
  caret.Caret()->SetBlinkTime(500);
  EXPECT_EQ(ws::caret().blink_time_ms, 530u);
  caret.SetLinked(true);
  EXPECT_EQ(ws::caret().blink_time_ms, 500u);
  caret.Caret()->SetBlinkTime(700);
  EXPECT_EQ(ws::caret().blink_time_ms, 700u);
  caret.SetLinked(false);
  EXPECT_EQ(ws::caret().blink_time_ms, 530u);
  EXPECT_EQ(ws::caret().owner, ws::no_window);
}

TEST_F(SingleCaret, ABlinkTimeOfZeroKeepsTheWindowSystems) {
  LoggingWindow owner;
  TOvcSingleCaret caret(&owner);
  ws::set_caret_blink_time(530);
  caret.SetLinked(true);
  EXPECT_EQ(ws::caret().blink_time_ms, 530u);
}

TEST_F(SingleCaret, WithoutAnOwnerWindowItNeverLinks) {
  TOvcSingleCaret orphan(nullptr);
  orphan.SetLinked(true);
  EXPECT_FALSE(orphan.Linked());
  auto owner = std::make_unique<LoggingWindow>();
  TOvcSingleCaret outlived(owner.get());
  owner.reset();
  outlived.SetLinked(true);
  EXPECT_FALSE(outlived.Linked());
  EXPECT_EQ(ws::caret().owner, ws::no_window);
}

// A negative coordinate is no position, which the window system's caret
// takes as it is: somewhere no window shows it.
TEST_F(SingleCaret, NegativeCoordinatesAreNoPosition) {
  LoggingWindow owner;
  TOvcSingleCaret caret(&owner);
  caret.SetVisible(true);
  caret.SetLinked(true);
  caret.SetPosition(-1, 4);
  EXPECT_EQ(caret.Position(), (ws::Point{TOvcSingleCaret::no_position, 4}));
  EXPECT_EQ(ws::caret().position, (ws::Point{TOvcSingleCaret::no_position, 4}));
  owner.repaint();
  caret.SetPosition(3, -7);
  EXPECT_EQ(ws::caret().position, (ws::Point{3, TOvcSingleCaret::no_position}));
  owner.repaint();
}

TEST_F(SingleCaret, VisibilityShowsAndHidesTheLinkedCaret) {
  LoggingWindow owner;
  TOvcSingleCaret caret(&owner);
  caret.SetLinked(true);
  EXPECT_FALSE(ws::caret().visible());
  caret.SetVisible(true);
  EXPECT_TRUE(ws::caret().visible());
  caret.SetVisible(false);
  EXPECT_FALSE(ws::caret().visible());
}

// A caret that goes while linked takes the window system's caret with it.
TEST_F(SingleCaret, DestroyingALinkedCaretUnlinksIt) {
  LoggingWindow owner;
  ws::set_caret_blink_time(530);
  {
    TOvcSingleCaret caret(&owner);
    caret.Caret()->SetBlinkTime(250);
    caret.SetLinked(true);
  }
  EXPECT_EQ(ws::caret().owner, ws::no_window);
  EXPECT_EQ(ws::caret().blink_time_ms, 530u);
}

}  // namespace
}  // namespace vx::controls
