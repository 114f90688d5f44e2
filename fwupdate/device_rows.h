#pragma once

#include <cstdint>
#include <optional>

#include "foundation/short_text.h"

// How the selection window shows a connected device of the chosen hardware
// type, and which architecture its description suggests.
namespace vx::updater {

struct DeviceRow {
  ShortText text;
  std::int32_t port = 0;                // the USB interface port of its place in the combined device list
  std::uint8_t suggested_architecture;  // no_architecture when it suggests none
};

// The row text and suggestion of a device whose description D belongs to the
// hardware type; nothing for a device of another type. Descriptions missing
// the separators the Universal texts carry give what is left, never a read
// outside the text.
std::optional<DeviceRow> device_row(std::uint8_t hardware_type, const ShortText& description);

}  // namespace vx::updater
