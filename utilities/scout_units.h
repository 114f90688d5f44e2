#pragma once

#include <span>

#include "foundation/program_units.h"

// fwscout's units: the interface layer's, then its own in the order its main
// block starts them.
namespace vx::utilities::fwscout_form {

std::span<const ProgramUnit> scout_units();

}  // namespace vx::utilities::fwscout_form
