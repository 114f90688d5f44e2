#pragma once

#include <cstdint>
#include <span>

#include "loaders/bounded_reader.h"

// Reading the open ELF file, for the module and for the DWARF reader. Every
// byte comes from the module's file at its current position; a read past the
// end of the file gives 0 (and marks the reader's overrun), and the end of
// the file ends a number.
namespace vx::loaders {

BoundedReader& elf_file();
// Moves to a file offset; one beyond the end moves to the end and marks an overrun.
void elf_seek(std::uint32_t offset);

std::uint8_t elf_read_u8();
// Big-endian in the file, host order in the result.
std::uint16_t elf_read_u16();
std::uint32_t elf_read_u32();

// LEB128 numbers, low 7-bit group first, the result cut to 32 bits; groups
// beyond bit 31 are dropped. The _len forms give the bytes consumed.
std::uint32_t elf_read_uleb128();
std::uint32_t elf_read_uleb128_len(std::uint32_t& length);
// Sign-extended from bit 6 of the last byte when fewer than 32 bits were filled.
std::int32_t elf_read_sleb128();
std::int32_t elf_read_sleb128_len(std::uint32_t& length);

void elf_swap32(std::uint32_t& value);
void elf_swap16(std::uint16_t& value);

// TStHashTable routines for 4-byte keys (a 32-bit number in host order).
int elf_key_compare(std::span<const std::byte> key1, std::span<const std::byte> key2);
std::int32_t elf_key_hash(std::span<const std::byte> key, std::int32_t hash_size);
// Frees a data block made with `new std::uint32_t`.
void elf_key_dispose(void* data);

}  // namespace vx::loaders
