#include "controls/user_data.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace vx::controls {
namespace {

TCharSet set_of(std::string_view chars) {
  TCharSet set;
  for (const char c : chars) set.set(static_cast<unsigned char>(c));
  return set;
}

// The address window's definition: "1" hexadecimal digits and X, "2" bits and X.
TOvcUserData address_data() {
  TOvcUserData data;
  data.SetUserCharSet('1', set_of("0123456789ABCDEFX"));
  data.SetForceCase('1', fcUpper);
  data.SetUserCharSet('2', set_of("01X"));
  data.SetForceCase('2', fcUpper);
  return data;
}

struct FitCase {
  char mask;
  char typed;
  bool apply_case;
  bool fits;
  char stored;
};

TEST(MaskChars, EachMaskCharacterTakesItsSetInItsCase) {
  const TOvcIntlSup intl;
  const TOvcUserData defaults;
  const TOvcUserData address = address_data();
  const FitCase cases[] = {
      {'K', 'a', true, true, 'A'},   {'K', 'a', false, false, 'a'}, {'K', 'G', true, false, 'G'},
      {'i', '-', true, true, '-'},   {'i', ' ', true, true, ' '},   {'i', '.', true, false, '.'},
      {'i', '+', true, false, '+'},  {'#', '.', true, true, '.'},   {'#', '+', true, false, '+'},
      {'E', '+', true, true, '+'},   {'E', 'e', true, true, 'E'},   {'E', 'e', false, false, 'e'},
      {'B', 't', true, true, 'T'},   {'B', 'Y', true, false, 'Y'},  {'Y', 'n', true, true, 'N'},
      {'O', '7', true, true, '7'},   {'O', '8', true, false, '8'},  {'b', '1', true, true, '1'},
      {'b', '2', true, false, '2'},  {'9', ' ', true, true, ' '},   {'9', 'a', true, false, 'a'},
      {'a', 'q', true, true, 'q'},   {'A', 'q', true, true, 'Q'},   {'l', 'Q', true, true, 'q'},
      {'a', '1', true, false, '1'},  {'a', '\xE9', true, true, '\xE9'}, {'A', '\xE9', true, true, '\xC9'},
      {'a', '\xD7', true, false, '\xD7'}, {'!', '\xE9', true, true, '\xC9'}, {'L', 'Q', true, true, 'q'},
      {'X', '\x01', true, true, '\x01'}, {'X', '\0', true, false, '\0'}, {'!', '\0', true, false, '\0'},
  };
  for (const FitCase& test : cases) {
    char c = test.typed;
    EXPECT_EQ(CharFitsMask(test.mask, c, test.apply_case, ' ', defaults, intl), test.fits)
        << test.mask << " " << test.typed;
    EXPECT_EQ(c, test.stored) << test.mask << " " << test.typed;
  }
  const FitCase address_cases[] = {
      {'1', 'f', true, true, 'F'}, {'1', 'X', true, true, 'X'}, {'1', 'G', true, false, 'G'},
      {'2', '0', true, true, '0'}, {'2', '1', true, true, '1'}, {'2', 'x', true, true, 'X'},
      {'2', '2', true, false, '2'}, {'3', '\xFF', true, true, '\xFF'},
  };
  for (const FitCase& test : address_cases) {
    char c = test.typed;
    EXPECT_EQ(CharFitsMask(test.mask, c, test.apply_case, ' ', address, intl), test.fits) << test.mask << test.typed;
    EXPECT_EQ(c, test.stored) << test.mask << " " << test.typed;
  }
}

TEST(MaskChars, CapitalisingFollowsBlanksAndHyphens) {
  const TOvcUserData defaults;
  TOvcUserData capitalising;
  capitalising.SetForceCase('4', fcCapitalize);
  for (const char mask : {'x', '4'}) {
    const TOvcUserData& data = mask == 'x' ? defaults : capitalising;
    std::string typed = "john smith-jones";
    char previous = ' ';  // the start of the data run
    for (char& c : typed) {
      ForceMaskCase(mask, c, previous, data);
      previous = c;
    }
    EXPECT_EQ(typed, "John Smith-Jones") << mask;
  }
  char c = 'j';
  ForceMaskCase('x', c, no_previous_char, defaults);
  EXPECT_EQ(c, 'j') << "no context, no capital";
}

TEST(MaskChars, UserSetsStoreWithoutZeroAndOnlyForOneToEight) {
  TOvcUserData data;
  EXPECT_EQ(data.UserCharSet('1').count(), 255u);
  EXPECT_EQ(data.ForceCase('8'), fcNone);
  TCharSet with_zero = set_of("ab");
  with_zero.set(0);
  data.SetUserCharSet('3', with_zero);
  EXPECT_EQ(data.UserCharSet('3'), set_of("ab"));
  char zero = '\0';
  EXPECT_FALSE(CharFitsMask('3', zero, true, ' ', data, TOvcIntlSup{}));
  data.SetUserCharSet('9', set_of("a"));
  data.SetForceCase('0', fcUpper);
  EXPECT_TRUE(data.UserCharSet('9').none());
  EXPECT_EQ(data.ForceCase('0'), fcNone);
}

TEST(MaskChars, SimpleFieldMaskCharacters) {
  std::string accepted;
  for (int c = 1; c < 256; ++c) {
    if (IsSimpleMaskChar(static_cast<char>(c))) accepted += static_cast<char>(c);
  }
  EXPECT_EQ(accepted, "!#123456789ABEKLOXYabilx");
}

TEST(MaskChars, AlphabeticSetHoldsPunctuationAndHighLetters) {
  const TCharSet& alpha = AlphaCharSet();
  for (const unsigned char c : std::string_view(" ,-.AZaz\x83\x8A\xAA\xC0\xDF\xFF")) {
    EXPECT_TRUE(alpha.test(c)) << int(c);
  }
  for (const unsigned char c : std::string_view("09!_\x80\xA9\xD7\xF7")) EXPECT_FALSE(alpha.test(c)) << int(c);
}

}  // namespace
}  // namespace vx::controls
