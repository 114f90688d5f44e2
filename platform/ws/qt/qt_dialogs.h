#pragma once

#include <string>
#include <vector>

#include "platform/dialogs.h"

// Free of Qt itself, as qt_display.h.
namespace vx::ws::qt {

// Answers message boxes and file dialogs with Qt Widgets dialogs while a
// display is used, and as nobody would when headless; forms shown modally
// are answered through their own controls. Needs the open display; kept
// for the process.
platform::DialogResponder& open_dialogs();

// A "description|pattern;pattern|..." filter as Qt's name filters,
// "description (pattern pattern)".
std::vector<std::string> name_filters(const std::string& filter);

}  // namespace vx::ws::qt
