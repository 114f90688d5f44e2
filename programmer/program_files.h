#pragma once

#include <optional>

#include "foundation/short_text.h"

namespace vx::programmer {

// A name without a directory placed in the program's directory; a name with
// one as it is. Nothing when the full name would not fit: a cut path names
// another file.
std::optional<ShortText> beside_program(const ShortText& name);

}  // namespace vx::programmer
