#include "controls/timer_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "controls/exceptions.h"
#include "platform/ws_test_support.h"

namespace vx::controls {
namespace {

class TimerPool : public ws::testing_support::WindowSystemTest {
 protected:
  // The pool is made on the fresh window system, on virtual time.
  void SetUp() override {
    WindowSystemTest::SetUp();
    pool_ = std::make_unique<TOvcTimerPool>();
    pool_->OnAllTriggers = [this](TOvcTimerPool& sender, std::int32_t handle, std::int32_t, std::int32_t total) {
      EXPECT_EQ(&sender, pool_.get());
      firings.push_back({handle, now_ms(), total});
    };
    ws::set_message_hook([this](ws::Message& message) {
      if (message.id == ws::msg::timer) ++ticks;
      return false;
    });
  }
  void TearDown() override {
    pool_.reset();
    WindowSystemTest::TearDown();
  }

  TOvcTimerPool& pool() { return *pool_; }
  std::uint64_t now_ms() { return clock_.now_nanoseconds() / 1'000'000; }
  // Time passes without the message loop looking.
  void skip_ms(std::uint64_t ms) { clock_.advance_nanoseconds(ms * 1'000'000); }
  // Time passes a millisecond at a time, the loop handling what falls due.
  void run_ms(std::uint64_t ms) {
    for (std::uint64_t i = 0; i < ms; ++i) {
      skip_ms(1);
      ws::process_messages();
    }
  }
  std::vector<std::uint64_t> times_of(std::int32_t handle) const {
    std::vector<std::uint64_t> times;
    for (const Firing& f : firings) {
      if (f.handle == handle) times.push_back(f.at_ms);
    }
    return times;
  }

  struct Firing {
    std::int32_t handle;
    std::uint64_t at_ms;
    std::int32_t total;
  };
  std::vector<Firing> firings;
  int ticks = 0;

