#include "platform/ws/clipboard.h"

namespace vx::ws {
namespace {

std::optional<std::string>& contents() {
  static std::optional<std::string> text;
  return text;
}

}  // namespace

void set_clipboard_text(std::string_view text) { contents() = std::string(text); }

std::optional<std::string> clipboard_text() { return contents(); }

bool clipboard_has_text() { return contents().has_value(); }

void clear_clipboard() { contents().reset(); }

}  // namespace vx::ws
