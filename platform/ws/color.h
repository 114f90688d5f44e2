#pragma once

#include <cstdint>

namespace vx::ws {

// A colour as 0x00BBGGRR, or one of the system colours (high bit set),
// which resolve to fixed values in the headless window system.
using Color = std::uint32_t;

namespace color {
inline constexpr Color black = 0x000000;
inline constexpr Color maroon = 0x000080;
inline constexpr Color green = 0x008000;
inline constexpr Color olive = 0x008080;
inline constexpr Color navy = 0x800000;
inline constexpr Color purple = 0x800080;
inline constexpr Color teal = 0x808000;
inline constexpr Color gray = 0x808080;
inline constexpr Color silver = 0xC0C0C0;
inline constexpr Color red = 0x0000FF;
inline constexpr Color lime = 0x00FF00;
inline constexpr Color yellow = 0x00FFFF;
inline constexpr Color blue = 0xFF0000;
inline constexpr Color fuchsia = 0xFF00FF;
inline constexpr Color aqua = 0xFFFF00;
inline constexpr Color white = 0xFFFFFF;

inline constexpr Color scroll_bar = 0x80000000;
inline constexpr Color window = 0x80000005;
inline constexpr Color window_text = 0x80000008;
inline constexpr Color highlight = 0x8000000D;
inline constexpr Color highlight_text = 0x8000000E;
inline constexpr Color button_face = 0x8000000F;
inline constexpr Color button_shadow = 0x80000010;
inline constexpr Color gray_text = 0x80000011;
inline constexpr Color button_text = 0x80000012;
inline constexpr Color button_highlight = 0x80000014;
}  // namespace color

inline constexpr Color rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return static_cast<Color>(red) | (static_cast<Color>(green) << 8) | (static_cast<Color>(blue) << 16);
}

// The plain value of a colour; system colours take the classic scheme.
inline constexpr Color resolve(Color value) {
  switch (value) {
    case color::scroll_bar: return color::silver;
    case color::window: return color::white;
    case color::window_text: return color::black;
    case color::highlight: return color::navy;
    case color::highlight_text: return color::white;
    case color::button_face: return color::silver;
    case color::button_shadow: return color::gray;
    case color::gray_text: return color::gray;
    case color::button_text: return color::black;
    case color::button_highlight: return color::white;
    default: return value & 0xFFFFFF;
  }
}

}  // namespace vx::ws
