#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "foundation/short_text.h"
#include "loaders/debug_context.h"

namespace vx::loaders {

// Address ranges that the algorithm file moves: first..last (signed) is
// handed out from new_first on.
struct RemapTriple {
  std::int32_t first = 0;
  std::int32_t last = 0;
  std::int32_t new_first = 0;
};

// Owned and filled by the programmer engine while it reads an algorithm
// file; the object image only reads it.
struct AddressRemapTable {
  static constexpr std::size_t capacity = 15;
  std::uint16_t count = 0;
  std::array<RemapTriple, capacity> triples{};
};

// The loaded object file as the programmer engine reads it: byte by byte or
// record by record, in ascending address order, each address remapped.
struct ObjectImage {
  // Whether the last load succeeded; until the next one nothing is handed out.
  bool loaded = false;
  bool readable = false;
  std::int32_t address = 0;
  std::uint16_t length = 0;
  std::array<std::uint8_t, block_capacity> bytes{};
  std::uint16_t position = 0;
  const AddressRemapTable* remap_table = nullptr;
};

ObjectImage& object_image();
// Forgets the image and the remap table.
void reset_object_image();
// The engine's table; none (nullptr) remaps nothing.
void install_address_remap_table(const AddressRemapTable* table);

// Loads the object bytes of any supported file; false leaves the image unreadable.
bool load_object_image(const ShortText& name);
// False, with address -1 and byte 0, at the end and after a failed load.
bool next_image_byte(std::int32_t& address, std::uint8_t& byte);
void rewind_object_image();
bool first_image_block();
// `bytes` takes as many of the record's bytes as it holds.
bool next_image_record(std::int32_t& address, std::uint16_t& length, std::span<std::uint8_t> bytes);
// True when a triple matched; -1 is never remapped.
bool remap_image_address(std::int32_t& address);
// Frees the object records and zeroes the counts of the last load.
void clear_object_image();

// For the readers that fill the image: before they clear the records, and
// after a successful read.
void forget_object_image();
void mark_object_image_loaded();

}  // namespace vx::loaders
