#include "loaders/dwarf_state.h"


namespace vx::loaders {
namespace {

std::unique_ptr<DwarfState> state = std::make_unique<DwarfState>();

}  // namespace

DwarfState& dwarf_state() { return *state; }

void release_dwarf_tables() {
  DwarfState& s = *state;
  s.strings.clear();
  s.abbreviation_units.clear();
  s.units.clear();
  s.unit_last_entries.clear();
  s.line_headers.clear();
  s.slots = LocationTable{};
  s.slot_count = 0;
  s.frame_bases = LocationTable{};
  s.frame_base_count = 0;
  s.stack.reset();
}

void reset_dwarf_state() { state = std::make_unique<DwarfState>(); }

}  // namespace vx::loaders
