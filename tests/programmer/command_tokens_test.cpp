#include <gtest/gtest.h>

#include "programmer_fixture.h"

namespace vx::programmer {
namespace {

using test::ProgrammerTest;

struct NumberCase {
  const char* text;
  std::uint8_t radix;
  bool ok;
  std::int32_t value;
};

TEST_F(ProgrammerTest, NumbersTakeRadixPrefixesAndSuffixes) {
  const NumberCase cases[] = {
      {"101Q", 16, true, 5},   {"17O", 16, true, 15},   {"@17", 16, true, 15},  {"%101", 16, true, 5},
      {"-$10", 10, true, -16}, {"10T", 16, true, 10},   {"0X1F", 10, true, 31}, {"!99", 16, true, 99},
      {"1FH", 10, true, 31},   {"+12", 10, true, 12},   {"12", 16, true, 0x12}, {"12", 10, true, 12},
      {" 7f ", 16, true, 127}, {"129O", 16, false, 0},  {"%12", 16, false, 0},  {"$", 16, false, 0},
      {"-", 10, false, 0},     {"1G", 16, false, 0},    {"abc", 10, false, 0},  {"", 10, false, 0},
  };
  for (const NumberCase& c : cases) {
    CommandTokens& tokens = command_tokens();
    tokens = CommandTokens{};
    tokens.default_radix = c.radix;
    tokens.value = -999;
    const bool sticky = CONVERT_NUMBER_STRING(c.text);
    EXPECT_EQ(!tokens.error, c.ok) << c.text;
    EXPECT_EQ(sticky, !c.ok) << c.text;
    EXPECT_EQ(tokens.value, c.ok ? c.value : -999) << c.text << ": a failed conversion stores no value";
  }
}

TEST_F(ProgrammerTest, TheBadNumberFlagStaysAfterAGoodNumber) {
  EXPECT_TRUE(CONVERT_NUMBER_STRING("xyz"));
  EXPECT_TRUE(CONVERT_NUMBER_STRING("12"));
  EXPECT_FALSE(command_tokens().error);
}

TEST_F(ProgrammerTest, AMissingTokenIsAnError) {
  TOKENIZE_COMMAND_LINE(":POWERUPDELAY");
  command_tokens().value = 5;
  GET_NUMBER_PARAMETER(2);
  EXPECT_TRUE(command_tokens().error);
  EXPECT_EQ(command_tokens().value, 5);
  GET_NUMBER_PARAMETER(0);
  EXPECT_TRUE(command_tokens().error);
}

TEST_F(ProgrammerTest, TokensAreSplitAtSeparatorsAndTheCommentIsCut) {
  TOKENIZE_COMMAND_LINE(":devicepower=20,x\t\"y\" #z ; comment 99");
  const CommandTokens& tokens = command_tokens();
  ASSERT_EQ(tokens.count, 5);
  EXPECT_EQ(tokens.tokens[1], ":DEVICEPOWER");
  EXPECT_EQ(tokens.tokens[2], "20");
  EXPECT_EQ(tokens.tokens[3], "x");
  EXPECT_EQ(tokens.tokens[4], "y");
  EXPECT_EQ(tokens.tokens[5], "z");
  EXPECT_EQ(tokens.configuration_code, 22);
}

TEST_F(ProgrammerTest, ASemicolonInTheFirstColumnStays) {
  TOKENIZE_COMMAND_LINE(";:USEPRORELAY 1");
  EXPECT_EQ(command_tokens().count, 2);
  EXPECT_EQ(command_tokens().tokens[1], ":USEPRORELAY");
  EXPECT_EQ(command_tokens().configuration_code, 202);
}

TEST_F(ProgrammerTest, OnlyTheFirst80ColumnsAreRead) {
  const std::string line = ":POWERUPDELAY " + std::string(64, ' ') + "12345";
  TOKENIZE_COMMAND_LINE(ShortText(line));
  EXPECT_EQ(command_tokens().count, 2);
  EXPECT_EQ(command_tokens().tokens[2], "12");
  EXPECT_EQ(command_tokens().line, ShortText(line));
}

TEST_F(ProgrammerTest, AnUnknownFirstWordHasNoConfigurationCode) {
  TOKENIZE_COMMAND_LINE(":FOO 1");
  EXPECT_EQ(command_tokens().configuration_code, -1);
  TOKENIZE_COMMAND_LINE(":DUMMYCOMMAND");
  EXPECT_EQ(command_tokens().configuration_code, 0);
}

TEST_F(ProgrammerTest, AnEmptyLineHasNoTokens) {
  TOKENIZE_COMMAND_LINE("");
  EXPECT_EQ(command_tokens().count, 0);
  GET_NUMBER_PARAMETER(1);
  EXPECT_TRUE(command_tokens().error);
}

}  // namespace
}  // namespace vx::programmer
