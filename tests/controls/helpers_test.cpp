#include "controls/helpers.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "controls/string_routines.h"
#include "platform/local_time.h"
#include "platform/ws/keyboard.h"
#include "platform/ws/messages.h"
#include "platform/ws_test_support.h"

namespace vx::controls {
namespace {

using HelpersTest = ws::testing_support::WindowSystemTest;

TEST_F(HelpersTest, ShiftFlagsAreThoseOfTheCommandTables) {
  const struct {
    std::vector<std::uint16_t> held;
    std::uint8_t flags;
  } cases[] = {
      {{}, 0},
      {{ws::vk::control}, 4},
      {{ws::vk::shift}, 2},
      {{ws::vk::alt}, 8},
      {{ws::vk::control, ws::vk::shift, ws::vk::alt}, 14},
  };
  for (const auto& c : cases) {
    ws::reset_keyboard();
    for (std::uint16_t key : c.held) ws::note_key(key, true);
    EXPECT_EQ(KeyboardShiftFlags(), c.flags);
  }
}

TEST_F(HelpersTest, PrimaryButtonIsTheLeftOneOfAnUnswappedMouse) {
  EXPECT_EQ(PrimaryMouseButton(), ws::vk::left_button);
}

TEST_F(HelpersTest, TextTopOffset) {
  // Headless, a font of 13 pixels has a character height of 16, one of 10 of 12.
  const struct {
    int font_pixels;
    ws::BorderStyle border;
    int height;
    bool ctl3d;
    int offset;
  } cases[] = {
      {13, ws::BorderStyle::single, 25, true, 1},
      {13, ws::BorderStyle::single, 20, true, -1},   // (20-16-4)/2-1
      {13, ws::BorderStyle::single, 19, true, -1},   // (19-16-4)/2-1: truncated towards zero
      {13, ws::BorderStyle::single, 19, false, -1},  // (19-16-4)/2-1: odd difference
      {13, ws::BorderStyle::single, 18, false, -1},  // (18-16-4)/2-0
      {13, ws::BorderStyle::none, 30, false, 0},
      {13, ws::BorderStyle::none, 18, false, 0},     // (18-16-2)/2-0
      {13, ws::BorderStyle::none, 15, false, -2},    // (15-16-2)/2-1
      {10, ws::BorderStyle::none, 14, true, 0},      // (14-12-2)/2-0
      {30, ws::BorderStyle::single, 19, false, -1},  // the system font's 16 is the smaller
  };
  for (const auto& c : cases) {
    ws::Font font;
    font.height = c.font_pixels;
    EXPECT_EQ(TextTopOffset(font, c.border, c.height, c.ctl3d), c.offset)
        << c.font_pixels << " " << c.height << " " << c.ctl3d;
  }
}

TEST(FixRealText, ReadiesNumberTexts) {
  const struct {
    const char* before;
    char separator;
    const char* after;
  } cases[] = {
      {"7,25", ',', "7.25"},
      {".5", ',', "0.5"},
      {",5", ',', ",5"},
      {" 12,5 ", ',', "12.5"},
      {"-,5", ',', "-0.5"},
      {"3,", ',', "3"},
      {"1E5", ',', "1.00000E5"},
      {"", ',', "0"},
      {"   ", '.', "0"},
      {"2.", '.', "2"},
      {"-.", ',', "-0.0"},
      {"5.", ',', "5.0"},
      {"1.5E3", '.', "1.500000E3"},
      {"1.123456789012E3", '.', "1.123456789012E3"},  // twelve fraction digits already
      {"12 , 5", ',', "12.5"},
      {"E5", '.', "E5"},
      {"42", ',', "42"},
  };
  for (const auto& c : cases) {
    std::array<char, 256> buffer{};
    store_text(buffer, c.before);
    FixRealText(buffer, c.separator);
    EXPECT_EQ(text_in(buffer), std::string_view(c.after)) << '"' << c.before << '"';
  }
}

TEST(FixRealText, LeavesOutWhatHasNoRoom) {
  const struct {
    const char* before;
    std::size_t size;
    const char* after;
  } cases[] = {
      {"1E5", 6, "1.E5"},  // no room for the zeros of the fraction
      {"1E5", 4, "1E5"},   // nor for the point
      {"1E5", 9, "1.E5"},
      {"1E5", 10, "1.00000E5"},  // just room
      {",5", 3, ",5"},
      {"9,", 3, "9"},
      {".5", 3, ".5"},
      {".5", 4, "0.5"},
      {".5", 2, "."},  // a buffer cut before the text came
  };
  for (const auto& c : cases) {
    std::vector<char> buffer(c.size + 2, '#');
    const std::span<char> room(buffer.data(), c.size);
    store_text(room, c.before);
    FixRealText(room, ',');
    EXPECT_EQ(text_in(room), std::string_view(c.after)) << c.before << " in " << c.size;
    EXPECT_EQ(buffer[c.size], '#');
    EXPECT_EQ(buffer[c.size + 1], '#');
  }
}

TEST(CurrentCentury, IsThisYearsHundred) {
  const int year = platform::local_time().year;
  const int century = CurrentCentury();
  EXPECT_EQ(century % 100, 0);
  EXPECT_LE(century, year);
  EXPECT_GT(century + 100, year);
}

TEST(UniqueComponentName, TakesTheFirstFreeNumber) {
  const std::vector<std::string> names{"Field1Label1", "other", "FIELD1LABEL2"};
  EXPECT_EQ(UniqueComponentName(names, "Field1Label"), "Field1Label3");
  EXPECT_EQ(UniqueComponentName(std::span(names.data(), 1), "Field1Label"), "Field1Label2");
  EXPECT_EQ(UniqueComponentName({}, "_x"), "_x1");
}

TEST(UniqueComponentName, RefusesABaseThatIsNoIdentifier) {
  for (const char* base : {"", "1Label", "Field Label", "Field-1", "Fïeld"}) {
    try {
      UniqueComponentName({}, base);
      ADD_FAILURE() << base;
    } catch (const EComponentError& e) {
      EXPECT_EQ(e.what(), "''" + std::string(base) + "'' is not a valid component name");
    }
  }
}

TEST(IntMinMax, PickTheSmallerAndTheLarger) {
  EXPECT_EQ(IntMin(-3, 2), -3);
  EXPECT_EQ(IntMax(-3, 2), 2);
  EXPECT_EQ(IntMin(INT32_MIN, INT32_MAX), INT32_MIN);
  EXPECT_EQ(IntMax(INT32_MIN, INT32_MAX), INT32_MAX);
}

}  // namespace
}  // namespace vx::controls
