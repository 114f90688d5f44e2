#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/ws/font.h"
#include "platform/ws/window.h"

// Small routines shared by the controls; none keeps state.
namespace vx::controls {

// The keys held as a command-table shift byte: 4 Ctrl, 2 Shift, 8 Alt.
std::uint8_t KeyboardShiftFlags();
// The virtual key of the primary mouse button: the right one when the buttons are swapped.
std::uint16_t PrimaryMouseButton();

// Pixels from a field's top to the top of its text.
int TextTopOffset(const ws::Font& font, ws::BorderStyle border, int height, bool ctl3d);

// Readies a number text in the user's form for conversion: blanks trimmed,
// the decimal separator made ".", missing zeros around the point and of the
// fraction before an exponent added ("-,5" gives "-0.5", "1E5" "1.00000E5").
// An empty text becomes "0". An addition with no room left in the buffer is
// left out, so the number is never cut.
std::span<char> FixRealText(std::span<char> buffer, char separator);

// This year, rounded down to a multiple of 100.
int CurrentCentury();

// A base that is no identifier.
class EComponentError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The base followed by the first of 1, 2, ... that makes a name none of the
// owner's components has (compared without case); EComponentError when the
// base is no identifier.
std::string UniqueComponentName(std::span<const std::string> owned_names, std::string_view base);

constexpr std::int32_t IntMin(std::int32_t a, std::int32_t b) { return std::min(a, b); }
constexpr std::int32_t IntMax(std::int32_t a, std::int32_t b) { return std::max(a, b); }

}  // namespace vx::controls
