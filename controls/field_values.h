#pragma once

#include <cfloat>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "controls/entry_field.h"

// The byte forms of the values that entry fields transfer and keep in their
// range cells.
namespace vx::controls {

static_assert(LDBL_MANT_DIG == 64, "the 80-bit values need the x87 extended type");

// The size of a value of the type; a String is a counted text of max_length.
std::size_t ValueSize(std::uint8_t type, std::size_t max_length);

template <typename T>
T ReadAs(std::span<const std::byte> bytes) {
  T value{};
  std::memcpy(&value, bytes.data(), std::min(sizeof(T), bytes.size()));
  return value;
}

template <typename T>
void WriteAs(std::span<std::byte> bytes, T value) {
  std::memcpy(bytes.data(), &value, std::min(sizeof(T), bytes.size()));
}

// 80-bit numbers take ten bytes.
long double ReadExtended(std::span<const std::byte> bytes);
void WriteExtended(std::span<std::byte> bytes, long double value);

// A cell's value of the type, widened.
std::int32_t CellInteger(const RangeCell& cell);
long double CellReal(const RangeCell& cell, std::uint8_t type);
void SetCellReal(RangeCell& cell, std::uint8_t type, long double value);

// The text without the blanks at either end.
std::string TrimmedBlanks(std::string_view text);

// Sign, digits, a point and an exponent, with blanks around; empty is 0.
bool ParseReal(std::string_view text, long double& value);

// The type's bounds of an integer; false when the value is outside them.
bool IntegerFitsType(std::uint8_t type, std::int64_t value);
// The type's bounds of a floating value (Double, Single and Comp).
bool RealFitsType(std::uint8_t type, long double value);

// The integer read as the type's size and sign.
std::int32_t ReadInteger(std::span<const std::byte> bytes, std::uint8_t type);
void WriteInteger(std::span<std::byte> bytes, std::uint8_t type, std::int32_t value);
long double ReadReal(std::span<const std::byte> bytes, std::uint8_t type);
void WriteReal(std::span<std::byte> bytes, std::uint8_t type, long double value);

// A counted text: its length byte and up to 255 characters, cut to the buffer.
std::string ReadCounted(std::span<const std::byte> bytes);
void WriteCounted(std::span<std::byte> bytes, std::string_view text);

}  // namespace vx::controls
