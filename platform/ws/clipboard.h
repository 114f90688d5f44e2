#pragma once

#include <optional>
#include <string>
#include <string_view>

// The clipboard, plain text only: the desktop's with a display, else held
// in memory.
namespace vx::ws {

void set_clipboard_text(std::string_view text);
std::optional<std::string> clipboard_text();
bool clipboard_has_text();
void clear_clipboard();

}  // namespace vx::ws
