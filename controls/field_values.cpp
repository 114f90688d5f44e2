#include "controls/field_values.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace vx::controls {
namespace {

constexpr long double double_bound = 1.7e308L;
constexpr long double single_bound = 3.4e38L;
constexpr long double comp_bound = 9.2e18L;

}  // namespace

std::size_t ValueSize(std::uint8_t type, std::size_t max_length) {
  switch (type) {
    case fld::String: return max_length + 1;
    case fld::Char: case fld::Boolean: case fld::YesNo: case fld::Byte: case fld::ShortInt: return 1;
    case fld::Word: case fld::Integer: return 2;
    case fld::LongInt: case fld::Single: case fld::Date: case fld::Time: return 4;
    case fld::Real: case fld::Double: case fld::Comp: return 8;
    case fld::Extended: return 10;
    default: return 0;
  }
}

long double ReadExtended(std::span<const std::byte> bytes) {
  long double value = 0;
  std::memcpy(&value, bytes.data(), std::min<std::size_t>(10, bytes.size()));
  return value;
}

void WriteExtended(std::span<std::byte> bytes, long double value) {
  std::memcpy(bytes.data(), &value, std::min<std::size_t>(10, bytes.size()));
}

std::int32_t CellInteger(const RangeCell& cell) { return ReadAs<std::int32_t>(cell); }

long double CellReal(const RangeCell& cell, std::uint8_t type) {
  return type == fld::Real ? static_cast<long double>(ReadAs<double>(cell)) : ReadExtended(cell);
}

void SetCellReal(RangeCell& cell, std::uint8_t type, long double value) {
  cell.fill(std::byte{0});
  if (type == fld::Real) {
    WriteAs<double>(cell, static_cast<double>(value));
  } else {
    WriteExtended(cell, value);
  }
}

std::string TrimmedBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

bool ParseReal(std::string_view text, long double& value) {
  const std::string number = TrimmedBlanks(text);
  if (number.empty()) {
    value = 0;
    return true;
  }
  // Only what a decimal number is made of: no hexadecimal, no infinity.
  if (number.find_first_not_of("0123456789+-.eE") != std::string::npos) return false;
  char* end = nullptr;
  errno = 0;
  const long double parsed = std::strtold(number.c_str(), &end);
  if (end != number.c_str() + number.size() || errno == ERANGE || !std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

bool IntegerFitsType(std::uint8_t type, std::int64_t value) {
  switch (type) {
    case fld::Word: return value >= 0 && value <= 65535;
    case fld::Integer: return value >= -32768 && value <= 32767;
    case fld::Byte: return value >= 0 && value <= 255;
    case fld::ShortInt: return value >= -128 && value <= 127;
    default: return value >= INT32_MIN && value <= INT32_MAX;
  }
}

bool RealFitsType(std::uint8_t type, long double value) {
  switch (type) {
    case fld::Double: return std::fabs(value) <= double_bound;
    case fld::Single: return std::fabs(value) <= single_bound;
    case fld::Comp: return std::fabs(value) <= comp_bound;
    default: return true;
  }
}

std::int32_t ReadInteger(std::span<const std::byte> bytes, std::uint8_t type) {
  switch (type) {
    case fld::Word: return ReadAs<std::uint16_t>(bytes);
    case fld::Integer: return ReadAs<std::int16_t>(bytes);
    case fld::Byte: return ReadAs<std::uint8_t>(bytes);
    case fld::ShortInt: return ReadAs<std::int8_t>(bytes);
    default: return ReadAs<std::int32_t>(bytes);
  }
}

void WriteInteger(std::span<std::byte> bytes, std::uint8_t type, std::int32_t value) {
  switch (type) {
    case fld::Word: WriteAs(bytes, static_cast<std::uint16_t>(value)); break;
    case fld::Integer: WriteAs(bytes, static_cast<std::int16_t>(value)); break;
    case fld::Byte: WriteAs(bytes, static_cast<std::uint8_t>(value)); break;
    case fld::ShortInt: WriteAs(bytes, static_cast<std::int8_t>(value)); break;
    default: WriteAs(bytes, value); break;
  }
}

long double ReadReal(std::span<const std::byte> bytes, std::uint8_t type) {
  switch (type) {
    case fld::Real: case fld::Double: return ReadAs<double>(bytes);
    case fld::Single: return ReadAs<float>(bytes);
    case fld::Comp: return static_cast<long double>(ReadAs<std::int64_t>(bytes));
    default: return ReadExtended(bytes);
  }
}

void WriteReal(std::span<std::byte> bytes, std::uint8_t type, long double value) {
  switch (type) {
    case fld::Real: case fld::Double: WriteAs(bytes, static_cast<double>(value)); break;
    case fld::Single: WriteAs(bytes, static_cast<float>(value)); break;
    case fld::Comp: WriteAs(bytes, static_cast<std::int64_t>(std::llroundl(value))); break;
    default: WriteExtended(bytes, value); break;
  }
}

std::string ReadCounted(std::span<const std::byte> bytes) {
  if (bytes.empty()) return {};
  const std::size_t length = std::min<std::size_t>(std::to_integer<std::size_t>(bytes[0]), bytes.size() - 1);
  return {reinterpret_cast<const char*>(bytes.data()) + 1, length};
}

void WriteCounted(std::span<std::byte> bytes, std::string_view text) {
  if (bytes.empty()) return;
  const std::size_t length = std::min({text.size(), bytes.size() - 1, max_edit_length});
  bytes[0] = static_cast<std::byte>(length);
  std::memcpy(bytes.data() + 1, text.data(), length);
}

}  // namespace vx::controls
