#pragma once

#include <memory>

#include "platform/ws/display.h"

// Free of Qt itself, so the rest of the window system never sees a Qt header.
namespace vx::ws::qt {

// Starts Qt on the platform the environment names (QT_QPA_PLATFORM, or
// the desktop's).
std::unique_ptr<Display> open_display();

}  // namespace vx::ws::qt
