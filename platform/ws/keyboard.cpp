#include "platform/ws/keyboard.h"

#include <bitset>

#include "platform/ws/messages.h"

namespace vx::ws {
namespace {

struct KeyboardState {
  KeyboardState() { toggled.set(vk::num_lock); }
  std::bitset<256> down;
  std::bitset<256> toggled;
};

KeyboardState& keyboard() {
  static KeyboardState state;
  return state;
}

}  // namespace

bool key_is_down(std::uint16_t virtual_key) { return virtual_key < 256 && keyboard().down.test(virtual_key); }

bool key_is_toggled(std::uint16_t virtual_key) { return virtual_key < 256 && keyboard().toggled.test(virtual_key); }

ShiftState keyboard_shift_state() {
  ShiftState shift = shift_none;
  if (key_is_down(vk::shift)) shift |= shift_shift;
  if (key_is_down(vk::control)) shift |= shift_ctrl;
  if (key_is_down(vk::alt)) shift |= shift_alt;
  return shift;
}

bool mouse_buttons_swapped() { return false; }

void note_key(std::uint16_t virtual_key, bool down) {
  if (virtual_key >= 256) return;
  KeyboardState& state = keyboard();
  if (down && !state.down.test(virtual_key)) state.toggled.flip(virtual_key);
  state.down.set(virtual_key, down);
}

void reset_keyboard() { keyboard() = KeyboardState{}; }

}  // namespace vx::ws
