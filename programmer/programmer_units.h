#pragma once

#include <span>

#include "foundation/program_units.h"

// The flash programmer's units: the interface layer's, then its own in the
// order its main block starts them (after the single-instance check, which
// needs only the command line).
namespace vx::programmer {

std::span<const ProgramUnit> programmer_units();

}  // namespace vx::programmer
