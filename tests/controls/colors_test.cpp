#include "controls/colors.h"

#include <gtest/gtest.h>

#include <functional>

namespace vx::controls {
namespace {

namespace color = ws::color;

struct UseDefaultCase {
  const char* name;
  std::function<void(TOvcColors&)> steps;
  ws::Color back;
  ws::Color text;
  bool use_default;
  int notifications;
};

class UseDefaultRules : public ::testing::TestWithParam<UseDefaultCase> {};

// Every case works on an error pair: black on red by default.
TEST_P(UseDefaultRules, ColoursFlagAndNotifications) {
  const UseDefaultCase& c = GetParam();
  TOvcEfColors colors;
  TOvcColors& error = colors.Error();
  int notifications = 0;
  error.OnColorChange = [&] { ++notifications; };
  c.steps(error);
  EXPECT_EQ(error.BackColor(), c.back);
  EXPECT_EQ(error.TextColor(), c.text);
  EXPECT_EQ(error.UseDefault(), c.use_default);
  EXPECT_EQ(notifications, c.notifications);
}

const UseDefaultCase use_default_cases[] = {
    {"TheDefaultBackKeepsIt", [](TOvcColors& c) { c.SetBackColor(color::red); }, color::red, color::black, true, 0},
    {"AnotherBackClearsIt", [](TOvcColors& c) { c.SetBackColor(color::yellow); }, color::yellow, color::black, false,
     1},
    {"AnotherTextClearsIt", [](TOvcColors& c) { c.SetTextColor(color::white); }, color::red, color::white, false, 1},
    {"SettingItRestoresTheDefaults",
     [](TOvcColors& c) {
       c.SetBackColor(color::yellow);
       c.SetTextColor(color::blue);
       c.SetUseDefault(true);
     },
     color::red, color::black, true, 3},
    {"BackToTheDefaultDoesNotSetItAgain",
     [](TOvcColors& c) {
       c.SetBackColor(color::yellow);
       c.SetBackColor(color::red);
     },
     color::red, color::black, false, 2},
    {"ClearingItKeepsTheColoursQuietly", [](TOvcColors& c) { c.SetUseDefault(false); }, color::red, color::black, false,
     0},
    {"SettingItWhenSetStillNotifies", [](TOvcColors& c) { c.SetUseDefault(true); }, color::red, color::black, true, 1},
    {"ResetToDefaultsIsQuietAndKeepsTheFlag",
     [](TOvcColors& c) {
       c.SetBackColor(color::yellow);
       c.ResetToDefaults();
     },
     color::red, color::black, false, 1},
    {"AssignedColoursFollowTheRules",
     [](TOvcColors& c) {
       const TOvcColors source(color::black, color::red);
       c.SetBackColor(color::yellow);
       c.Assign(source);
     },
     color::red, color::black, false, 2},
    {"AssignedForeignColoursClearIt",
     [](TOvcColors& c) {
       const TOvcColors source(color::gray_text, color::window);
       c.Assign(source);
     },
     color::window, color::gray_text, false, 2},
};

INSTANTIATE_TEST_SUITE_P(Colors, UseDefaultRules, ::testing::ValuesIn(use_default_cases),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(EfColors, PairsStartAtTheirDefaults) {
  const TOvcEfColors colors;
  const struct {
    const TOvcColors& pair;
    ws::Color text;
    ws::Color back;
  } expected[] = {
      {colors.Disabled(), color::gray_text, color::window},
      {colors.Error(), color::black, color::red},
      {colors.Highlight(), color::highlight_text, color::highlight},
  };
  for (const auto& e : expected) {
    EXPECT_EQ(e.pair.TextColor(), e.text);
    EXPECT_EQ(e.pair.BackColor(), e.back);
    EXPECT_TRUE(e.pair.UseDefault());
  }
}

TEST(EfColors, AssignCopiesTheThreePairs) {
  TOvcEfColors source;
  source.Disabled().SetTextColor(color::navy);
  source.Error().SetBackColor(color::yellow);
  source.Highlight().SetBackColor(color::green);
  TOvcEfColors target;
  target.Assign(source);
  EXPECT_EQ(target.Disabled().TextColor(), color::navy);
  EXPECT_EQ(target.Error().BackColor(), color::yellow);
  EXPECT_EQ(target.Highlight().BackColor(), color::green);
  EXPECT_EQ(target.Highlight().TextColor(), color::highlight_text);
  EXPECT_FALSE(target.Highlight().UseDefault());
  EXPECT_FALSE(target.Error().UseDefault());
}

}  // namespace
}  // namespace vx::controls
