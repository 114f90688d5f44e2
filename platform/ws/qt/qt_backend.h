#pragma once

#include "platform/ws/display_backend.h"

// Free of Qt itself, as qt_display.h.
namespace vx::ws::qt {

// The display backend on Qt, for install_display_backend; kept for the process.
DisplayBackend& backend();

}  // namespace vx::ws::qt
