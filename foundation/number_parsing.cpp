#include <charconv>
#include <optional>
#include <string_view>

#include "foundation/kstring.h"

namespace vx {
namespace {

struct Conversion {
  bool ok = false;
  std::int32_t value = 0;          // when ok
  std::size_t error_position = 0;  // 1-based, when not ok
};

Conversion failure_at(std::size_t position) { return {false, 0, position}; }

int digit_value(char c, std::uint32_t base) {
  if (c >= '0' && c <= '9') return c - '0';
  if (base == 16 && c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (base == 16 && c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The standard integer conversion: leading blanks, an optional sign, then
// decimal digits, or a hexadecimal marker ('$', 'x', "0x") and hexadecimal
// digits, and nothing after them.
Conversion convert_integer(std::string_view text) {
  std::size_t index = 0;
  while (index < text.size() && text[index] == ' ') ++index;
  bool negative = false;
  if (index < text.size() && (text[index] == '+' || text[index] == '-')) {
    negative = text[index] == '-';
    ++index;
  }
  if (index == text.size()) return failure_at(text.size() + 1);

  bool hexadecimal = true;
  if (text[index] == '$' || upcase_char(text[index]) == 'X') {
    index += 1;
  } else if (text[index] == '0' && index + 1 < text.size() && upcase_char(text[index + 1]) == 'X') {
    index += 2;
  } else {
    hexadecimal = false;
  }
  if (hexadecimal && index == text.size()) return failure_at(text.size() + 2);

  // Beyond these one more digit could overflow 32 bits.
  const std::uint32_t base = hexadecimal ? 16 : 10;
  const std::uint32_t last_safe = hexadecimal ? 0x0FFFFFFF : 214748364;
  std::uint32_t magnitude = 0;
  for (; index < text.size(); ++index) {
    const int digit = digit_value(text[index], base);
    if (digit < 0 || magnitude > last_safe) return failure_at(index + 1);
    magnitude = magnitude * base + static_cast<std::uint32_t>(digit);
  }
  if (!hexadecimal && magnitude > (negative ? 0x80000000u : 0x7FFFFFFFu)) return failure_at(text.size() + 1);
  // Hexadecimal digits are the 32 bits themselves; negating in unsigned keeps -$80000000 defined.
  if (negative) magnitude = 0u - magnitude;
  return {true, static_cast<std::int32_t>(magnitude), 0};
}

Conversion parse_integer(const ShortText& text) {
  const std::size_t last = text.view().find_last_not_of(' ');
  if (last == std::string_view::npos) return failure_at(1);
  ShortText work = text.substr(0, last + 1);
  const std::size_t first = work.view().find_first_not_of(' ');

  std::size_t shift = 0;
  if (upcase_char(work[last]) == 'H') {
    if (first == last) return failure_at(first + 1);
    // "1FH" is read as "$1F"; errors are then counted in the text as written.
    for (std::size_t index = last; index > first; --index) work[index] = work[index - 1];
    work[first] = '$';
    shift = 1;
  } else if (first < last && work[first] == '0' && upcase_char(work[first + 1]) == 'X') {
    work[first] = ' ';
    work[first + 1] = '$';
  }

  Conversion result = convert_integer(work.view());
  if (!result.ok) result.error_position -= shift;
  return result;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_sign(char c) { return c == '+' || c == '-'; }

// Checks the form of a real: an optional sign, digits with an optional '.'
// fraction (at least one digit in all), an optional exponent. Gives the
// position of the first character that does not fit, or length + 1 when
// the text ends too early; nothing when the form is sound.
std::optional<std::size_t> real_form_error(std::string_view text) {
  std::size_t index = 0;
  const auto next_is = [&](auto test) { return index < text.size() && test(text[index]); };
  const auto skip_digits = [&] {
    const std::size_t start = index;
    while (next_is(is_digit)) ++index;
    return index - start;
  };

  if (next_is(is_sign)) ++index;
  std::size_t digits = skip_digits();
  if (next_is([](char c) { return c == '.'; })) {
    ++index;
    digits += skip_digits();
  }
  if (digits == 0) return index + 1;
  if (next_is([](char c) { return c == 'E' || c == 'e'; })) {
    ++index;
    if (next_is(is_sign)) ++index;
    if (skip_digits() == 0) return index + 1;
  }
  if (index < text.size()) return index + 1;
  return std::nullopt;
}

}  // namespace

bool str_to_long(const ShortText& text, std::int32_t& value) {
  const Conversion result = parse_integer(text);
  value = result.ok ? result.value : static_cast<std::int32_t>(result.error_position);
  return result.ok;
}

bool str_to_int(const ShortText& text, std::int32_t& value) { return str_to_long(text, value); }

bool convert_integer_text(std::string_view text, std::int32_t& value) {
  const Conversion result = convert_integer(text);
  value = result.ok ? result.value : static_cast<std::int32_t>(result.error_position);
  return result.ok;
}

bool str_to_word(const ShortText& text, std::uint16_t& value) {
  const Conversion result = parse_integer(text);
  if (!result.ok) {
    value = static_cast<std::uint16_t>(result.error_position);
    return false;
  }
  if (result.value < 0 || result.value > 0xFFFF) {
    value = static_cast<std::uint16_t>(text.size());
    return false;
  }
  value = static_cast<std::uint16_t>(result.value);
  return true;
}

bool str_to_real(const ShortText& text, long double& value) {
  const std::size_t first = text.view().find_first_not_of(' ');
  ShortText number = first == std::string_view::npos
                         ? ShortText("0")
                         : text.substr(first, text.view().find_last_not_of(' ') + 1 - first);

  const std::size_t separator = number.view().find(decimal_separator());
  if (separator != std::string_view::npos) {
    if (separator + 1 == number.size()) {
      number.truncate(separator);
    } else {
      number[separator] = '.';
    }
  }

  if (const std::optional<std::size_t> error = real_form_error(number.view())) {
    value = static_cast<long double>(*error);
    return false;
  }
  // from_chars reads no '+', and is independent of the process locale.
  const char* start = number.data() + (number.front() == '+' ? 1 : 0);
  long double parsed = 0;
  const std::from_chars_result converted = std::from_chars(start, number.data() + number.size(), parsed);
  if (converted.ec != std::errc()) {
    // Beyond the range of long double.
    value = static_cast<long double>(number.size() + 1);
    return false;
  }
  value = parsed;
  return true;
}

}  // namespace vx
