#include <array>
#include <string>

#include "controls/string_routines.h"

namespace vx::controls {
namespace {

int digit_value(char c, std::uint32_t base) {
  if (c >= '0' && c <= '9') return c - '0';
  if (base == 16 && c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (base == 16 && c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Leading blanks, an optional sign, then decimal digits or a hexadecimal
// marker ("$", "x", "0x") and hexadecimal digits, and nothing after them.
// Gives the value, or the position it refused.
bool convert(std::string_view text, std::int32_t& value, std::size_t& refused) {
  std::size_t index = text.find_first_not_of(' ');
  if (index == std::string_view::npos) index = text.size();
  bool negative = false;
  if (index < text.size() && (text[index] == '+' || text[index] == '-')) {
    negative = text[index++] == '-';
  }
  std::uint32_t base = 10;
  if (index < text.size() && (text[index] == '$' || text[index] == 'x' || text[index] == 'X')) {
    base = 16;
    index += 1;
  } else if (text.substr(index).starts_with("0x") || text.substr(index).starts_with("0X")) {
    base = 16;
    index += 2;
  }
  if (index == text.size()) {
    refused = index;
    return false;
  }
  // Hexadecimal digits are the 32 bits themselves; a decimal value has to fit its sign.
  const std::uint64_t limit = base == 16 ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
  std::uint64_t magnitude = 0;
  for (; index < text.size(); ++index) {
    const int digit = digit_value(text[index], base);
    if (digit < 0 || magnitude * base + static_cast<std::uint64_t>(digit) > limit) {
      refused = index;
      return false;
    }
    magnitude = magnitude * base + static_cast<std::uint64_t>(digit);
  }
  // Negating in unsigned keeps -2147483648 and -$80000000 defined.
  const std::uint32_t bits = static_cast<std::uint32_t>(magnitude);
  value = static_cast<std::int32_t>(negative ? 0u - bits : bits);
  return true;
}

}  // namespace

bool TextToLong(std::string_view text, std::int32_t& value) {
  if (text.size() > 255) {
    value = -1;
    return false;
  }
  std::array<char, 256> buffer{};
  std::string_view work = text_in(TrimTrailingControls(store_text(buffer, text)));
  const std::size_t marker = work.find("0x");
  std::string marked;
  if (marker != std::string_view::npos) {
    marked.append(work.substr(0, marker)).append("$").append(work.substr(marker + 2));
    work = marked;
  }
  std::size_t refused = 0;
  if (convert(work, value, refused)) {
    return true;
  }
  // Counted in the text as given, before its "0x" became "$".
  value = static_cast<std::int32_t>(marker != std::string_view::npos && refused > marker ? refused + 1 : refused);
  return false;
}

}  // namespace vx::controls
