#pragma once

#include <string>

#include "platform/ws/form.h"
#include "platform/ws/types.h"
#include "platform/ws/window.h"

// Input as the desktop delivers it: events of the display sent to a form's
// window on it, so they pass through the backend's own event handling
// before they reach the window system. Each returns false when the form has
// no window on the display.
namespace vx::test {

// `key` names a key as the display's key sequences do ("Esc", "Return",
// "Shift+Tab", "Alt+F", "Num+5"); `text` is what the key types, in UTF-8
// as the desktop hands it over.
bool press_key_on_display(ws::Form& form, const std::string& key, const std::string& text = "");
// A click at `point` in the window's client area.
bool click_on_display(ws::Window& window, ws::Point point, bool right = false);
bool double_click_on_display(ws::Window& window, ws::Point point);
// Single events of a drag: a button pressed or released at `point` while the
// left one stays held, and a move with the left button held.
bool press_on_display(ws::Window& window, ws::Point point, bool right = false);
bool move_on_display(ws::Window& window, ws::Point point);
bool release_on_display(ws::Window& window, ws::Point point, bool right = false);
// A turn of the wheel over `point` in the window's client area.
bool wheel_on_display(ws::Window& window, ws::Point point, int delta);
// The window manager's close button.
bool close_on_display(ws::Form& form);
// The window manager minimising, maximising or restoring the window.
bool set_state_on_display(ws::Form& form, ws::WindowState state);
// The state the display shows the form's window in.
ws::WindowState state_on_display(ws::Form& form);

}  // namespace vx::test
