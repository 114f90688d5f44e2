#pragma once

#include <array>
#include <cstdint>
#include <optional>
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

// Where an interface keeps the firmware it can be updated with. A parallel cable programs
// and reads its update block at 0x8000-0xBFFF; a USB interface programs it at
// 0xF8000-0xFBFFF of its flash and reads it at 0x4000-0x7FFF.
enum class FlashLayout : std::uint8_t { usb, cable };

// The interface's 64 KB of memory: the update block and the original firmware
// at 0xC000-0xFFFF, each with its version text at offset 0x58 and its key byte
// 0x88 and checksum in the last two bytes.
class PodMemory {
 public:
  static constexpr std::uint16_t original_block = 0xC000, block_size = 0x4000;
  static constexpr std::uint16_t version_offset = 0x58;
  static constexpr std::uint8_t key_byte = 0x88;
  // The cable's block-protect register, the one byte of the original firmware's flash that changes.
  static constexpr std::uint16_t protect_address = 0xFF7E;

  explicit PodMemory(FlashLayout layout = FlashLayout::usb);

  FlashLayout layout() const { return layout_; }
  std::uint16_t update_block() const { return layout_ == FlashLayout::cable ? 0x8000 : 0x4000; }
  // The update block's first address as the flash commands name it.
  std::uint32_t flash_block() const { return layout_ == FlashLayout::cable ? 0x8000 : 0xF8000; }
  // Where `count` bytes from a flash address read in interface memory; nullopt unless all of
  // them lie in the update block.
  std::optional<std::uint16_t> block_address(std::uint32_t flash_address, std::uint32_t count) const;

  // Fills a block with firmware and its version text; "" leaves it erased. Without a
  // checksum the block's last two bytes stay 0xFF.
  void install_firmware(std::uint16_t block, const std::string& version_text, bool with_checksum);
  // The checksum a block's contents give, from its second-last byte down to its first.
  std::uint8_t block_crc(std::uint16_t block) const;
  // The firmware in a block may start: its key byte is there and its checksum holds.
  bool key_and_checksum_hold(std::uint16_t block) const;

  // The update block and the original firmware: only flash commands change them.
  bool in_flash(std::uint16_t address) const {
    return address >= original_block || (address >= update_block() && address - update_block() < block_size);
  }

  std::uint8_t byte(std::uint16_t address) const { return bytes_[address]; }
  std::uint16_t word(std::uint16_t address) const;
  void write_word(std::uint16_t address, std::uint16_t value);
  // Flash: programming only clears bits, erasing sets them all.
  void program(std::uint16_t address, std::uint8_t value) { bytes_[address] &= value; }
  void erase(std::uint16_t first, std::uint32_t count);
  // Fixtures: a byte set as if the flash came so.
  void set_byte(std::uint16_t address, std::uint8_t value) { bytes_[address] = value; }

 private:
  FlashLayout layout_;
  std::array<std::uint8_t, 0x10000> bytes_;
};

}  // namespace vx::sim
