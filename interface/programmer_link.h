#pragma once

#include <cstdint>

// What the media of the stand-alone programmer link share with the link itself.
namespace vx {

// The longest command stream that travels in a short serial frame.
inline constexpr std::uint16_t sap_frame_limit = 240;

}  // namespace vx
