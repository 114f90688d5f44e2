#include "programmer/serial_number_file.h"

#include "foundation/kstring.h"

namespace vx::programmer {
namespace {

constexpr char unprintable_mark = '\x82';

// A field of exactly `width` hexadecimal digits at `position`.
std::optional<std::uint32_t> hex_field(std::string_view text, std::size_t position, std::size_t width) {
  if (position + width > text.size()) return std::nullopt;
  std::uint32_t value = 0;
  for (const char c : text.substr(position, width)) {
    std::uint32_t digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<std::uint32_t>(c - '0');
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<std::uint32_t>(c - 'A' + 10);
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<std::uint32_t>(c - 'a' + 10);
    } else {
      return std::nullopt;
    }
    value = value << 4 | digit;
  }
  return value;
}

char display_char(std::uint8_t byte) { return byte >= 0x20 && byte <= 0x7E ? static_cast<char>(byte) : unprintable_mark; }

}  // namespace

std::optional<SerialNumber> parse_serial_number(std::string_view text) {
  const std::size_t line_end = text.find_first_of("\r\n");
  if (line_end != std::string_view::npos) text = text.substr(0, line_end);
  const auto count = hex_field(text, 0, 2);
  const auto address = hex_field(text, 2, 8);
  if (!count || !address || *count == 0 || *count > SerialNumber::max_bytes) return std::nullopt;
  SerialNumber serial;
  serial.count = static_cast<std::uint8_t>(*count);
  serial.address = *address;
  std::size_t position = 10;
  for (std::size_t i = 0; i < serial.count; ++i, position += 6) {
    const auto limit = hex_field(text, position, 2);
    const auto current = hex_field(text, position + 2, 2);
    const auto restart = hex_field(text, position + 4, 2);
    if (!limit || !current || !restart) return std::nullopt;
    serial.limit[i] = static_cast<std::uint8_t>(*limit);
    serial.current[i] = static_cast<std::uint8_t>(*current);
    serial.restart[i] = static_cast<std::uint8_t>(*restart);
  }
  serial.reversed = position < text.size() && (text[position] == 'L' || text[position] == 'l');
  return serial;
}

std::string format_serial_number(const SerialNumber& serial) {
  std::string text = hex_byte(serial.count).str() + hex_long(serial.address).str();
  for (std::size_t i = 0; i < serial.count; ++i) {
    text += hex_byte(serial.limit[i]).view();
    text += hex_byte(serial.current[i]).view();
    text += hex_byte(serial.restart[i]).view();
  }
  if (serial.reversed) text += 'L';
  return text;
}

bool advance_serial_number(SerialNumber& serial) {
  for (std::size_t i = serial.count; i-- > 0;) {
    if (serial.current[i] != serial.limit[i]) {
      ++serial.current[i];
      return true;
    }
    serial.current[i] = serial.restart[i];
  }
  return false;
}

std::string serial_display_text(const SerialNumber& serial) {
  std::string text;
  for (std::size_t i = 0; i < serial.count; ++i) text += display_char(serial.current[i]);
  return text;
}

std::vector<std::uint8_t> serial_storage_bytes(const SerialNumber& serial) {
  std::vector<std::uint8_t> bytes(serial.current.begin(), serial.current.begin() + serial.count);
  if (serial.reversed) return {bytes.rbegin(), bytes.rend()};
  return bytes;
}

}  // namespace vx::programmer
