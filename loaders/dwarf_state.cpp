#include "loaders/dwarf_state.h"

#include <algorithm>
#include <cstring>

namespace vx::loaders {
namespace {

std::unique_ptr<DwarfState> state = std::make_unique<DwarfState>();

std::uint32_t key_value(TStHashTable::TStKey key) {
  std::uint32_t value = 0;
  std::memcpy(&value, key.data(), std::min(key.size(), sizeof value));
  return value;
}

}  // namespace

DwarfState& dwarf_state() { return *state; }

void release_dwarf_tables() {
  DwarfState& s = *state;
  s.strings.clear();
  s.abbreviation_units.clear();
  s.units.clear();
  s.line_headers.clear();
  s.slots = LocationTable{};
  s.slot_count = 0;
  s.frame_bases = LocationTable{};
  s.frame_base_count = 0;
  s.stack.reset();
  s.file.debug_loc.clear();
}

void reset_dwarf_state() { state = std::make_unique<DwarfState>(); }

int elf_key_compare(TStHashTable::TStKey key1, TStHashTable::TStKey key2) {
  return key_value(key1) == key_value(key2) ? 0 : 1;
}

std::int32_t elf_key_hash(TStHashTable::TStKey key, std::int32_t hash_size) {
  return static_cast<std::int32_t>(key_value(key) % static_cast<std::uint32_t>(hash_size));
}

void elf_key_dispose(void* data) { delete static_cast<std::int32_t*>(data); }

}  // namespace vx::loaders
