#include "tools/s8p/s8p_pack.h"

#include <array>
#include <string_view>

namespace vx::tools {
namespace {

constexpr std::size_t kMaxLine = 255;
constexpr std::uint8_t kEndOfText = 0x1A;

constexpr std::array<std::uint16_t, 256> make_crc_table() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned remainder = i << 8;
    for (int bit = 0; bit < 8; ++bit) remainder = (remainder & 0x8000) ? (remainder << 1) ^ 0x1021 : remainder << 1;
    table[i] = static_cast<std::uint16_t>(remainder);
  }
  return table;
}

constexpr std::array<std::uint16_t, 256> kCrcTable = make_crc_table();

bool acceptable(std::string_view line) {
  if (line.size() > kMaxLine) return false;
  for (const char c : line) {
    if (static_cast<unsigned char>(c) < 0x20 && c != '\t') return false;
  }
  return true;
}

}  // namespace

std::uint16_t s8p_crc16(std::span<const std::uint8_t> text) {
  std::uint16_t crc = 0;
  for (const std::uint8_t b : text) crc = static_cast<std::uint16_t>(kCrcTable[crc >> 8] ^ (crc << 8) ^ b);
  return crc;
}

PackedFile pack_s8p(const std::vector<std::string>& parts) {
  PackedFile packed;
  for (std::size_t p = 0; p < parts.size(); ++p) {
    std::string_view rest = parts[p];
    for (int number = 1; !rest.empty(); ++number) {
      const std::size_t end = rest.find('\n');
      std::string_view line = rest.substr(0, end);
      rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
      if (line.ends_with('\r')) line.remove_suffix(1);
      if (!acceptable(line)) {
        return {{}, "part " + std::to_string(p + 1) + ", line " + std::to_string(number) +
                        ": longer than 255 characters or holds a control character"};
      }
      packed.bytes.insert(packed.bytes.end(), line.begin(), line.end());
      packed.bytes.push_back('\r');
      packed.bytes.push_back('\n');
    }
  }
  const std::uint16_t crc = s8p_crc16(packed.bytes);
  packed.bytes.push_back(kEndOfText);
  packed.bytes.push_back(static_cast<std::uint8_t>(crc));
  packed.bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
  return packed;
}

}  // namespace vx::tools