 private:
  std::unique_ptr<TOvcTimerPool> pool_;
};

// 250 mod 100 = 50 ends the search below the pool's resolution of 55 ms.
TEST_F(TimerPool, HundredAndTwoFiftyTickEvery55) {
  const std::int32_t fast = pool().Add({}, 100);
  const std::int32_t slow = pool().Add({}, 250);
  EXPECT_EQ(pool().Period(), 55u);
  run_ms(600);
  EXPECT_EQ(ticks, 10);
  EXPECT_EQ(times_of(fast), (std::vector<std::uint64_t>{110, 220, 330, 440, 550}));
  EXPECT_EQ(times_of(slow), (std::vector<std::uint64_t>{275, 550}));
}

// 700 until due, then 400 and 200 until the step divides 1000.
TEST_F(TimerPool, ThousandFiredThreeHundredAgoGivesTwoHundred) {
  pool().Add({}, 1000);
  run_ms(300);
  pool().Remove(pool().Add({}, 1000));
  EXPECT_EQ(pool().Period(), 200u);
}

TEST_F(TimerPool, AnOverdueTriggerIsDueNowAndKeepsFiring) {
  const std::int32_t overdue = pool().Add({}, 1000);
  skip_ms(2000);
  pool().Add({}, 5000);
  EXPECT_EQ(pool().Period(), 55u);
  run_ms(2100);
  EXPECT_EQ(times_of(overdue), (std::vector<std::uint64_t>{2055, 3045, 4035}));
  EXPECT_EQ(pool().Period(), 55u);
}

// A disabled trigger stays behind, and it alone runs no timer.
TEST_F(TimerPool, AOneShotFiresOnceAndStopsTheTimer) {
  pool().Add({}, 300, true, false);
  EXPECT_EQ(pool().Period(), 0u);
  const std::int32_t once = pool().Add({}, 100, false);
  EXPECT_EQ(pool().Period(), 100u);
  run_ms(1000);
  EXPECT_EQ(times_of(once), (std::vector<std::uint64_t>{100}));
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(pool().Period(), 0u);
}

TEST_F(TimerPool, ElapsedTotalStopsAtTheLargestInteger) {
  constexpr std::int32_t interval = 1'000'000'000;
  pool().Add({}, interval);
  for (int i = 0; i < 4; ++i) {
    skip_ms(interval);
    ws::process_messages();
  }
  ASSERT_EQ(firings.size(), 4u);
  const std::int32_t largest = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(firings[0].total, interval);
  EXPECT_EQ(firings[1].total, 2 * interval);
  EXPECT_EQ(firings[2].total, largest);
  EXPECT_EQ(firings[3].total, largest);
}

TEST_F(TimerPool, ATickCountWrappingPastItsTopStillFiresOnTime) {
  skip_ms((std::uint64_t{1} << 32) - 30);
  const std::uint64_t start = now_ms();
  const std::int32_t handle = pool().Add({}, 100);
  run_ms(250);
  EXPECT_EQ(times_of(handle), (std::vector<std::uint64_t>{start + 100, start + 200}));
  EXPECT_EQ(firings[0].total, 100);
}

TEST_F(TimerPool, IntervalsBelowOneMillisecondAreRefused) {
  for (const std::int32_t interval : {0, -1, std::numeric_limits<std::int32_t>::min()}) {
    EXPECT_THROW(pool().Add({}, interval), EOvcException) << interval;
  }
  EXPECT_EQ(pool().Period(), 0u);
}

// The trigger's own handler runs first; a failing one reaches the
// application's exception handler and ends the tick.
TEST_F(TimerPool, HandlersRunInOrderAndAFailureEndsTheTick) {
  std::vector<std::string> calls;
  std::vector<std::string> errors;
  ws::set_exception_handler([&](const std::exception& error) { errors.push_back(error.what()); });
  pool().OnAllTriggers = [&](TOvcTimerPool&, std::int32_t handle, std::int32_t, std::int32_t) {
    calls.push_back("all " + std::to_string(handle));
  };
  const std::int32_t first = pool().Add(
      [&](TOvcTimerPool&, std::int32_t handle, std::int32_t interval, std::int32_t elapsed) {
        calls.push_back("own " + std::to_string(handle));
        EXPECT_EQ(interval, 100);
        EXPECT_EQ(elapsed, 100);
      },
      100);
  const std::int32_t failing = pool().Add(
      [](TOvcTimerPool&, std::int32_t, std::int32_t, std::int32_t) { throw std::runtime_error("jammed"); }, 100);
  const std::int32_t last = pool().Add({}, 100);
  run_ms(100);
  const std::string f = std::to_string(first);
  EXPECT_EQ(calls, (std::vector<std::string>{"own " + f, "all " + f}));
  EXPECT_EQ(errors, (std::vector<std::string>{"jammed"}));
  calls.clear();
  pool().Remove(failing);
  run_ms(55);
  EXPECT_EQ(calls, (std::vector<std::string>{"all " + std::to_string(last)}));
}

// Handlers that remove triggers, their own included, leave the tick on firm ground.
TEST_F(TimerPool, HandlersMayRemoveTriggers) {
  std::int32_t self = 0;
  std::int32_t other = 0;
  self = pool().Add(
      [&](TOvcTimerPool& sender, std::int32_t, std::int32_t, std::int32_t) {
        sender.Remove(other);
        sender.Remove(self);
      },
      100);
  other = pool().Add({}, 100);
  const std::int32_t kept = pool().Add({}, 100, false);
  run_ms(300);
  EXPECT_EQ(times_of(self), (std::vector<std::uint64_t>{100}));
  EXPECT_TRUE(times_of(other).empty());
  // The removals moved it under the tick's index: it fires on the next tick.
  EXPECT_EQ(times_of(kept), (std::vector<std::uint64_t>{155}));
  EXPECT_EQ(pool().Period(), 0u);
}

}  // namespace
}  // namespace vx::controls
