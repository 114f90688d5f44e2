#pragma once

#include <span>

#include "foundation/program_units.h"

// The firmware updater's units: the interface layer's, then its own in the
// order its main block starts them.
namespace vx::updater {

std::span<const ProgramUnit> updater_units();

}  // namespace vx::updater
