#include <algorithm>

#include "platform/clock.h"
#include "platform/ws/application.h"
#include "platform/ws/dispatch.h"
#include "platform/ws/messages.h"
#include "platform/ws/window.h"

namespace vx::ws {
namespace {

// The shortest timer interval, as the window system has it.
constexpr std::uint32_t minimum_interval_ms = 10;

struct TimerEntry {
  WindowHandle window;
  std::uintptr_t id;
  std::uint32_t interval_ms;
  std::uint64_t due_us;
  std::uint64_t order;  // set order breaks ties between timers due together
};

// Main thread only.
struct TimerState {
  std::vector<TimerEntry> list;
  std::uint64_t order = 0;
};

TimerState& timers() {
  static TimerState instance;
  return instance;
}

std::uint64_t now_us() { return platform::clock().monotonic_microseconds(); }

}  // namespace

namespace detail {

bool fire_due_timer(FiredTimers& fired) {
  TimerState& s = timers();
  const std::uint64_t now = now_us();
  TimerEntry* due = nullptr;
  for (TimerEntry& timer : s.list) {
    if (timer.due_us > now) continue;
    if (std::find(fired.begin(), fired.end(), std::pair{timer.window, timer.id}) != fired.end()) continue;
    if (due == nullptr || timer.due_us < due->due_us || (timer.due_us == due->due_us && timer.order < due->order)) {
      due = &timer;
    }
  }
  if (due == nullptr) return false;
  due->due_us = now + std::uint64_t{due->interval_ms} * 1000;
  fired.emplace_back(due->window, due->id);
  dispatch_taken(Message{due->window, msg::timer, due->id, 0});
  return true;
}

std::optional<std::uint64_t> next_timer_due() {
  const std::vector<TimerEntry>& list = timers().list;
  if (list.empty()) return std::nullopt;
  return std::min_element(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.due_us < b.due_us; })
      ->due_us;
}

void reset_timers() { timers() = TimerState{}; }

}  // namespace detail

bool set_timer(WindowHandle window, std::uintptr_t id, std::uint32_t interval_ms) {
  if (!is_window(window)) return false;
  TimerState& s = timers();
  kill_timer(window, id);
  const std::uint32_t interval = std::max(interval_ms, minimum_interval_ms);
  s.list.push_back({window, id, interval, now_us() + std::uint64_t{interval} * 1000, ++s.order});
  return true;
}

bool kill_timer(WindowHandle window, std::uintptr_t id) {
  return std::erase_if(timers().list, [&](const TimerEntry& t) { return t.window == window && t.id == id; }) > 0;
}

void kill_window_timers(WindowHandle window) {
  std::erase_if(timers().list, [&](const TimerEntry& t) { return t.window == window; });
}

}  // namespace vx::ws
