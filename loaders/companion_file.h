#pragma once

#include <optional>
#include <string_view>

#include "foundation/short_text.h"

namespace vx::loaders {

// The existing file with the same directory and base name as `name` and the
// given extension (".MAP"): that exact name first, then a name that differs
// only in letter case in the same directory. Nothing when none exists or the
// name would not fit.
std::optional<ShortText> find_companion_file(const ShortText& name, std::string_view extension);

}  // namespace vx::loaders
