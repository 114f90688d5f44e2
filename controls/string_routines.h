#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// Routines over texts kept in fixed character buffers ended by a zero
// character. A buffer's size less one is the text's room: whatever a routine
// would write beyond it is cut, so no routine writes past the buffer. Each
// writing routine returns the buffer it was given. Positions are 0-based.
namespace vx::controls {

// The text in a buffer: up to its first zero character, or all of it.
std::string_view text_in(std::span<const char> buffer);
// Puts the text into the buffer, cut to its room; an empty buffer stays untouched.
std::span<char> store_text(std::span<char> buffer, std::string_view text);

// 32 characters "0"/"1", most significant bit first.
std::span<char> BinaryDigits(std::span<char> buffer, std::uint32_t value);
std::span<char> HexLongDigits(std::span<char> buffer, std::uint32_t value);
std::span<char> HexWordDigits(std::span<char> buffer, std::uint16_t value);
// Twelve digits, the value taken as unsigned.
std::span<char> OctalDigits(std::span<char> buffer, std::uint32_t value);
std::span<char> FillWithChar(std::span<char> buffer, char c, std::size_t count);

// Case changes of Windows-1252 characters, accented letters included.
char UpperChar(char c);
char LowerChar(char c);

std::optional<std::size_t> FindChar(std::string_view text, char c);
// Exact comparison; an empty pattern or text, or a pattern longer than the
// text, is never found.
std::optional<std::size_t> FindText(std::string_view text, std::string_view pattern);

// Inserting at or past the end appends.
std::span<char> InsertCharAt(std::span<char> buffer, char c, std::size_t position);
// At most 1024 copies.
std::span<char> InsertCharsAt(std::span<char> buffer, char c, std::size_t position, std::size_t count);
std::span<char> InsertTextAt(std::span<char> buffer, std::string_view insert, std::size_t position);
std::span<char> DeleteCharAt(std::span<char> buffer, std::size_t position);
// Removing past the end cuts the text at the position.
std::span<char> DeleteAt(std::span<char> buffer, std::size_t position, std::size_t count);
std::span<char> CopyFrom(std::span<char> buffer, std::string_view text, std::size_t position, std::size_t count);

// Trailing, then leading blanks; no other character counts as one.
std::span<char> TrimBlanks(std::span<char> buffer);
// Trailing blanks and control characters.
std::span<char> TrimTrailingControls(std::span<char> buffer);
// "1.500" gives "1.5" and "2.00" "2"; a text without a point is left as it is.
std::span<char> TrimFractionZeros(std::span<char> buffer);
// "1.2300E+005" gives "1.23E+5" and "1.5000E+000" "1.5".
std::span<char> TrimExponentZeros(std::span<char> buffer);

// Decimal, or hexadecimal behind "$", "x" or "0x": leading blanks and a sign
// allowed, trailing blanks and control characters ignored. On failure `value`
// is the position of the first refused character (the text's length when it
// ends too early), or -1 for a text longer than 255 characters. A decimal
// value outside 32 bits fails at the digit that overflows; eight hexadecimal
// digits are the 32-bit pattern ("$FFFFFFFF" is -1).
bool TextToLong(std::string_view text, std::int32_t& value);

}  // namespace vx::controls
