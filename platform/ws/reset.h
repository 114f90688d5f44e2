#pragma once

namespace vx::ws {

// Puts the whole window system back as a fresh program finds it: queues,
// timers, hooks, focus, keyboard, caret, clipboard, registered messages,
// menus, the instance channel, the drawing log and the shell's records.
// For tests; windows still alive keep their handles.
void reset_window_system();

}  // namespace vx::ws
