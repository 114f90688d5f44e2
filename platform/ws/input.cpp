#include "platform/ws/input.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/ws/application.h"
#include "platform/ws/form.h"
#include "platform/ws/keyboard.h"
#include "platform/ws/menu.h"
#include "platform/ws/messages.h"

namespace vx::ws::input {
namespace {

struct OemKey {
  std::uint16_t key;
  char plain;
  char shifted;
};

constexpr std::array<OemKey, 11> oem_keys{{
    {vk::oem_semicolon, ';', ':'},
    {vk::oem_plus, '=', '+'},
    {vk::oem_comma, ',', '<'},
    {vk::oem_minus, '-', '_'},
    {vk::oem_period, '.', '>'},
    {vk::oem_slash, '/', '?'},
    {vk::oem_backquote, '`', '~'},
    {vk::oem_open_bracket, '[', '{'},
    {vk::oem_backslash, '\\', '|'},
    {vk::oem_close_bracket, ']', '}'},
    {vk::oem_quote, '\'', '"'},
}};

constexpr std::string_view shifted_digits = ")!@#$%^&*(";

// Key-message lParam: a repeat count of 1, the context bit while Alt is
// held, and for a release the previous-state and transition bits.
LParam key_flags(bool alt, bool release) {
  std::uint32_t flags = 1;
  if (alt) flags |= 1u << 29;
  if (release) flags |= (1u << 30) | (1u << 31);
  return static_cast<LParam>(flags);
}

void post_key(MessageId id, std::uint16_t key, bool alt, bool release) {
  post_input({no_window, id, key, key_flags(alt, release)});
}

struct KeyStroke {
  std::uint16_t key;
  ShiftState modifiers;
};

std::optional<KeyStroke> stroke_of(char c) {
  if (c >= 'a' && c <= 'z') return KeyStroke{static_cast<std::uint16_t>(c - 'a' + 'A'), shift_none};
  if (c >= 'A' && c <= 'Z') return KeyStroke{static_cast<std::uint16_t>(c), shift_shift};
  if (c >= '0' && c <= '9') return KeyStroke{static_cast<std::uint16_t>(c), shift_none};
  if (const auto digit = shifted_digits.find(c); digit != std::string_view::npos) {
    return KeyStroke{static_cast<std::uint16_t>('0' + digit), shift_shift};
  }
  switch (c) {
    case ' ': return KeyStroke{vk::space, shift_none};
    case '\r':
    case '\n': return KeyStroke{vk::enter, shift_none};
    case '\t': return KeyStroke{vk::tab, shift_none};
    case '\b': return KeyStroke{vk::back, shift_none};
    case 27: return KeyStroke{vk::escape, shift_none};
    default: break;
  }
  for (const OemKey& oem : oem_keys) {
    if (c == oem.plain) return KeyStroke{oem.key, shift_none};
    if (c == oem.shifted) return KeyStroke{oem.key, shift_shift};
  }
  if (c >= 1 && c <= 26) return KeyStroke{static_cast<std::uint16_t>('A' + c - 1), shift_ctrl};
  return std::nullopt;
}

WParam mouse_flags(ShiftState modifiers) {
  WParam flags = 0;
  if ((modifiers & shift_shift) != 0) flags |= mk::shift;
  if ((modifiers & shift_ctrl) != 0) flags |= mk::control;
  return flags;
}

WParam button_flag(MouseButton button) {
  switch (button) {
    case MouseButton::left: return mk::left_button;
    case MouseButton::right: return mk::right_button;
  }
  return 0;
}

std::pair<MessageId, MessageId> button_messages(MouseButton button) {
  switch (button) {
    case MouseButton::left: return {msg::left_button_down, msg::left_button_up};
    case MouseButton::right: return {msg::right_button_down, msg::right_button_up};
  }
  return {msg::left_button_down, msg::left_button_up};
}

void post_mouse(const Window& window, MessageId id, WParam flags, Point point) {
  post_input({window.handle(), id, flags, make_lparam(point.x, point.y)});
}

// Shift and Ctrl held around a click, so the keyboard state agrees with it.
void hold_modifiers(ShiftState modifiers, bool down) {
  const MessageId id = down ? msg::key_down : msg::key_up;
  if ((modifiers & shift_ctrl) != 0) post_key(id, vk::control, false, !down);
  if ((modifiers & shift_shift) != 0) post_key(id, vk::shift, false, !down);
}

}  // namespace

char character_of(std::uint16_t key, ShiftState modifiers) {
  const bool shift = (modifiers & shift_shift) != 0;
  const bool ctrl = (modifiers & shift_ctrl) != 0;
  if (key >= 'A' && key <= 'Z') {
    if (ctrl) return static_cast<char>(key - 'A' + 1);
    const bool upper = shift != key_is_toggled(vk::caps_lock);
    return static_cast<char>(upper ? key : key - 'A' + 'a');
  }
  if (key >= '0' && key <= '9') {
    if (ctrl) return 0;
    return shift ? shifted_digits[key - '0'] : static_cast<char>(key);
  }
  if (key >= vk::numpad0 && key <= vk::numpad9) return ctrl ? 0 : static_cast<char>('0' + key - vk::numpad0);
  switch (key) {
    case vk::space: return ' ';
    case vk::enter: return ctrl ? '\n' : '\r';
    case vk::back: return ctrl ? 127 : '\b';
    case vk::tab: return ctrl ? 0 : '\t';
    case vk::escape: return 27;
    case vk::multiply: return '*';
    case vk::add: return '+';
    case vk::subtract: return '-';
    case vk::decimal: return '.';
    case vk::divide: return '/';
    default: break;
  }
  for (const OemKey& oem : oem_keys) {
    if (key == oem.key) return ctrl ? 0 : (shift ? oem.shifted : oem.plain);
  }
  return 0;
}

void press_key(std::uint16_t key, ShiftState modifiers) {
  const bool ctrl = (modifiers & shift_ctrl) != 0;
  const bool shift = (modifiers & shift_shift) != 0;
  const bool alt = (modifiers & shift_alt) != 0;
  const bool system = alt && !ctrl;
  if (ctrl) post_key(msg::key_down, vk::control, false, false);
  if (shift) post_key(msg::key_down, vk::shift, false, false);
  if (alt) post_key(system ? msg::sys_key_down : msg::key_down, vk::alt, system, false);
  post_key(system ? msg::sys_key_down : msg::key_down, key, system, false);
  char c = character_of(key, modifiers);
  if (system && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (c != 0) character_event(c, system);
  post_key(system ? msg::sys_key_up : msg::key_up, key, system, true);
  // After another key the release of Alt is an ordinary key-up.
  if (alt) post_key(msg::key_up, vk::alt, false, true);
  if (shift) post_key(msg::key_up, vk::shift, false, true);
  if (ctrl) post_key(msg::key_up, vk::control, false, true);
}

void key_event(std::uint16_t key, bool down, bool system) {
  const MessageId id = system ? (down ? msg::sys_key_down : msg::sys_key_up) : (down ? msg::key_down : msg::key_up);
  post_key(id, key, system, !down);
}

void character_event(char character, bool system) {
  post_input({no_window, system ? msg::sys_character : msg::character, static_cast<unsigned char>(character),
              key_flags(system, false)},
             true);
}

void mouse_event(Window& window, MessageId id, WParam flags, Point point) { post_mouse(window, id, flags, point); }

void type(std::string_view text) {
  for (const char c : text) {
    if (const std::optional<KeyStroke> stroke = stroke_of(c)) {
      press_key(stroke->key, stroke->modifiers);
      continue;
    }
    post_key(msg::key_down, vk::packet, false, false);
    post_input({no_window, msg::character, static_cast<unsigned char>(c), key_flags(false, false)}, true);
    post_key(msg::key_up, vk::packet, false, true);
  }
}

void alt_keypad(int code) {
  post_key(msg::sys_key_down, vk::alt, true, false);
  for (const char digit : std::to_string(code)) {
    const auto key = static_cast<std::uint16_t>(vk::numpad0 + (digit - '0'));
    post_key(msg::sys_key_down, key, true, false);
    post_key(msg::sys_key_up, key, true, true);
  }
  post_key(msg::key_up, vk::alt, false, true);
}

void click(Window& window, Point point, MouseButton button, ShiftState modifiers) {
  const auto [press, release] = button_messages(button);
  const WParam flags = mouse_flags(modifiers);
  hold_modifiers(modifiers, true);
  post_mouse(window, msg::mouse_move, flags, point);
  post_mouse(window, press, flags | button_flag(button), point);
  post_mouse(window, release, flags, point);
  hold_modifiers(modifiers, false);
}

void double_click(Window& window, Point point) {
  post_mouse(window, msg::mouse_move, 0, point);
  post_mouse(window, msg::left_button_down, mk::left_button, point);
  post_mouse(window, msg::left_button_up, 0, point);
  post_mouse(window, msg::left_button_double_click, mk::left_button, point);
  post_mouse(window, msg::left_button_up, 0, point);
}

void drag(Window& window, Point from, Point to, int steps) {
  steps = std::max(steps, 1);
  post_mouse(window, msg::mouse_move, 0, from);
  post_mouse(window, msg::left_button_down, mk::left_button, from);
  for (int step = 1; step <= steps; ++step) {
    const Point at{from.x + (to.x - from.x) * step / steps, from.y + (to.y - from.y) * step / steps};
    post_mouse(window, msg::mouse_move, mk::left_button, at);
  }
  post_mouse(window, msg::left_button_up, 0, to);
}

void wheel(int delta, Point screen) {
  const auto wparam = static_cast<WParam>(static_cast<std::uint16_t>(delta)) << 16;
  post_input({no_window, msg::mouse_wheel, wparam, make_lparam(screen.x, screen.y)});
}

void scroll(Window& window, ScrollBarKind kind, int code, int position) {
  const MessageId id = kind == ScrollBarKind::vertical ? msg::vscroll : msg::hscroll;
  const auto wparam = static_cast<WParam>(static_cast<std::uint16_t>(code)) |
                      (static_cast<WParam>(static_cast<std::uint16_t>(position)) << 16);
  post_input({window.handle(), id, wparam, 0});
}

void close(Form& form) { post_message(form.handle(), msg::close); }

void choose_menu_item(const MenuItem& item) { item.menu().choose(item); }

}  // namespace vx::ws::input
