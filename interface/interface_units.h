#pragma once

#include <span>

#include "foundation/program_units.h"

// The interface layer's units of module state, which every program holds;
// a program's list of units takes these in, and the tests of the layer reset
// them between cases.
namespace vx {

std::span<const ProgramUnit> interface_units();

}  // namespace vx
