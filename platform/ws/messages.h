#pragma once

#include <cstdint>

#include "platform/ws/types.h"

// The message numbers, virtual-key codes and message codes of the window
// system that the controls and forms handle, under our own names.
namespace vx::ws {

namespace msg {
inline constexpr MessageId size = 0x0005;
inline constexpr MessageId set_focus = 0x0007;
inline constexpr MessageId kill_focus = 0x0008;
inline constexpr MessageId set_redraw = 0x000B;
inline constexpr MessageId set_text = 0x000C;
inline constexpr MessageId paint = 0x000F;
inline constexpr MessageId close = 0x0010;
inline constexpr MessageId erase_background = 0x0014;
inline constexpr MessageId cancel_mode = 0x001F;
inline constexpr MessageId mouse_activate = 0x0021;
inline constexpr MessageId next_dialog_control = 0x0028;
inline constexpr MessageId set_font = 0x0030;
inline constexpr MessageId get_dialog_code = 0x0087;
inline constexpr MessageId key_down = 0x0100;
inline constexpr MessageId key_up = 0x0101;
inline constexpr MessageId character = 0x0102;
inline constexpr MessageId sys_key_down = 0x0104;
inline constexpr MessageId sys_key_up = 0x0105;
inline constexpr MessageId sys_character = 0x0106;
inline constexpr MessageId command = 0x0111;
inline constexpr MessageId timer = 0x0113;
inline constexpr MessageId hscroll = 0x0114;
inline constexpr MessageId vscroll = 0x0115;
inline constexpr MessageId mouse_move = 0x0200;
inline constexpr MessageId left_button_down = 0x0201;
inline constexpr MessageId left_button_up = 0x0202;
inline constexpr MessageId left_button_double_click = 0x0203;
inline constexpr MessageId right_button_down = 0x0204;
inline constexpr MessageId right_button_up = 0x0205;
inline constexpr MessageId mouse_wheel = 0x020A;
inline constexpr MessageId cut = 0x0300;
inline constexpr MessageId copy = 0x0301;
inline constexpr MessageId paste = 0x0302;
inline constexpr MessageId clear = 0x0303;
// First of the numbers a program may give its own messages.
inline constexpr MessageId user = 0x0400;
// Registered messages take numbers from here to 0xFFFF.
inline constexpr MessageId first_registered = 0xC000;
inline constexpr MessageId last_registered = 0xFFFF;
}  // namespace msg

// The list-box messages.
namespace lb {
inline constexpr MessageId set_sel = 0x0185;
inline constexpr MessageId set_cur_sel = 0x0186;
inline constexpr MessageId get_sel = 0x0187;
inline constexpr MessageId get_cur_sel = 0x0188;
inline constexpr MessageId reset_content = 0x0184;
inline constexpr MessageId get_count = 0x018B;
inline constexpr MessageId get_top_index = 0x018E;
inline constexpr MessageId set_tab_stops = 0x0192;
inline constexpr MessageId set_top_index = 0x0197;
inline constexpr MessageId get_item_rect = 0x0198;
inline constexpr MessageId sel_item_range = 0x019B;
inline constexpr MessageId get_caret_index = 0x019F;
inline constexpr MessageId get_item_height = 0x01A1;
inline constexpr LResult error = -1;
}  // namespace lb

// Virtual-key codes; letters and digits are their upper-case ASCII codes.
namespace vk {
inline constexpr std::uint16_t left_button = 0x01;
inline constexpr std::uint16_t right_button = 0x02;
inline constexpr std::uint16_t back = 0x08;
inline constexpr std::uint16_t tab = 0x09;
inline constexpr std::uint16_t enter = 0x0D;
inline constexpr std::uint16_t shift = 0x10;
inline constexpr std::uint16_t control = 0x11;
inline constexpr std::uint16_t alt = 0x12;
inline constexpr std::uint16_t caps_lock = 0x14;
inline constexpr std::uint16_t escape = 0x1B;
inline constexpr std::uint16_t space = 0x20;
inline constexpr std::uint16_t page_up = 0x21;
inline constexpr std::uint16_t page_down = 0x22;
inline constexpr std::uint16_t end = 0x23;
inline constexpr std::uint16_t home = 0x24;
inline constexpr std::uint16_t left = 0x25;
inline constexpr std::uint16_t up = 0x26;
inline constexpr std::uint16_t right = 0x27;
inline constexpr std::uint16_t down = 0x28;
inline constexpr std::uint16_t insert = 0x2D;
inline constexpr std::uint16_t del = 0x2E;
inline constexpr std::uint16_t numpad0 = 0x60;
inline constexpr std::uint16_t numpad9 = 0x69;
inline constexpr std::uint16_t multiply = 0x6A;
inline constexpr std::uint16_t add = 0x6B;
inline constexpr std::uint16_t subtract = 0x6D;
inline constexpr std::uint16_t decimal = 0x6E;
inline constexpr std::uint16_t divide = 0x6F;
// F1 to F24 follow one another.
inline constexpr std::uint16_t f1 = 0x70;
inline constexpr std::uint16_t num_lock = 0x90;
inline constexpr std::uint16_t scroll_lock = 0x91;
inline constexpr std::uint16_t oem_semicolon = 0xBA;
inline constexpr std::uint16_t oem_plus = 0xBB;
inline constexpr std::uint16_t oem_comma = 0xBC;
inline constexpr std::uint16_t oem_minus = 0xBD;
inline constexpr std::uint16_t oem_period = 0xBE;
inline constexpr std::uint16_t oem_slash = 0xBF;
inline constexpr std::uint16_t oem_backquote = 0xC0;
inline constexpr std::uint16_t oem_open_bracket = 0xDB;
inline constexpr std::uint16_t oem_backslash = 0xDC;
inline constexpr std::uint16_t oem_close_bracket = 0xDD;
inline constexpr std::uint16_t oem_quote = 0xDE;
// A typed character with no key of its own.
inline constexpr std::uint16_t packet = 0xE7;
}  // namespace vk

// Mouse-message wParam flags: the buttons and modifiers held.
namespace mk {
inline constexpr WParam left_button = 0x0001;
inline constexpr WParam right_button = 0x0002;
inline constexpr WParam shift = 0x0004;
inline constexpr WParam control = 0x0008;
}  // namespace mk

// Answers to mouse-activate.
namespace mouse_activation {
inline constexpr LResult activate = 1;
inline constexpr LResult activate_and_eat = 2;
inline constexpr LResult no_activate = 3;
inline constexpr LResult no_activate_and_eat = 4;
}  // namespace mouse_activation

// Answer bits of get-dialog-code: the keys a control wants for itself.
namespace dialog_code {
inline constexpr LResult want_arrows = 0x0001;
inline constexpr LResult want_tab = 0x0002;
inline constexpr LResult want_all_keys = 0x0004;
inline constexpr LResult want_chars = 0x0080;
}  // namespace dialog_code

// Scroll-message request codes (low word of wParam).
namespace scroll_code {
inline constexpr int line_up = 0;
inline constexpr int line_down = 1;
inline constexpr int page_up = 2;
inline constexpr int page_down = 3;
inline constexpr int thumb_position = 4;
inline constexpr int thumb_track = 5;
inline constexpr int top = 6;
inline constexpr int bottom = 7;
inline constexpr int end_scroll = 8;
}  // namespace scroll_code

// The size-message's wParam.
namespace size_kind {
inline constexpr WParam restored = 0;
}  // namespace size_kind

inline constexpr std::uint16_t low_word(std::uintptr_t value) { return static_cast<std::uint16_t>(value & 0xFFFF); }
inline constexpr std::uint16_t high_word(std::uintptr_t value) {
  return static_cast<std::uint16_t>((value >> 16) & 0xFFFF);
}
inline constexpr LParam make_lparam(int low, int high) {
  return static_cast<LParam>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(low)) |
                             (static_cast<std::uint32_t>(static_cast<std::uint16_t>(high)) << 16));
}
// Mouse positions travel as signed 16-bit halves.
inline constexpr Point point_from_lparam(LParam lparam) {
  return {static_cast<std::int16_t>(low_word(static_cast<std::uintptr_t>(lparam))),
          static_cast<std::int16_t>(high_word(static_cast<std::uintptr_t>(lparam)))};
}

}  // namespace vx::ws
