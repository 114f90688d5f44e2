#include "controls/timer_pool.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <string>

#include "controls/exceptions.h"
#include "controls/messages.h"
#include "platform/clock.h"
#include "platform/ws/application.h"
#include "platform/ws/messages.h"

namespace vx::controls {
namespace {

constexpr std::uintptr_t timer_id = 1;
// The pool never ticks faster than this.
constexpr std::int64_t resolution_ms = 55;
// A trigger fires this much early rather than a whole period late.
constexpr std::int64_t early_ms = 27;
constexpr std::int64_t largest_total = std::numeric_limits<std::int32_t>::max();

// The system tick count: milliseconds, wrapping at 2^32.
std::uint32_t tick_count() { return static_cast<std::uint32_t>(platform::clock().monotonic_microseconds() / 1000); }

// Time since `then`, right across a wrap of the tick count.
std::int64_t elapsed_since(std::uint32_t now, std::uint32_t then) { return static_cast<std::uint32_t>(now - then); }

}  // namespace

TOvcTimerPool::TOvcTimerPool()
    : Window_([this](ws::MessageWindow& window, ws::Message& message) -> ws::LResult {
        if (message.id != ws::msg::timer) return window.default_proc(message);
        try {
          DoTimer();
        } catch (const std::exception& error) {
          ws::handle_exception(error);
        }
        return 0;
      }) {}

TOvcTimerPool::~TOvcTimerPool() {
  Period_ = 0;
  RestartTimer();
}

std::int32_t TOvcTimerPool::Add(TTriggerEvent on_trigger, std::int32_t interval, bool repeating, bool enabled) {
  if (interval < 1) throw EOvcException(std::string(MessageText(msg::invalid_parameter)));
  const std::int32_t handle = NextHandle_++;
  Triggers_.push_back({handle, 0, interval, tick_count(), std::move(on_trigger), enabled, repeating});
  TriggersChanged();
  return handle;
}

void TOvcTimerPool::Remove(std::int32_t handle) {
  const auto found =
      std::find_if(Triggers_.begin(), Triggers_.end(), [handle](const TriggerRecord& t) { return t.Handle == handle; });
  if (found == Triggers_.end()) return;
  Triggers_.erase(found);
  TriggersChanged();
}

void TOvcTimerPool::DoTimer() {
  const std::uint32_t now = tick_count();
  // Handlers may add and remove triggers: nothing is held across a call.
  for (std::ptrdiff_t i = 0; i < std::ssize(Triggers_); ++i) {
    TriggerRecord& trigger = Triggers_[i];
    if (!trigger.Enabled) continue;
    const std::int64_t elapsed = elapsed_since(now, trigger.LastTime);
    if (elapsed < trigger.Interval - early_ms) continue;
    trigger.LastTime = now;
    trigger.ElapsedTotal = static_cast<std::int32_t>(std::min(trigger.ElapsedTotal + elapsed, largest_total));
    const std::int32_t handle = trigger.Handle;
    const std::int32_t interval = trigger.Interval;
    const std::int32_t total = trigger.ElapsedTotal;
    const bool repeating = trigger.Repeating;
    if (trigger.OnTrigger) {
      const TTriggerEvent on_trigger = trigger.OnTrigger;
      on_trigger(*this, handle, interval, total);
    }
    if (OnAllTriggers) OnAllTriggers(*this, handle, interval, total);
    if (!repeating) {
      Remove(handle);
      --i;
    }
  }
}

void TOvcTimerPool::TriggersChanged() {
  EnabledCount_ = static_cast<std::int32_t>(std::ranges::count_if(Triggers_, &TriggerRecord::Enabled));
  ComputePeriod(tick_count());
  RestartTimer();
}

void TOvcTimerPool::ComputePeriod(std::uint32_t now) {
  if (EnabledCount_ == 0) {
    Period_ = 0;
    return;
  }
  // The earliest due time; an overdue trigger is due now.
  std::int64_t period = std::numeric_limits<std::int64_t>::max();
  for (const TriggerRecord& trigger : Triggers_) {
    if (!trigger.Enabled) continue;
    const std::int64_t due = std::max<std::int64_t>(trigger.Interval - elapsed_since(now, trigger.LastTime), 0);
    period = std::min({period, std::int64_t{trigger.Interval}, due});
  }
  // The largest step not above it that divides every interval, stopping at the resolution.
  std::int64_t step = std::max(period, resolution_ms);
  bool divides_all = false;
  while (!divides_all && step > resolution_ms) {
    divides_all = true;
    for (const TriggerRecord& trigger : Triggers_) {
      if (const std::int64_t rest = trigger.Interval % step; rest != 0) {
        step -= rest;
        divides_all = false;
        break;
      }
    }
  }
  Period_ = static_cast<std::uint32_t>(std::max(step, resolution_ms));
}

void TOvcTimerPool::RestartTimer() {
  ws::kill_timer(Window_.handle(), timer_id);
  if (Period_ == 0 || EnabledCount_ == 0) return;
  if (!ws::set_timer(Window_.handle(), timer_id, Period_)) throw ENoTimersAvailable();
}

}  // namespace vx::controls
