#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "foundation/char_set.h"
#include "foundation/short_text.h"

// The text routines the whole system calls. Every text result is a
// ShortText cut at 255 characters, except where a routine composes a file
// name: a cut path is a wrong path, so those refuse with std::nullopt.
// Positions are 1-based, as the error positions of the parsers are.
namespace vx {

ShortText hex_byte(std::uint8_t value);
ShortText hex_word(std::uint16_t value);
ShortText hex_long(std::uint32_t value);
ShortText hex_pointer(std::uint32_t address);

// Decimal, or hexadecimal after '$', 'x' or "0x" or before 'H' (either
// case); blanks around the number are ignored. On failure `value` receives
// the 1-based position of the first bad character, or the length + 1 (+ 2
// after a hexadecimal marker) when the text ends too early.
bool str_to_long(const ShortText& text, std::int32_t& value);
bool str_to_int(const ShortText& text, std::int32_t& value);
// The plain conversion beneath them: leading blanks, a sign, then decimal
// digits or a hexadecimal marker ('$', 'x', "0x") and hexadecimal digits;
// no trailing blanks and no 'H' suffix.
bool convert_integer_text(std::string_view text, std::int32_t& value);
// As str_to_long; a value outside 0-65535 fails at the text's full length.
bool str_to_word(const ShortText& text, std::uint16_t& value);
// Takes the decimal separator as well as '.'; an empty text reads 0. On
// failure `value` receives the error position, counted in the text without
// its surrounding blanks.
bool str_to_real(const ShortText& text, long double& value);

ShortText long_to_str(std::int32_t value);
// Right-aligned to at least `width`; negative `decimals` give the exponent form.
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

// File-name parts (see foundation/file_names.h). '\' and '/' separate
// directories; ':' separates only in the drive form "X:".
ShortText file_name_part(const ShortText& name);
ShortText path_part(const ShortText& name);
std::optional<ShortText> add_backslash(const ShortText& directory);
std::optional<ShortText> replace_extension(const ShortText& name, const ShortText& extension);
// `position` is that of the last '.' (1-based), 0 when there is none.
bool has_extension(const ShortText& name, std::size_t& position);

// The system's decimal separator: '.' until init_decimal_separator reads
// it from the user's locale at start-up; tests may set it.
void init_decimal_separator();
void reset_decimal_separator();
char decimal_separator();
void set_decimal_separator(char separator);

}  // namespace vx
