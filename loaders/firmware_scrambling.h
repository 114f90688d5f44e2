#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace vx::loaders {

// Interface firmware files are S-record text behind a fixed header, each
// byte scrambled with the one before it and a rolling offset.
inline constexpr std::size_t scrambled_header_size = 50;

class FirmwareScrambler {
 public:
  static constexpr std::uint8_t seed = 0xA5;
  static constexpr std::uint8_t start_offset = 0x17;
  static constexpr std::uint8_t offset_step = 0x2B;

  std::uint8_t unscramble(std::uint8_t scrambled);
  std::uint8_t scramble(std::uint8_t plain);

 private:
  void advance(std::uint8_t scrambled);

  std::uint8_t previous_ = seed;
  std::uint8_t offset_ = start_offset;
};

// A firmware file as the reader expects it: a zero header, then the text scrambled.
std::vector<std::uint8_t> scramble_firmware_text(std::string_view text);

}  // namespace vx::loaders
