#pragma once

#include <cstdint>

#include "loaders/bounded_reader.h"

namespace vx::loaders {

// A reader over the file bytes from start to end, positions counted from the
// start; extents beyond the file are cut to it.
BoundedReader section_reader(std::uint32_t section_start, std::uint32_t section_end);

}  // namespace vx::loaders
