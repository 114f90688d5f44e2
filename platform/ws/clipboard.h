#pragma once

#include <optional>
#include <string>
#include <string_view>

// The clipboard, held in memory: plain text only.
namespace vx::ws {

void set_clipboard_text(std::string_view text);
std::optional<std::string> clipboard_text();
bool clipboard_has_text();
void clear_clipboard();

}  // namespace vx::ws
