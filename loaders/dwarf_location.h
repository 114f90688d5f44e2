#pragma once

#include <cstdint>
#include <span>

#include "loaders/dwarf_info.h"

// Where a variable lives over which addresses: the location slots of an
// entry's DW_AT_location, from an expression or a .debug_loc list. Memory
// failures, a full slot table included, set the module's error code 20.
namespace vx::loaders {

// Fills the frame-base table for the subprogram that encloses the entry;
// empty without one, or when it has no usable DW_AT_frame_base.
void GET_FRAME_BASE(const EntryRef& entry);
// The expression held in the entry's attribute; slot 1, or one slot per
// overlapping frame-base entry for DW_OP_fbreg.
void EVALUATE_LOCATION_EXPRESSION(const EntryRef& entry, std::uint32_t scope_end, std::uint32_t scope_start,
                                  int attribute);
// The attribute value is an offset into .debug_loc; one slot per list entry
// that overlaps the scope.
void ANALYZE_LOCATION_LIST(const EntryRef& entry, std::uint32_t scope_end, std::uint32_t scope_start, int attribute);
// One list entry's expression into the current slot.
void EVALUATE_LOCATION_LIST_EXPRESSION(const EntryRef& entry, std::uint32_t range_end, std::uint32_t range_start,
                                       std::span<const std::uint8_t> expression);
// The sh_addr of the allocatable section holding the address; 0 for none.
std::uint32_t GET_SECTION_BASE(std::uint32_t address);

}  // namespace vx::loaders
