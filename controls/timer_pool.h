#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/ws/message_window.h"

namespace vx::controls {

// Many timed triggers served by one window timer on a hidden window: the
// timer ticks at the largest step that suits every trigger, and each tick
// fires the triggers whose interval has elapsed.
class TOvcTimerPool {
 public:
  // ElapsedTime is the trigger's total over all its firings.
  using TTriggerEvent =
      std::function<void(TOvcTimerPool& sender, std::int32_t handle, std::int32_t interval, std::int32_t elapsed_time)>;

  TOvcTimerPool();
  virtual ~TOvcTimerPool();
  TOvcTimerPool(const TOvcTimerPool&) = delete;
  TOvcTimerPool& operator=(const TOvcTimerPool&) = delete;

  // A trigger counted from now; returns its handle. An interval below 1 ms
  // is refused: no period could divide it.
  std::int32_t Add(TTriggerEvent on_trigger, std::int32_t interval, bool repeating = true, bool enabled = true);
  // The first trigger with that handle; nothing when there is none.
  void Remove(std::int32_t handle);
  // The tick.
  virtual void DoTimer();

  // Milliseconds between ticks; 0 while no timer runs.
  std::uint32_t Period() const { return Period_; }

  // Fired for every trigger that fires, after the trigger's own handler.
  TTriggerEvent OnAllTriggers;

 private:
  struct TriggerRecord {
    std::int32_t Handle;
    std::int32_t ElapsedTotal;
    std::int32_t Interval;
    std::uint32_t LastTime;
    TTriggerEvent OnTrigger;
    bool Enabled;
    bool Repeating;
  };

  void TriggersChanged();
  void ComputePeriod(std::uint32_t now);
  void RestartTimer();

  std::vector<TriggerRecord> Triggers_;
  ws::MessageWindow Window_;
  std::uint32_t Period_ = 0;
  std::int32_t EnabledCount_ = 0;
  std::int32_t NextHandle_ = 1;
};

}  // namespace vx::controls
