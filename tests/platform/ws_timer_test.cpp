#include <memory>
#include <utility>

#include "platform/ws/message_window.h"
#include "platform/ws/timer.h"
#include "tests/platform/ws_test_support.h"

namespace vx::ws {
namespace {

using TimerTest = testing_support::WindowSystemTest;

TEST_F(TimerTest, TwoTimersFireInDueOrderOnVirtualTime) {
  std::vector<std::pair<std::uintptr_t, std::uint64_t>> fired;
  MessageWindow window([&](MessageWindow& self, Message& m) -> LResult {
    if (m.id != msg::timer) return self.default_proc(m);
    fired.emplace_back(m.wparam, clock_.now_nanoseconds() / 1'000'000);
    if (fired.size() == 6) terminate();
    return 0;
  });
  ASSERT_TRUE(set_timer(window.handle(), 300, 300));
  ASSERT_TRUE(set_timer(window.handle(), 200, 200));
  run();
  const std::vector<std::pair<std::uintptr_t, std::uint64_t>> expected{
      {200, 200}, {300, 300}, {200, 400}, {300, 600}, {200, 600}, {200, 800}};
  EXPECT_EQ(fired, expected) << "a tie goes to the timer set first";
}

TEST_F(TimerTest, EachTimerFiresAtMostOncePerProcessing) {
  int ticks = 0;
  MessageWindow window([&](MessageWindow& self, Message& m) -> LResult {
    if (m.id != msg::timer) return self.default_proc(m);
    ++ticks;
    clock_.advance_nanoseconds(500'000'000);  // a handler slower than its timer
    return 0;
  });
  set_timer(window.handle(), 1, 100);
  clock_.advance_nanoseconds(100'000'000);
  process_messages();
  EXPECT_EQ(ticks, 1) << "a slow handler must not keep the processing going round";
  process_messages();
  EXPECT_EQ(ticks, 2);
}

TEST_F(TimerTest, KilledTimerAndDestroyedWindowFireNoMore) {
  int ticks = 0;
  auto handler = [&](MessageWindow& self, Message& m) -> LResult {
    if (m.id == msg::timer) ++ticks;
    return self.default_proc(m);
  };
  MessageWindow kept(handler);
  auto doomed = std::make_unique<MessageWindow>(handler);
  set_timer(kept.handle(), 1, 50);
  set_timer(doomed->handle(), 1, 50);
  EXPECT_TRUE(kill_timer(kept.handle(), 1));
  EXPECT_FALSE(kill_timer(kept.handle(), 1));
  doomed.reset();
  clock_.advance_nanoseconds(1'000'000'000);
  process_messages();
  EXPECT_EQ(ticks, 0);
  EXPECT_FALSE(set_timer(no_window, 1, 50));
}

TEST_F(TimerTest, TimerComponentRunsOnlyWhileEnabled) {
  Timer spinner(200, false);
  int ticks = 0;
  spinner.on_timer = [&](Timer&) { ++ticks; };
  clock_.advance_nanoseconds(1'000'000'000);
  process_messages();
  EXPECT_EQ(ticks, 0);
  spinner.set_enabled(true);
  clock_.advance_nanoseconds(199'000'000);
  process_messages();
  EXPECT_EQ(ticks, 0);
  clock_.advance_nanoseconds(1'000'000);
  process_messages();
  EXPECT_EQ(ticks, 1);
  spinner.set_enabled(false);
  clock_.advance_nanoseconds(1'000'000'000);
  process_messages();
  EXPECT_EQ(ticks, 1);
}

}  // namespace
}  // namespace vx::ws
