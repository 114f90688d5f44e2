#pragma once

#include <cstdint>

#include "platform/ws/types.h"

// The keyboard state as of the input message being handled: the message
// loop notes every key and button as it hands the message on.
namespace vx::ws {

bool key_is_down(std::uint16_t virtual_key);
// Caps, Num and Scroll Lock; Num Lock is on from the start.
bool key_is_toggled(std::uint16_t virtual_key);
// shift_shift, shift_ctrl and shift_alt of the keys held.
ShiftState keyboard_shift_state();
// The headless mouse never swaps its buttons.
bool mouse_buttons_swapped();

void note_key(std::uint16_t virtual_key, bool down);
void reset_keyboard();

}  // namespace vx::ws
