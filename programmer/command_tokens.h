#pragma once

#include <array>
#include <cstdint>

#include "foundation/short_text.h"

// The words of a configuration line and the numbers in them. A line is
// split into at most 40 tokens of at most 80 characters; numbers take a
// radix prefix ("!" "$" "%" "@" "0X") or suffix ("H" "O" "Q" "T").
namespace vx::programmer {

struct CommandTokens {
  static constexpr std::size_t max_tokens = 40;
  static constexpr std::size_t max_token_length = 80;
  static constexpr std::size_t line_width = 80;

  // Tokens 1 to count; index 0 is unused.
  std::array<ShortText, max_tokens + 1> tokens{};
  std::int32_t count = 0;
  // The configuration code of the first token; -1 when it names none.
  std::int32_t configuration_code = -1;
  ShortText line;

  // Hexadecimal from start-up; decimal while a command file is pre-processed.
  std::uint8_t default_radix = 16;
  std::int32_t value = 0;
  bool error = false;
  // Set by every failed conversion and never cleared.
  bool bad_number = false;
};

CommandTokens& command_tokens();
void reset_command_tokens();

// Splits the line into tokens and looks the first up among the configuration commands.
void TOKENIZE_COMMAND_LINE(const ShortText& line);
// Converts token n into value, setting or clearing the error flag.
void GET_NUMBER_PARAMETER(std::int32_t n);
// Converts the text by the same rules without touching the tokens; returns the sticky bad-number flag.
bool CONVERT_NUMBER_STRING(const ShortText& text);

}  // namespace vx::programmer
