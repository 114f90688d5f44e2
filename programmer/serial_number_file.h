#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The serial-number file: one line of hexadecimal digits, the byte count
// (2 digits), the device address of the first byte (8), then per byte its
// limit, current value and restart value (2 digits each), and an optional
// "L" when the bytes are stored in reverse order.
namespace vx::programmer {

struct SerialNumber {
  static constexpr std::size_t max_bytes = 16;

  std::uint8_t count = 0;
  std::uint32_t address = 0;
  std::array<std::uint8_t, max_bytes> limit{};
  std::array<std::uint8_t, max_bytes> current{};
  std::array<std::uint8_t, max_bytes> restart{};
  bool reversed = false;
};

// Nothing when a field is missing or not hexadecimal, or the count is 0 or
// above 16 (the arrays hold 16 bytes). Lower-case digits and "l" are taken.
std::optional<SerialNumber> parse_serial_number(std::string_view text);
// Upper-case digits, no line end.
std::string format_serial_number(const SerialNumber& serial);
// The last byte counts fastest; a byte at its limit restarts and carries
// into the one before it. False, with every byte restarted, when the carry
// leaves byte 0.
bool advance_serial_number(SerialNumber& serial);
// One character per byte: the byte when printable, 0x82 otherwise.
std::string serial_display_text(const SerialNumber& serial);
// The bytes from the serial address upwards.
std::vector<std::uint8_t> serial_storage_bytes(const SerialNumber& serial);

}  // namespace vx::programmer
