#include "controls/caret.h"

#include <gtest/gtest.h>

namespace vx::controls {
namespace {

class Caret : public ::testing::Test {
 protected:
  void SetUp() override {
    caret.Attach(this, [this] { ++changes; });
  }
  void TearDown() override { caret.Detach(this); }

  TOvcCaret caret;
  int changes = 0;
};

TEST_F(Caret, StartsAsATwoPixelLineOnTheLeft) {
  EXPECT_EQ(caret.Shape(), TOvcCaretShape::csVertLine);
  EXPECT_EQ(caret.Align(), TOvcCaretAlign::caLeft);
  EXPECT_EQ(caret.CaretWidth(), 2);
  EXPECT_EQ(caret.CaretHeight(), 10);
  EXPECT_EQ(caret.BlinkTime(), 0);
  EXPECT_FALSE(caret.IsGray());
  EXPECT_EQ(caret.Bitmap().size(), (ws::Size{0, 0}));
}

TEST_F(Caret, SizesOfZeroOrLessChangeNothing) {
  for (const int size : {0, -1, -40}) {
    caret.SetCaretHeight(size);
    caret.SetCaretWidth(size);
  }
  EXPECT_EQ(caret.CaretHeight(), 10);
  EXPECT_EQ(caret.CaretWidth(), 2);
  EXPECT_EQ(changes, 0);
}

// Each shape brings its alignment, lines their thickness, a bitmap its size.
TEST_F(Caret, AShapeBringsItsAlignmentAndSize) {
  const struct {
    TOvcCaretShape shape;
    TOvcCaretAlign align;
    int width;
    int height;
  } cases[] = {
      {TOvcCaretShape::csHorzLine, TOvcCaretAlign::caBottom, 7, 2},
      {TOvcCaretShape::csBlock, TOvcCaretAlign::caLeft, 7, 2},
      {TOvcCaretShape::csHalfBlock, TOvcCaretAlign::caBottom, 7, 2},
      {TOvcCaretShape::csVertLine, TOvcCaretAlign::caLeft, 2, 2},
      {TOvcCaretShape::csCustom, TOvcCaretAlign::caLeft, 2, 2},
      {TOvcCaretShape::csBitmap, TOvcCaretAlign::caLeft, 5, 8},
  };
  caret.SetBitmap(ws::Bitmap(5, 8));
  caret.SetCaretWidth(7);
  caret.SetCaretHeight(9);
  changes = 0;
  for (const auto& c : cases) {
    caret.SetShape(c.shape);
    EXPECT_EQ(caret.Align(), c.align) << static_cast<int>(c.shape);
    EXPECT_EQ(caret.CaretWidth(), c.width) << static_cast<int>(c.shape);
    EXPECT_EQ(caret.CaretHeight(), c.height) << static_cast<int>(c.shape);
  }
  EXPECT_EQ(changes, 6);
  caret.SetShape(TOvcCaretShape::csBitmap);
  EXPECT_EQ(changes, 6);
}

TEST_F(Caret, TheHotSpotNotifiesOnlyForABitmapCaret) {
  caret.SetBitmapHotSpotX(3);
  caret.SetBitmapHotSpotY(4);
  EXPECT_EQ(changes, 0);
  caret.SetShape(TOvcCaretShape::csBitmap);
  caret.SetBitmapHotSpotX(1);
  caret.SetBitmapHotSpotY(2);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(caret.BitmapHotSpotX(), 1);
  EXPECT_EQ(caret.BitmapHotSpotY(), 2);
}

TEST_F(Caret, EveryUserHearsOfAChangeUntilItDetaches) {
  int other = 0;
  caret.Attach(&other, [&] { ++other; });
  caret.SetIsGray(true);
  caret.Detach(&other);
  caret.SetBlinkTime(500);
  EXPECT_EQ(other, 1);
  EXPECT_EQ(changes, 2);
}

}  // namespace
}  // namespace vx::controls
