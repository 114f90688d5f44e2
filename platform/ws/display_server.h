#pragma once

#include <optional>
#include <string>

namespace vx::ws {

// The desktop's display server that answers, as the display backend names
// its platform ("xcb" for DISPLAY, "wayland" for WAYLAND_DISPLAY); nothing
// when none does. A DISPLAY left over from a closed session must make the
// run headless: the backend cannot start without a server and would end the
// program.
std::optional<std::string> answering_display_server();

}  // namespace vx::ws
