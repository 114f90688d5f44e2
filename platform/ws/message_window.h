#pragma once

#include <functional>

#include "platform/ws/window.h"

namespace vx::ws {

// A hidden top-level window whose procedure is a function: the receiver of
// notifications, timers and deferred work that belong to no visible window.
class MessageWindow : public Window {
 public:
  using Procedure = std::function<LResult(MessageWindow& window, Message& message)>;

  explicit MessageWindow(Procedure procedure = {}) : procedure_(std::move(procedure)) { hide(); }

  // The window system's default handling of a message.
  LResult default_proc(Message& message) { return Window::window_proc(message); }

  LResult window_proc(Message& message) override {
    return procedure_ ? procedure_(*this, message) : default_proc(message);
  }

 private:
  Procedure procedure_;
};

}  // namespace vx::ws
