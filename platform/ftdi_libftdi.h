#pragma once

#include "platform/ftdi.h"

namespace vx::platform {

// FTDI devices through libftdi1, with the chip's default vendor and product identifiers.
FtdiBus& libftdi_bus();

}  // namespace vx::platform
