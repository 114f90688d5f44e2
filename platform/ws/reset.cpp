#include "platform/ws/reset.h"

#include "platform/ws/application.h"
#include "platform/ws/canvas.h"
#include "platform/ws/caret.h"
#include "platform/ws/clipboard.h"
#include "platform/ws/instance_channel.h"
#include "platform/ws/keyboard.h"
#include "platform/ws/menu.h"
#include "platform/ws/registered_messages.h"
#include "platform/ws/shell.h"
#include "platform/ws/window.h"

namespace vx::ws {

void reset_window_system() {
  close_instance_channel();
  reset_application();
  reset_windows();
  reset_keyboard();
  reset_caret();
  clear_clipboard();
  reset_registered_messages();
  reset_menus();
  reset_drawing_log();
  reset_shell();
}

}  // namespace vx::ws
