#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/ws/message_window.h"
#include "platform/ws/registered_messages.h"
#include "platform/ws/reset.h"
#include "tests/platform/ws_test_support.h"

namespace vx::ws {
namespace {

using testing_support::LoggingWindow;
using QueueTest = testing_support::WindowSystemTest;

TEST_F(QueueTest, PostedMessagesArriveInTheOrderPosted) {
  LoggingWindow first;
  LoggingWindow second;
  ASSERT_TRUE(post_message(first.handle(), msg::user + 1, 10, 11));
  ASSERT_TRUE(post_message(second.handle(), msg::user + 2));
  ASSERT_TRUE(post_message(first.handle(), msg::user + 3));
  EXPECT_TRUE(first.log.empty()) << "nothing arrives before the loop runs";
  process_messages();
  EXPECT_EQ(first.ids(), (std::vector<MessageId>{msg::user + 1, msg::user + 3}));
  EXPECT_EQ(second.ids(), (std::vector<MessageId>{msg::user + 2}));
  EXPECT_EQ(first.log.front().wparam, 10u);
  EXPECT_EQ(first.log.front().lparam, 11);
}

// Work for the next pass runs first in that pass, once; a dialog about to wait for the user has it
// done, and what it left painted, beforehand.
TEST_F(QueueTest, WorkForTheNextPassRunsThereOrBeforeAModalDialog) {
  LoggingWindow window;
  window.show();
  process_messages();
  std::vector<std::string> done;
  at_next_pass([&] {
    done.emplace_back("work");
    window.invalidate();
  });
  post_message(window.handle(), msg::user);
  EXPECT_TRUE(done.empty());
  window.log.clear();
  process_messages();
  ASSERT_EQ(done, std::vector<std::string>{"work"});
  EXPECT_EQ(window.ids(), std::vector<MessageId>{msg::user}) << "and the pass went on with its messages";
  process_messages();
  EXPECT_EQ(done.size(), 1u);

  at_next_pass([&] {
    done.emplace_back("before the dialog");
    window.invalidate();
  });
  window.log.clear();
  settle_before_modal();
  EXPECT_EQ(done.back(), "before the dialog");
  const std::vector<Message>& log = window.log;
  EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const Message& m) { return m.id == msg::paint; }));
}

TEST_F(QueueTest, PostToADestroyedWindowIsDropped) {
  auto doomed = std::make_unique<LoggingWindow>();
  const WindowHandle gone = doomed->handle();
  LoggingWindow survivor;
  ASSERT_TRUE(post_message(gone, msg::user));
  ASSERT_TRUE(post_message(survivor.handle(), msg::user));
  doomed.reset();
  EXPECT_FALSE(post_message(gone, msg::user)) << "a dead handle takes no more posts";
  LoggingWindow newcomer;
  EXPECT_NE(newcomer.handle(), gone) << "handles are never given out again";
  process_messages();
  EXPECT_TRUE(newcomer.ids().empty());
  EXPECT_EQ(survivor.ids(), (std::vector<MessageId>{msg::user}));
}

TEST_F(QueueTest, HookSeesEveryMessageFirstAndMayKeepIt) {
  LoggingWindow window;
  std::vector<MessageId> seen;
  set_message_hook([&](Message& m) {
    seen.push_back(m.id);
    return m.id == msg::user + 1;
  });
  post_message(window.handle(), msg::user);
  post_message(window.handle(), msg::user + 1);
  process_messages();
  EXPECT_EQ(seen, (std::vector<MessageId>{msg::user, msg::user + 1}));
  EXPECT_EQ(window.ids(), (std::vector<MessageId>{msg::user}));
}

TEST_F(QueueTest, ExceptionInAWindowProcedureGoesToTheApplicationHandler) {
  struct Throwing : Window {
    LResult window_proc(Message& m) override {
      if (m.id == msg::user) throw std::runtime_error("Exiting Application...");
      return Window::window_proc(m);
    }
  } window;
  LoggingWindow after;
  std::vector<std::string> handled;
  set_exception_handler([&](const std::exception& e) { handled.emplace_back(e.what()); });
  post_message(window.handle(), msg::user);
  post_message(after.handle(), msg::user);
  process_messages();
  EXPECT_EQ(handled, (std::vector<std::string>{"Exiting Application..."}));
  EXPECT_EQ(after.ids().size(), 1u) << "the loop goes on after the handler";
}

TEST_F(QueueTest, SendOnTheMainThreadAnswersAtOnce) {
  struct Answering : Window {
    LResult window_proc(Message& m) override { return m.id == msg::user ? 42 : Window::window_proc(m); }
  } window;
  EXPECT_EQ(send_message(window.handle(), msg::user), 42);
  EXPECT_EQ(send_message(window.handle() + 1000, msg::user), 0);
}

