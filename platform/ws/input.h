#pragma once

#include <cstdint>
#include <string_view>

#include "platform/ws/types.h"
#include "platform/ws/window.h"

// The input injector of the tests: it queues the messages a user's keys and
// mouse would, in the window system's order, for the message loop to hand
// out. Keys go to whichever window has the focus when they are handled.
namespace vx::ws {

class Form;
class MenuItem;

namespace input {

// A key pressed and released with modifiers: the modifiers' key-downs,
// key-down, the character it makes (if any), key-up, the modifiers'
// key-ups. With Alt (and no Ctrl) the system-key messages are used.
void press_key(std::uint16_t virtual_key, ShiftState modifiers = shift_none);
// Each character as a key press; characters without a key of their own
// come as packet keys with the character.
void type(std::string_view text);
// Alt held while the code's decimal digits are typed on the keypad; the
// system makes the character of the code when Alt is released.
void alt_keypad(int code);

void click(Window& window, Point point, MouseButton button = MouseButton::left, ShiftState modifiers = shift_none);
void double_click(Window& window, Point point);
// Press at `from`, move in `steps` steps to `to`, release there.
void drag(Window& window, Point from, Point to, int steps = 4);
// A wheel turn at a screen point; it goes to the window under the point.
void wheel(int delta, Point screen);
// The user working a scroll bar of the window: a scroll_code request, with
// the thumb position for the thumb codes.
void scroll(Window& window, ScrollBarKind kind, int code, int position = 0);

// Single events as a keyboard or mouse reports them, for the display's own
// devices. `system`: the system-key messages, as while Alt is held without Ctrl.
void key_event(std::uint16_t virtual_key, bool down, bool system);
void character_event(char character, bool system);
void mouse_event(Window& window, MessageId id, WParam flags, Point point);

// The user closing a form from its frame.
void close(Form& form);
void choose_menu_item(const MenuItem& item);

// The character a key makes with these modifiers; 0 for none.
char character_of(std::uint16_t virtual_key, ShiftState modifiers);

}  // namespace input
}  // namespace vx::ws
