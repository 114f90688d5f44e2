#include "platform/ws/settling_responder.h"

#include "platform/ws/application.h"

namespace vx::ws {

platform::DialogResult SettlingResponder::message_box(const platform::MessageDialog& dialog) {
  settle_before_modal();
  return inner_.message_box(dialog);
}

std::optional<std::string> SettlingResponder::open_file(const platform::FileOpenDialog& dialog) {
  settle_before_modal();
  return inner_.open_file(dialog);
}

platform::DialogResult SettlingResponder::modal_form(const platform::FormDialog& dialog) {
  settle_before_modal();
  return inner_.modal_form(dialog);
}

}  // namespace vx::ws
