#include "platform/ws/clipboard.h"

#include "platform/ws/display_backend.h"

namespace vx::ws {
namespace {

std::optional<std::string>& contents() {
  static std::optional<std::string> text;
  return text;
}

}  // namespace

void set_clipboard_text(std::string_view text) {
  if (DisplayBackend* desktop = display_backend()) {
    desktop->set_clipboard_text(text);
  } else {
    contents() = std::string(text);
  }
}

std::optional<std::string> clipboard_text() {
  DisplayBackend* desktop = display_backend();
  return desktop != nullptr ? desktop->clipboard_text() : contents();
}

bool clipboard_has_text() {
  DisplayBackend* desktop = display_backend();
  return desktop != nullptr ? desktop->clipboard_has_text() : contents().has_value();
}

void clear_clipboard() {
  contents().reset();
  if (DisplayBackend* desktop = display_backend()) desktop->clear_clipboard();
}

}  // namespace vx::ws
