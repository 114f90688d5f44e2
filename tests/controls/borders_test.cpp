#include "controls/borders.h"

#include <gtest/gtest.h>

namespace vx::controls {
namespace {

TEST(Border, StartsAsATwoPixelBlackSolidLineThatIsOff) {
  const TOvcBorder border;
  EXPECT_FALSE(border.Enabled());
  EXPECT_EQ(border.BorderStyle(), TOvcBorderStyle::bpsSolid);
  EXPECT_EQ(border.PenColor(), ws::color::black);
  EXPECT_EQ(border.PenStyle(), ws::PenStyle::solid);
  EXPECT_EQ(border.PenWidth(), 2);
}

// Each change fires OnChange once; a value already held and a width of 0 or less fire nothing.
TEST(Border, EveryChangeAndOnlyAChangeNotifies) {
  TOvcBorder border;
  int changes = 0;
  border.OnChange = [&](TOvcBorder& sender) {
    EXPECT_EQ(&sender, &border);
    ++changes;
  };
  border.SetEnabled(true);
  border.SetPenColor(ws::color::blue);
  border.SetPenStyle(ws::PenStyle::dot);
  border.SetPenWidth(3);
  EXPECT_EQ(changes, 4);
  border.SetEnabled(true);
  border.SetPenColor(ws::color::blue);
  border.SetPenStyle(ws::PenStyle::dot);
  border.SetPenWidth(3);
  border.SetBorderStyle(TOvcBorderStyle::bpsSolid);
  border.SetPenWidth(0);
  border.SetPenWidth(-4);
  EXPECT_EQ(changes, 4);
  EXPECT_EQ(border.PenWidth(), 3);
}

TEST(Borders, AssignCopiesEachBorderThroughItsSetters) {
  TOvcBorders source;
  source.BottomBorder().SetEnabled(true);
  source.LeftBorder().SetPenWidth(5);
  source.TopBorder().SetPenColor(ws::color::red);
  source.RightBorder().SetPenStyle(ws::PenStyle::dash);
  TOvcBorders target;
  int changes = 0;
  for (TOvcBorder* border :
       {&target.LeftBorder(), &target.RightBorder(), &target.TopBorder(), &target.BottomBorder()}) {
    border->OnChange = [&](TOvcBorder&) { ++changes; };
  }
  target.Assign(source);
  EXPECT_TRUE(target.BottomBorder().Enabled());
  EXPECT_FALSE(target.TopBorder().Enabled());
  EXPECT_EQ(target.LeftBorder().PenWidth(), 5);
  EXPECT_EQ(target.TopBorder().PenColor(), ws::color::red);
  EXPECT_EQ(target.RightBorder().PenStyle(), ws::PenStyle::dash);
  EXPECT_EQ(changes, 4);
}

}  // namespace
}  // namespace vx::controls
