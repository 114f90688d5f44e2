#include <atomic>
#include <optional>
#include <thread>

#include "platform/ws/message_window.h"
#include "tests/platform/ws_test_support.h"

namespace vx::ws {
namespace {

using SendTimeoutTest = testing_support::WindowSystemTest;

// A window answering its sent message with the sum of the parameters.
MessageWindow::Procedure adding(std::atomic<int>& handled) {
  return [&handled](MessageWindow& self, Message& m) -> LResult {
    if (m.id != msg::user) return self.default_proc(m);
    ++handled;
    return static_cast<LResult>(m.wparam) + m.lparam;
  };
}

TEST_F(SendTimeoutTest, WorkerGivesUpAfterItsTimeOutWhenTheMainThreadDoesNotPump) {
  std::atomic<int> handled{0};
  MessageWindow window(adding(handled));
  std::optional<LResult> answer = 99;
  std::thread worker([&] { answer = send_message_timeout(window.handle(), msg::user, 1, 2, 3000); });
  worker.join();
  EXPECT_FALSE(answer.has_value());
  EXPECT_GE(clock_.now_nanoseconds(), 3'000'000'000u) << "it waited its time-out on the installed clock";
  process_messages();
  EXPECT_EQ(handled, 0) << "a message that ran out of time is never delivered late";
}

TEST_F(SendTimeoutTest, WorkerGetsTheAnswerAtOnceWhenTheMainThreadPumps) {
  platform::MonotonicClock real;
  platform::install_clock(&real);
  std::atomic<int> handled{0};
  MessageWindow window(adding(handled));
  std::atomic<bool> done{false};
  std::optional<LResult> answer;
  const std::uint64_t start = real.monotonic_microseconds();
  std::thread worker([&] {
    answer = send_message_timeout(window.handle(), msg::user, 40, 2, 60'000);
    done = true;
  });
  while (!done) {
    process_messages();
    real.sleep_microseconds(200);
  }
  worker.join();
  EXPECT_EQ(answer, 42);
  EXPECT_EQ(handled, 1);
  EXPECT_LT(real.monotonic_microseconds() - start, 10'000'000u) << "long before the time-out";
}

TEST_F(SendTimeoutTest, SendToAMissingWindowFailsAtOnce) {
  std::optional<LResult> answer = 1;
  std::thread worker([&] { answer = send_message_timeout(no_window, msg::user, 0, 0, 3000); });
  worker.join();
  EXPECT_FALSE(answer.has_value());
  EXPECT_EQ(clock_.now_nanoseconds(), 0u);
}

TEST_F(SendTimeoutTest, ResetReleasesAWorkerWaitingWithoutTimeOut) {
  platform::MonotonicClock real;
  platform::install_clock(&real);
  std::atomic<int> handled{0};
  MessageWindow window(adding(handled));
  std::atomic<bool> done{false};
  LResult answer = -1;
  std::thread worker([&] {
    answer = send_message(window.handle(), msg::user, 1, 1);
    done = true;
  });
  while (!done) {
    reset_window_system();
    real.sleep_microseconds(200);
  }
  worker.join();
  EXPECT_EQ(answer, 0) << "no answer";
  EXPECT_EQ(handled, 0);
}

}  // namespace
}  // namespace vx::ws
