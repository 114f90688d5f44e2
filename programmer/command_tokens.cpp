#include "programmer/command_tokens.h"

#include <string_view>

#include "foundation/error_messages.h"
#include "foundation/kstring.h"
#include "programmer/configuration_commands.h"

namespace vx::programmer {
namespace {

CommandTokens tokens_state;

bool token_character(char c) {
  const char u = upcase_char(c);
  if ((u >= '0' && u <= ':') || (u >= '>' && u <= '_')) return true;
  switch (u) {
    case '!': case '$': case '%': case '&': case '(': case ')': case '*': case '+': case '-': case '.': case '/':
    case '~':
      return true;
    default:
      return false;
  }
}

bool digits_in_radix(std::string_view digits, std::uint32_t radix, std::int32_t& value) {
  std::uint32_t result = 0;
  for (const char c : digits) {
    const auto digit = static_cast<std::uint32_t>(c - '0');
    if (c < '0' || digit >= radix) return false;
    result = result * radix + digit;
  }
  value = static_cast<std::int32_t>(result);
  return true;
}

// The conversion both entry points share; the value changes only on success.
void convert(const ShortText& token, CommandTokens& state) {
  state.error = true;
  ShortText text = upper_case(trim(token));
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text = text.substr(1);
  }
  std::uint32_t radix = 0;
  if (text.view().starts_with("0X")) {
    radix = 16;
    text = text.substr(2);
  } else if (!text.empty()) {
    switch (text[0]) {
      case '!': radix = 10; break;
      case '$': radix = 16; break;
      case '%': radix = 2; break;
      case '@': radix = 8; break;
      default: break;
    }
    if (radix != 0) text = text.substr(1);
  }
  if (radix == 0 && !text.empty()) {
    switch (text.back()) {
      case 'H': radix = 16; break;
      case 'O': radix = 8; break;
      case 'Q': radix = 2; break;
      case 'T': radix = 10; break;
      default: break;
    }
    if (radix != 0) text.truncate(text.size() - 1);
  }
  if (text.empty()) {
    state.bad_number = true;
    return;
  }
  if (radix == 0) radix = state.default_radix;

  std::int32_t value = 0;
  bool converted = false;
  if (radix == 16) {
    converted = str_to_long("$" + text, value);
  } else if (radix == 10) {
    converted = str_to_long(text, value);
  } else {
    converted = digits_in_radix(text.view(), radix, value);
  }
  if (converted) {
    state.value = negative ? static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(value)) : value;
    state.error = false;
  } else {
    state.bad_number = true;
  }
}

}  // namespace

CommandTokens& command_tokens() { return tokens_state; }

void reset_command_tokens() { tokens_state = CommandTokens{}; }

void TOKENIZE_COMMAND_LINE(const ShortText& line) {
  CommandTokens& state = tokens_state;
  state.line = line;
  ShortText text = line;
  const std::size_t semicolon = text.view().find(';');
  if (semicolon != std::string_view::npos && semicolon > 0) text.truncate(semicolon);
  text.truncate(CommandTokens::line_width);
  text = pad_blanks(text, CommandTokens::line_width);

  for (ShortText& token : state.tokens) token = ShortText();
  state.count = 1;
  bool columns_left_over = false;
  for (std::size_t column = 0; column < CommandTokens::line_width; ++column) {
    ShortText& current = state.tokens[static_cast<std::size_t>(state.count)];
    if (token_character(text[column])) {
      if (current.size() < CommandTokens::max_token_length) current += text[column];
    } else if (!current.empty()) {
      if (static_cast<std::size_t>(state.count) == CommandTokens::max_tokens) {
        columns_left_over = column + 1 < CommandTokens::line_width;
        break;
      }
      ++state.count;
    }
  }
  if (columns_left_over && trim(state.tokens[1]) != "REM") ERROR_MESSAGE(40);
  if (state.tokens[static_cast<std::size_t>(state.count)].empty()) --state.count;

  state.tokens[1] = upper_case(state.tokens[1]);
  state.configuration_code = configuration_code(trim(state.tokens[1]));
  for (ShortText& token : state.tokens) token = trim(token);
}

void GET_NUMBER_PARAMETER(std::int32_t n) {
  CommandTokens& state = tokens_state;
  if (n < 1 || n > state.count || state.tokens[static_cast<std::size_t>(n)].empty()) {
    state.error = true;
    state.bad_number = true;
    return;
  }
  convert(state.tokens[static_cast<std::size_t>(n)], state);
}

bool CONVERT_NUMBER_STRING(const ShortText& text) {
  convert(text, tokens_state);
  return tokens_state.bad_number;
}

}  // namespace vx::programmer
