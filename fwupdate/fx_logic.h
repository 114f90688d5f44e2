#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "fwupdate/flash_update.h"

// The logic arrays of a Universal FX, programmed through the interface's
// logic script command after its firmware update (the updater's build).
namespace vx::fwupdate {

inline constexpr std::uint32_t fx_logic_start = 0x1000000, fx_logic_size = 0x3A00;
inline constexpr std::uint8_t universal_fx = 2;

using FxLogicImage = std::array<std::uint8_t, fx_logic_size>;

// The image the records give, zero where none lies; nothing when no record
// lies wholly inside the logic window.
std::optional<FxLogicImage> fx_logic_image(std::span<const FirmwareRecord> records);

// Erases, programs and verifies both arrays; false (after its line) when the
// interface is no Universal FX, the link fails or a word reads back wrong.
bool update_fx_logic(std::uint8_t universal_kind, const FxLogicImage& image);

// A busy wait of ms x 1000 microseconds.
void pld_delay_ms(std::uint16_t ms);

}  // namespace vx::fwupdate