TEST_F(QueueTest, TerminateEndsTheLoopAndProcessingStops) {
  LoggingWindow window;
  struct Quitting : Window {
    LResult window_proc(Message& m) override {
      if (m.id == msg::user) terminate();
      return Window::window_proc(m);
    }
  } quitter;
  post_message(quitter.handle(), msg::user);
  post_message(window.handle(), msg::user);
  run();
  EXPECT_TRUE(terminated());
  EXPECT_TRUE(window.ids().empty()) << "nothing is handled once the application terminates";
}

// The test's virtual clock, telling another thread when the loop blocks and for how long at most.
class BlockWatchingClock final : public platform::Clock {
 public:
  explicit BlockWatchingClock(platform::VirtualClock& time) : time_(time) {}
  std::uint64_t counter_frequency() override { return time_.counter_frequency(); }
  std::uint64_t read_counter() override { return time_.read_counter(); }
  std::uint64_t monotonic_microseconds() override { return time_.monotonic_microseconds(); }
  void sleep_microseconds(std::uint64_t microseconds) override { time_.sleep_microseconds(microseconds); }
  void spin() override { time_.spin(); }
  void wait_step(std::uint64_t microseconds) override { time_.wait_step(microseconds); }
  void wait_readable(std::span<pollfd> fds, std::optional<std::uint64_t> microseconds) override {
    limit = microseconds;
    ++blocks;
    time_.wait_readable(fds, microseconds);
  }

  std::atomic<int> blocks{0};
  std::optional<std::uint64_t> limit;

 private:
  platform::VirtualClock& time_;
};

// Idle, the loop neither spins nor sleeps its way to a timer on virtual time:
// it blocks, and a post from another thread is handled at once.
TEST_F(QueueTest, AnIdleLoopBlocksUntilAPostFromAnotherThread) {
  const std::uint32_t hour_ms = 3'600'000;
  for (const std::optional<std::uint32_t> timer_ms : {std::optional<std::uint32_t>{}, std::optional{hour_ms}}) {
    reset_window_system();
    BlockWatchingClock watching(clock_);
    platform::install_clock(&watching);
    std::vector<MessageId> handled;
    MessageWindow window([&](MessageWindow& self, Message& m) -> LResult {
      if (m.id == msg::user || m.id == msg::timer) handled.push_back(m.id);
      if (m.id == msg::user) terminate();
      return self.default_proc(m);
    });
    if (timer_ms) set_timer(window.handle(), 1, *timer_ms);
    const std::uint64_t passes = clock_.busy_passes();
    std::thread poster([&] {
      platform::MonotonicClock real;
      while (watching.blocks == 0) real.sleep_microseconds(100);
      post_message(window.handle(), msg::user);
    });
    run();
    poster.join();
    platform::install_clock(&clock_);
    EXPECT_EQ(handled, std::vector<MessageId>{msg::user});
    EXPECT_EQ(watching.blocks, 1);
    EXPECT_EQ(clock_.busy_passes(), passes);
    EXPECT_EQ(watching.limit, timer_ms ? std::optional<std::uint64_t>{std::uint64_t{*timer_ms} * 1000} : std::nullopt);
  }
}

TEST_F(QueueTest, RegisteredMessagesShareANumberPerNameInAnyCase) {
  const MessageId instance = register_window_message("/opt/vx/CQUILLHCS08 CQUILLHCS08 Programmer Version 1.71.00.00");
  const MessageId maximize = register_window_message("VELMORIX - MAXIMIZE IDE!");
  EXPECT_GE(instance, msg::first_registered);
  EXPECT_NE(instance, maximize);
  EXPECT_EQ(register_window_message("velmorix - maximize ide!"), maximize);
  EXPECT_EQ(find_registered_message("VELMORIX - MAXIMIZE IDE!"), maximize);
  EXPECT_EQ(registered_message_name(maximize), "VELMORIX - MAXIMIZE IDE!");
  EXPECT_FALSE(find_registered_message("never registered"));
  EXPECT_EQ(register_window_message(""), 0u);
}

TEST_F(QueueTest, RegisteredNumbersRunOutWithoutWrapping) {
  MessageId last = 0;
  for (MessageId i = msg::first_registered; i <= msg::last_registered; ++i) {
    last = register_window_message("m" + std::to_string(i));
  }
  EXPECT_EQ(last, msg::last_registered);
  EXPECT_EQ(register_window_message("one too many"), 0u);
}

TEST_F(QueueTest, BroadcastReachesTopLevelWindowsOnly) {
  LoggingWindow top;
  LoggingWindow child(&top);
  post_to_top_level_windows(msg::user + 7);
  process_messages();
  EXPECT_EQ(top.ids(), (std::vector<MessageId>{msg::user + 7}));
  EXPECT_TRUE(child.ids().empty());
}

}  // namespace
}  // namespace vx::ws
