#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "interface/serial/dispatcher_list.h"
#include "interface/serial/oo_misc.h"
#include "platform/clock.h"
#include "platform/serial/simulated_serial.h"
#include "platform/ws/application.h"
#include "platform/ws/reset.h"

namespace vx::serial::testing_support {

// Serial tests run on the main thread of a fresh headless window system,
// with simulated ports installed as the serial backend.
class SerialTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ws::reset_window_system();
    ws::set_headless(true);
    reset_dispatcher_list();
    reset_millisecond_counter();
    previous_backend_ = platform::install_serial_backend(&bus_);
  }
  void TearDown() override {
    platform::install_serial_backend(previous_backend_);
    reset_millisecond_counter();
    ws::reset_window_system();
  }

  // Real time, whatever clock the test installed: for waiting on the worker threads.
  bool eventually(const std::function<bool()>& condition, std::uint64_t limit_ms = 5000) {
    const std::uint64_t start = real_.monotonic_microseconds();
    while (!condition()) {
      if (real_.monotonic_microseconds() - start > limit_ms * 1000) return false;
      ws::process_messages();
      real_.sleep_microseconds(200);
    }
    return true;
  }
  void pause_ms(std::uint64_t ms) { real_.sleep_microseconds(ms * 1000); }
  std::uint64_t real_ms() { return real_.monotonic_microseconds() / 1000; }

  platform::SimulatedSerialBus bus_;
  platform::MonotonicClock real_;

 private:
  platform::SerialBackend* previous_backend_ = nullptr;
};

inline std::vector<std::uint8_t> bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> result;
  for (const int value : values) result.push_back(static_cast<std::uint8_t>(value));
  return result;
}

}  // namespace vx::serial::testing_support
