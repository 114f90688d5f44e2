#include "controls/string_routines.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace vx::controls {
namespace {

// An entry field's edit buffer: 255 characters and the terminator.
struct Buffer {
  explicit Buffer(std::string_view text) { store_text(chars, text); }
  std::string text() const { return std::string(text_in(chars)); }
  std::array<char, 256> chars{};
};

struct EditCase {
  const char* name;
  const char* before;
  std::function<void(std::span<char>)> edit;
  const char* after;
};

class Edit : public ::testing::TestWithParam<EditCase> {};

TEST_P(Edit, GivesTheText) {
  Buffer buffer(GetParam().before);
  GetParam().edit(buffer.chars);
  EXPECT_EQ(buffer.text(), GetParam().after);
}

std::string name_of(const ::testing::TestParamInfo<EditCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(
    Digits, Edit,
    ::testing::Values(
        EditCase{"BinaryOfFive", "x", [](auto b) { BinaryDigits(b, 5); }, "00000000000000000000000000000101"},
        EditCase{"BinaryOfTopBit", "", [](auto b) { BinaryDigits(b, 0x80000000u); },
                 "10000000000000000000000000000000"},
        EditCase{"HexLong", "", [](auto b) { HexLongDigits(b, 0x1F3E); }, "00001F3E"},
        EditCase{"HexLongAllBits", "", [](auto b) { HexLongDigits(b, 0xDEADBEEF); }, "DEADBEEF"},
        EditCase{"HexWord", "", [](auto b) { HexWordDigits(b, 0xAB); }, "00AB"},
        EditCase{"OctalOfEight", "", [](auto b) { OctalDigits(b, 8); }, "000000000010"},
        EditCase{"OctalOfMinusOne", "", [](auto b) { OctalDigits(b, 0xFFFFFFFFu); }, "037777777777"},
        EditCase{"Fill", "abc", [](auto b) { FillWithChar(b, '*', 3); }, "***"},
        EditCase{"FillNone", "abc", [](auto b) { FillWithChar(b, '*', 0); }, ""}),
    name_of);

INSTANTIATE_TEST_SUITE_P(
    InsertDeleteCopy, Edit,
    ::testing::Values(
        EditCase{"CharInside", "abc", [](auto b) { InsertCharAt(b, 'X', 1); }, "aXbc"},
        EditCase{"CharPastTheEnd", "abc", [](auto b) { InsertCharAt(b, 'X', 10); }, "abcX"},
        EditCase{"Chars", "abc", [](auto b) { InsertCharsAt(b, '-', 0, 3); }, "---abc"},
        EditCase{"TextInside", "abc", [](auto b) { InsertTextAt(b, "12", 2); }, "ab12c"},
        EditCase{"EmptyText", "abc", [](auto b) { InsertTextAt(b, "", 1); }, "abc"},
        EditCase{"DeleteChar", "abc", [](auto b) { DeleteCharAt(b, 1); }, "ac"},
        EditCase{"DeleteCharAtTheEnd", "abc", [](auto b) { DeleteCharAt(b, 3); }, "abc"},
        EditCase{"DeleteInside", "abcdef", [](auto b) { DeleteAt(b, 1, 2); }, "adef"},
        EditCase{"DeletePastTheEnd", "abc", [](auto b) { DeleteAt(b, 1, 5); }, "a"},
        EditCase{"DeleteFromPastTheEnd", "abc", [](auto b) { DeleteAt(b, 4, 5); }, "abc"},
        EditCase{"Copy", "", [](auto b) { CopyFrom(b, "abcdef", 2, 3); }, "cde"},
        EditCase{"CopyShort", "", [](auto b) { CopyFrom(b, "abcdef", 4, 9); }, "ef"},
        EditCase{"CopyPastTheEnd", "x", [](auto b) { CopyFrom(b, "abc", 3, 1); }, ""}),
    name_of);

INSTANTIATE_TEST_SUITE_P(
    Trims, Edit,
    ::testing::Values(
        EditCase{"Blanks", "  a b  ", [](auto b) { TrimBlanks(b); }, "a b"},
        EditCase{"BlanksOnly", "   ", [](auto b) { TrimBlanks(b); }, ""},
        EditCase{"BlanksNotTabs", "\ta\t", [](auto b) { TrimBlanks(b); }, "\ta\t"},
        EditCase{"Controls", " a \t\r\n ", [](auto b) { TrimTrailingControls(b); }, " a"},
        EditCase{"ControlsOnly", "\x01 \x1f", [](auto b) { TrimTrailingControls(b); }, ""},
        EditCase{"FractionZeros", "1.500", [](auto b) { TrimFractionZeros(b); }, "1.5"},
        EditCase{"FractionAllZeros", " 2.00", [](auto b) { TrimFractionZeros(b); }, "2"},
        EditCase{"FractionBlanksStay", "1.50 ", [](auto b) { TrimFractionZeros(b); }, "1.50"},
        EditCase{"WholeNumber", "100", [](auto b) { TrimFractionZeros(b); }, "100"},
        EditCase{"WholeNumberWithBlanks", " 100 ", [](auto b) { TrimFractionZeros(b); }, " 100 "},
        EditCase{"Exponent", "1.2300E+005", [](auto b) { TrimExponentZeros(b); }, "1.23E+5"},
        EditCase{"ZeroExponent", "1.5000E+000", [](auto b) { TrimExponentZeros(b); }, "1.5"},
        EditCase{"NegativeExponent", "-2.000E-010", [](auto b) { TrimExponentZeros(b); }, "-2E-10"},
        EditCase{"NoExponent", "1.500", [](auto b) { TrimExponentZeros(b); }, "1.500"},
        EditCase{"WholeMantissa", "100E+5", [](auto b) { TrimExponentZeros(b); }, "100E+5"},
        EditCase{"UnsignedExponent", "1.50E050", [](auto b) { TrimExponentZeros(b); }, "1.5E50"},
        EditCase{"EndsAtTheE", "1.50E", [](auto b) { TrimExponentZeros(b); }, "1.5"},
        EditCase{"EndsAtTheSign", "1.50E-", [](auto b) { TrimExponentZeros(b); }, "1.5"}),
    name_of);

TEST(TextRoom, NothingIsWrittenPastTheBuffer) {
  // Two guard bytes behind a room of four characters.
  std::array<char, 7> chars{'a', 'b', 'c', '\0', '\0', '#', '#'};
  const std::span<char> buffer(chars.data(), 5);
  InsertCharsAt(buffer, '-', 1, 2000);
  EXPECT_EQ(text_in(buffer), "a---");
  InsertTextAt(buffer, "xyz", 0);
  EXPECT_EQ(text_in(buffer), "xyza");
  BinaryDigits(buffer, 0xFFFFFFFFu);
  EXPECT_EQ(text_in(buffer), "1111");
  FillWithChar(buffer, '*', 100);
  EXPECT_EQ(text_in(buffer), "****");
  EXPECT_EQ(chars[5], '#');
  EXPECT_EQ(chars[6], '#');
}

TEST(TextRoom, InsertCharsAtInsertsAtMost1024) {
  std::array<char, 2048> chars{};
  InsertCharsAt(chars, '-', 0, 1500);
  EXPECT_EQ(text_in(chars).size(), 1024u);
}

TEST(Find, CharAndText) {
  EXPECT_EQ(FindChar("abcb", 'b'), 1u);
  EXPECT_EQ(FindChar("abc", 'x'), std::nullopt);
  EXPECT_EQ(FindChar("", 'x'), std::nullopt);
  EXPECT_EQ(FindText("abcabc", "ca"), 2u);
  EXPECT_EQ(FindText("abc", "abc"), 0u);
  EXPECT_EQ(FindText("abc", "ABC"), std::nullopt);
  EXPECT_EQ(FindText("abc", ""), std::nullopt);
  EXPECT_EQ(FindText("", "a"), std::nullopt);
  EXPECT_EQ(FindText("ab", "abc"), std::nullopt);
}

TEST(CharCase, FollowsWindows1252) {
  struct Pair {
    unsigned char lower;
    unsigned char upper;
  };
  // a-z, à-þ except ÷, and š, œ, ž, ÿ.
  std::vector<Pair> pairs{{0x9A, 0x8A}, {0x9C, 0x8C}, {0x9E, 0x8E}, {0xFF, 0x9F}};
  for (unsigned c = 0; c < 256; ++c) {
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
      pairs.push_back({static_cast<unsigned char>(c), static_cast<unsigned char>(c - 32)});
    }
  }
  std::array<bool, 256> cased{};
  for (const Pair& pair : pairs) {
    EXPECT_EQ(static_cast<unsigned char>(UpperChar(static_cast<char>(pair.lower))), pair.upper) << int(pair.lower);
    EXPECT_EQ(static_cast<unsigned char>(LowerChar(static_cast<char>(pair.upper))), pair.lower) << int(pair.upper);
    EXPECT_EQ(UpperChar(static_cast<char>(pair.upper)), static_cast<char>(pair.upper));
    EXPECT_EQ(LowerChar(static_cast<char>(pair.lower)), static_cast<char>(pair.lower));
    cased[pair.lower] = cased[pair.upper] = true;
  }
  // Everything else, the sharp s, micro sign, × and ÷ among it, has no case.
  for (unsigned c = 0; c < 256; ++c) {
    if (!cased[c]) {
      EXPECT_EQ(UpperChar(static_cast<char>(c)), static_cast<char>(c)) << c;
      EXPECT_EQ(LowerChar(static_cast<char>(c)), static_cast<char>(c)) << c;
    }
  }
}

struct LongCase {
  std::string text;
  bool ok;
  std::int32_t value;  // or the refused position
};

class TextToLongCase : public ::testing::TestWithParam<LongCase> {};

TEST_P(TextToLongCase, ReadsOrRefuses) {
  std::int32_t value = 12345;
  EXPECT_EQ(TextToLong(GetParam().text, value), GetParam().ok);
  EXPECT_EQ(value, GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextToLongCase,
    ::testing::Values(LongCase{"0x1F", true, 31}, LongCase{"12a", false, 2}, LongCase{"  42  ", true, 42},
                      LongCase{"42\r\n\t", true, 42}, LongCase{"-17", true, -17}, LongCase{"+$ff", true, 255},
                      LongCase{"x10", true, 16}, LongCase{"0X10", true, 16}, LongCase{"2147483647", true, 2147483647},
                      LongCase{"-2147483648", true, -2147483647 - 1}, LongCase{"2147483648", false, 9},
                      LongCase{"-2147483649", false, 10}, LongCase{"99999999999", false, 9},
                      LongCase{"$FFFFFFFF", true, -1}, LongCase{"$80000000", true, -2147483647 - 1},
                      LongCase{"$100000000", false, 9}, LongCase{"0x1G", false, 3}, LongCase{"", false, 0},
                      LongCase{"   ", false, 0}, LongCase{"-", false, 1}, LongCase{"$", false, 1},
                      LongCase{"1 2", false, 1}, LongCase{std::string(255, ' '), false, 0},
                      LongCase{std::string(256, '1'), false, -1}));

}  // namespace
}  // namespace vx::controls
