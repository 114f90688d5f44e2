#include "loaders/elf_readers.h"

#include <algorithm>
#include <cstring>

#include "loaders/elf_module.h"

namespace vx::loaders {

BoundedReader& elf_file() { return elf_module().file; }

void elf_seek(std::uint32_t offset) { elf_file().seek(offset); }

std::uint8_t elf_read_u8() { return elf_file().read_u8(); }

std::uint16_t elf_read_u16() { return elf_file().read_u16_be(); }

std::uint32_t elf_read_u32() { return elf_file().read_u32_be(); }

std::uint32_t elf_read_uleb128() { return elf_file().read_uleb128(); }

std::uint32_t elf_read_uleb128_len(std::uint32_t& length) { return elf_file().read_uleb128(&length); }

std::int32_t elf_read_sleb128() { return elf_file().read_sleb128(); }

std::int32_t elf_read_sleb128_len(std::uint32_t& length) { return elf_file().read_sleb128(&length); }

void elf_swap32(std::uint32_t& value) {
  value = (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) | (value << 24);
}

void elf_swap16(std::uint16_t& value) { value = static_cast<std::uint16_t>(value >> 8 | value << 8); }

namespace {

std::uint32_t key_number(std::span<const std::byte> key) {
  std::uint32_t number = 0;
  std::memcpy(&number, key.data(), std::min(key.size(), sizeof number));
  return number;
}

}  // namespace

int elf_key_compare(std::span<const std::byte> key1, std::span<const std::byte> key2) {
  return key_number(key1) == key_number(key2) ? 0 : 1;
}

std::int32_t elf_key_hash(std::span<const std::byte> key, std::int32_t hash_size) {
  if (hash_size < 1) return 0;
  return static_cast<std::int32_t>(key_number(key) % static_cast<std::uint32_t>(hash_size));
}

void elf_key_dispose(void* data) { delete static_cast<std::uint32_t*>(data); }

}  // namespace vx::loaders
