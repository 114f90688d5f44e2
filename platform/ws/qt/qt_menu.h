#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "platform/ws/display.h"

// Free of Qt itself, as qt_display.h.
namespace vx::ws::qt {

// A pop-up menu of Qt Widgets at a screen point; runs until the user chooses or closes it.
std::optional<std::size_t> run_popup_menu(const std::vector<PopupEntry>& entries, Point screen);

}  // namespace vx::ws::qt
