#pragma once

#include "platform/atomic_file.h"

namespace vx {

// The settings and serial-number files are replaced as the registry store is.
using platform::replace_file_atomically;

}  // namespace vx
