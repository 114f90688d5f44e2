#pragma once

#include <cstdint>

#include "platform/ftdi.h"

namespace vx::platform {

// FTDI devices through libftdi1: every device of the chip maker's vendor
// identifier, whatever product identifier its EEPROM gives it. A device the
// user may not open is left out and its node recorded as refused.
FtdiBus& libftdi_bus();

// Whether the listing takes a device of `vendor`.
bool ftdi_listing_takes(std::uint16_t vendor);

}  // namespace vx::platform
