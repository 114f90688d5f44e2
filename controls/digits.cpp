#include <string>

#include "controls/string_routines.h"

namespace vx::controls {
namespace {

constexpr std::string_view digit_chars = "0123456789ABCDEF";

// The lowest `count` digits of `bits_per_digit` bits each, most significant first.
std::span<char> digits_of(std::span<char> buffer, std::uint32_t value, int bits_per_digit, int count) {
  std::string text(static_cast<std::size_t>(count), '0');
  const std::uint64_t wide = value;
  for (int index = 0; index < count; ++index) {
    const int shift = (count - 1 - index) * bits_per_digit;
    const auto digit = (wide >> shift) & ((1u << bits_per_digit) - 1);
    text[static_cast<std::size_t>(index)] = digit_chars[digit];
  }
  return store_text(buffer, text);
}

}  // namespace

std::span<char> BinaryDigits(std::span<char> buffer, std::uint32_t value) { return digits_of(buffer, value, 1, 32); }

std::span<char> HexLongDigits(std::span<char> buffer, std::uint32_t value) { return digits_of(buffer, value, 4, 8); }

std::span<char> HexWordDigits(std::span<char> buffer, std::uint16_t value) { return digits_of(buffer, value, 4, 4); }

std::span<char> OctalDigits(std::span<char> buffer, std::uint32_t value) { return digits_of(buffer, value, 3, 12); }

std::span<char> FillWithChar(std::span<char> buffer, char c, std::size_t count) {
  return store_text(buffer, std::string(std::min(count, buffer.size()), c));
}

}  // namespace vx::controls
