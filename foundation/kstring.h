#pragma once

#include <bitset>
#include <cstdint>
#include <optional>
#include <string_view>

#include "foundation/short_text.h"

// The text routines the whole system calls. Every text result is a
// ShortText cut at 255 characters, except where a routine composes a file
// name: a cut path is a wrong path, so those refuse with std::nullopt.
// Positions are 1-based, as the error positions of the parsers are.
namespace vx {

// A set of single-byte characters, used as word delimiters.
class CharSet {
 public:
  CharSet() = default;
  explicit CharSet(std::string_view members);
  bool contains(char c) const { return bits_.test(static_cast<unsigned char>(c)); }
  void add(char c) { bits_.set(static_cast<unsigned char>(c)); }

 private:
  std::bitset<256> bits_;
};

ShortText hex_byte(std::uint8_t value);
ShortText hex_word(std::uint16_t value);
ShortText hex_long(std::uint32_t value);
ShortText hex_pointer(std::uint32_t address);

// On failure `value` receives the 1-based position of the first bad character.
bool str_to_long(const ShortText& text, std::int32_t& value);
bool str_to_int(const ShortText& text, std::int32_t& value);
bool str_to_word(const ShortText& text, std::uint16_t& value);
// On failure `value` receives the error position.
bool str_to_real(const ShortText& text, long double& value);

ShortText long_to_str(std::int32_t value);
ShortText real_to_str(std::uint8_t width, std::int8_t decimals, long double value);
ShortText bool_to_str(bool value);

// Case changes touch ASCII letters only: names on Linux are UTF-8.
char upcase_char(char c);
ShortText upper_case(const ShortText& text);
ShortText lower_case(const ShortText& text);

ShortText pad_char(const ShortText& text, char fill, std::uint8_t width);
ShortText pad_blanks(const ShortText& text, std::uint8_t width);
ShortText left_pad_char(const ShortText& text, char fill, std::uint8_t width);
ShortText trim_trailing(const ShortText& text);
ShortText trim(const ShortText& text);

std::uint8_t word_count(const ShortText& text, const CharSet& delimiters);
ShortText extract_word(std::uint8_t n, const ShortText& text, const CharSet& delimiters);

// File-name parts. '\' and '/' separate directories; ':' separates only in
// the drive form "X:".
ShortText file_name_part(const ShortText& name);
ShortText path_part(const ShortText& name);
std::optional<ShortText> add_backslash(const ShortText& directory);
std::optional<ShortText> replace_extension(const ShortText& name, const ShortText& extension);
bool has_extension(const ShortText& name, std::size_t& position);

// The system's decimal separator, read from the user's locale at start-up;
// tests may set it.
char decimal_separator();
void set_decimal_separator(char separator);

}  // namespace vx
