#pragma once

#include "loaders/dwarf_info.h"

// The walk over every entry of every unit into the store's types, symbols
// and address index; failures are the module's error code.
namespace vx::loaders {

enum class WalkPass { symbols = 1, types = 2 };

void ANALYZE_DEBUG_ENTRIES();
// May move the index past the children the entry consumed.
void ANALYZE_DEBUG_ENTRY(int table, int abbreviation, int unit, int& entry, WalkPass pass);

}  // namespace vx::loaders
