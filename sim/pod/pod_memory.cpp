#include "sim/pod/pod_memory.h"

namespace vx::sim {

FirmwareVersion parse_firmware_version(const std::string& text) {
  if (text.size() < 4) return {};
  return {static_cast<std::uint8_t>(text[0] - '0'), static_cast<std::uint8_t>(10 * (text[2] - '0') + (text[3] - '0'))};
}

std::string firmware_version_text(FirmwareVersion version) {
  return {static_cast<char>('0' + version.major), '.', static_cast<char>('0' + version.minor / 10),
          static_cast<char>('0' + version.minor % 10)};
}

std::uint8_t crc8_update(std::uint8_t crc, std::uint8_t byte) {
  crc ^= byte;
  for (int bit = 0; bit < 8; ++bit) crc = static_cast<std::uint8_t>((crc & 0x80) != 0 ? (crc << 1) ^ 0x07 : crc << 1);
  return crc;
}

PodMemory::PodMemory(FlashLayout layout) : layout_(layout) { bytes_.fill(0xFF); }

std::optional<std::uint16_t> PodMemory::block_address(std::uint32_t flash_address, std::uint32_t count) const {
  const std::uint32_t first = flash_block();
  if (count == 0 || count > block_size || flash_address < first || flash_address - first > block_size - count) {
    return std::nullopt;
  }
  return static_cast<std::uint16_t>(update_block() + (flash_address - first));
}

void PodMemory::install_firmware(std::uint16_t block, const std::string& version_text, bool with_checksum) {
  const std::uint32_t end = std::uint32_t{block} + block_size;
  for (std::uint32_t address = block; address < end; ++address) bytes_[address] = 0xFF;
  if (version_text.empty()) return;
  // Stand-in code: any pattern whose first word is not erased flash.
  for (std::uint32_t address = block; address < end - 2; ++address) {
    bytes_[address] = static_cast<std::uint8_t>((address * 37 + 11) >> 3);
  }
  for (std::size_t i = 0; i < 4 && i < version_text.size(); ++i) {
    bytes_[block + version_offset + i] = static_cast<std::uint8_t>(version_text[i]);
  }
  if (!with_checksum) return;
  bytes_[end - 2] = key_byte;
  bytes_[end - 1] = block_crc(block);
}

std::uint8_t PodMemory::block_crc(std::uint16_t block) const {
  std::uint8_t crc = 0;
  for (std::uint32_t address = std::uint32_t{block} + block_size - 2; address + 1 > block; --address) {
    crc = crc8_update(crc, bytes_[address]);
  }
  return crc;
}

bool PodMemory::key_and_checksum_hold(std::uint16_t block) const {
  const std::uint32_t end = std::uint32_t{block} + block_size;
  return bytes_[end - 2] == key_byte && bytes_[end - 1] == block_crc(block);
}

void PodMemory::erase(std::uint16_t first, std::uint32_t count) {
  for (std::uint32_t address = first; address < std::uint32_t{first} + count && address <= 0xFFFF; ++address) {
    bytes_[address] = 0xFF;
  }
}

std::uint16_t PodMemory::word(std::uint16_t address) const {
  return static_cast<std::uint16_t>(bytes_[address] << 8 | bytes_[static_cast<std::uint16_t>(address + 1)]);
}

void PodMemory::write_word(std::uint16_t address, std::uint16_t value) {
  bytes_[address] = static_cast<std::uint8_t>(value >> 8);
  bytes_[static_cast<std::uint16_t>(address + 1)] = static_cast<std::uint8_t>(value);
}

}  // namespace vx::sim
