#pragma once

#include <cstdint>
#include <functional>

#include "platform/ws/message_window.h"

namespace vx::ws {

// The timer component: fires on_timer every `interval` milliseconds of the
// installed clock while it is enabled, from the message loop.
class Timer {
 public:
  explicit Timer(std::uint32_t interval_ms = 1000, bool enabled = true);
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  bool enabled() const { return enabled_; }
  void set_enabled(bool enabled);

  std::function<void(Timer&)> on_timer;

 private:
  void restart();

  MessageWindow window_;
  std::uint32_t interval_ms_;
  bool enabled_;
};

}  // namespace vx::ws
