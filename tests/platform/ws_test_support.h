#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "platform/clock.h"
#include "platform/ws/application.h"
#include "platform/ws/messages.h"
#include "platform/ws/reset.h"
#include "platform/ws/window.h"

namespace vx::ws::testing_support {

// Every window-system test starts from a fresh, headless window system on
// virtual time, and leaves it fresh for the next.
class WindowSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_clock_ = platform::install_clock(&clock_);
    reset_window_system();
    set_headless(true);
  }
  void TearDown() override {
    reset_window_system();
    platform::install_clock(previous_clock_);
  }

  platform::VirtualClock clock_;

 private:
  platform::Clock* previous_clock_ = nullptr;
};

// A window that logs every message it receives and then handles it as
// any window would.
class LoggingWindow : public Window {
 public:
  explicit LoggingWindow(Window* parent = nullptr) : Window(parent) {
    set_bounds(0, 0, 50, 20);
    log.clear();
  }
  LResult window_proc(Message& message) override {
    log.push_back(message);
    return Window::window_proc(message);
  }
  // The ids received, leaving out painting.
  std::vector<MessageId> ids() const {
    std::vector<MessageId> result;
    for (const Message& m : log) {
      if (m.id != msg::paint && m.id != msg::erase_background) result.push_back(m.id);
    }
    return result;
  }
  std::vector<Message> log;
};

}  // namespace vx::ws::testing_support
