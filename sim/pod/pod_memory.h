#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vx::sim {

// A firmware version as its four-character text "M.mm" spells it.
struct FirmwareVersion {
  std::uint8_t major = 0;
  std::uint8_t minor = 0;

  friend auto operator<=>(const FirmwareVersion&, const FirmwareVersion&) = default;
};
// Major from the first character's code less '0', minor from the two digits.
FirmwareVersion parse_firmware_version(const std::string& text);
std::string firmware_version_text(FirmwareVersion version);

// CRC-8, polynomial x^8 + x^2 + x + 1, initial 0, no reflection, no final XOR.
std::uint8_t crc8_update(std::uint8_t crc, std::uint8_t byte);

// The interface's 64 KB of memory: the update firmware block at 0x4000-0x7FFF
// and the original firmware at 0xC000-0xFFFF, each with its version text at
// offset 0x58 and its key byte 0x88 and checksum in the last two bytes.
class PodMemory {
 public:
  static constexpr std::uint16_t update_block = 0x4000, original_block = 0xC000, block_size = 0x4000;
  static constexpr std::uint16_t version_offset = 0x58;
  static constexpr std::uint8_t key_byte = 0x88;

  PodMemory();

  // Fills a block with firmware and its version text; "" leaves it erased. Without a
  // checksum the block's last two bytes stay 0xFF.
  void install_firmware(std::uint16_t block, const std::string& version_text, bool with_checksum);
  // The checksum a block's contents give, from its second-last byte down to its first.
  std::uint8_t block_crc(std::uint16_t block) const;
  bool holds_firmware(std::uint16_t block) const;

  std::uint8_t byte(std::uint16_t address) const { return bytes_[address]; }
  std::uint16_t word(std::uint16_t address) const;
  void write_word(std::uint16_t address, std::uint16_t value);

 private:
  std::array<std::uint8_t, 0x10000> bytes_;
};

}  // namespace vx::sim
