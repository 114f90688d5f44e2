#include "controls/helpers.h"
#include "platform/ws/keyboard.h"
#include "platform/ws/messages.h"

namespace vx::controls {

std::uint8_t KeyboardShiftFlags() {
  const ws::ShiftState held = ws::keyboard_shift_state();
  std::uint8_t flags = 0;
  if (held & ws::shift_ctrl) flags |= 4;
  if (held & ws::shift_shift) flags |= 2;
  if (held & ws::shift_alt) flags |= 8;
  return flags;
}

std::uint16_t PrimaryMouseButton() {
  return ws::mouse_buttons_swapped() ? ws::vk::right_button : ws::vk::left_button;
}

}  // namespace vx::controls
