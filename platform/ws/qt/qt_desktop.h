#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/ws/types.h"

// What the desktop offers besides windows, free of Qt itself as
// qt_display.h. Only while the display is open.
namespace vx::ws::qt {

void beep();

Size screen_size();
// The primary screen's logical resolution, rounded.
int screen_pixels_per_inch();

// The desktop's clipboard, text only.
void set_clipboard_text(std::string_view text);
std::optional<std::string> clipboard_text();
bool clipboard_has_text();
void clear_clipboard();

}  // namespace vx::ws::qt
