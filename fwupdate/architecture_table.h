#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/short_text.h"

// The target architectures an interface can be set up for, and what
// choosing one does to the firmware name set and the OSBDM version bytes.
namespace vx::updater {

// The hardware types of the selection window.
enum HardwareType : std::uint8_t { quorvex_universal = 0, quorvex_universal_fx = 1, osbdm_board = 2 };

// Index given for a device that suggests no architecture.
inline constexpr std::uint8_t no_architecture = 10;

// The architecture combo's items for the hardware type: six for the
// Universal and the FX, ten for the OSBDM boards.
std::vector<std::string> architecture_items(std::uint8_t hardware_type);

// Stores the row into the name set (and the programmer link's channel and
// offset), sets the OSBDM target type and firmware type bytes, and returns
// the OSBDM file pattern of the row. The index is masked to its low 7 bits;
// a value above 9 changes nothing and returns the current OSBDM pattern.
ShortText choose_architecture(std::uint32_t index);

}  // namespace vx::updater
