#include "loaders/firmware_scrambling.h"

namespace vx::loaders {

void FirmwareScrambler::advance(std::uint8_t scrambled) {
  previous_ = scrambled;
  offset_ = static_cast<std::uint8_t>(offset_ + offset_step);
}

std::uint8_t FirmwareScrambler::unscramble(std::uint8_t scrambled) {
  const auto plain = static_cast<std::uint8_t>((scrambled ^ previous_) + offset_);
  advance(scrambled);
  return plain;
}

std::uint8_t FirmwareScrambler::scramble(std::uint8_t plain) {
  const auto scrambled = static_cast<std::uint8_t>(static_cast<std::uint8_t>(plain - offset_) ^ previous_);
  advance(scrambled);
  return scrambled;
}

std::vector<std::uint8_t> scramble_firmware_text(std::string_view text) {
  std::vector<std::uint8_t> file(scrambled_header_size, 0);
  file.reserve(scrambled_header_size + text.size());
  FirmwareScrambler scrambler;
  for (char c : text) file.push_back(scrambler.scramble(static_cast<std::uint8_t>(c)));
  return file;
}

}  // namespace vx::loaders
