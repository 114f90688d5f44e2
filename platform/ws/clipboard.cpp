#include "platform/ws/clipboard.h"

#include "platform/ws/display.h"
#include "platform/ws/qt/qt_desktop.h"

namespace vx::ws {
namespace {

std::optional<std::string>& contents() {
  static std::optional<std::string> text;
  return text;
}

}  // namespace

void set_clipboard_text(std::string_view text) {
  if (display() != nullptr) {
    qt::set_clipboard_text(text);
  } else {
    contents() = std::string(text);
  }
}

std::optional<std::string> clipboard_text() { return display() != nullptr ? qt::clipboard_text() : contents(); }

bool clipboard_has_text() { return display() != nullptr ? qt::clipboard_has_text() : contents().has_value(); }

void clear_clipboard() {
  contents().reset();
  if (display() != nullptr) qt::clear_clipboard();
}

}  // namespace vx::ws
