#pragma once

#include "platform/dialogs.h"

namespace vx::ws {

// Answers through another responder, but first lets the work waiting for the message loop's next
// pass be done and painted: a dialog that waits for the user must not hide what led to it.
class SettlingResponder final : public platform::DialogResponder {
 public:
  explicit SettlingResponder(platform::DialogResponder& inner) : inner_(inner) {}
  platform::DialogResult message_box(const platform::MessageDialog& dialog) override;
  std::optional<std::string> open_file(const platform::FileOpenDialog& dialog) override;
  platform::DialogResult modal_form(const platform::FormDialog& dialog) override;

 private:
  platform::DialogResponder& inner_;
};

}  // namespace vx::ws
