#include "platform/ws/timer.h"

#include "platform/ws/application.h"
#include "platform/ws/messages.h"

namespace vx::ws {
namespace {
constexpr std::uintptr_t timer_id = 1;
}

Timer::Timer(std::uint32_t interval_ms, bool enabled)
    : window_([this](MessageWindow& window, Message& message) -> LResult {
        if (message.id != msg::timer) return window.default_proc(message);
        if (on_timer) on_timer(*this);
        return 0;
      }),
      interval_ms_(interval_ms),
      enabled_(enabled) {
  restart();
}

void Timer::set_enabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  restart();
}

void Timer::restart() {
  kill_timer(window_.handle(), timer_id);
  if (enabled_ && interval_ms_ > 0) set_timer(window_.handle(), timer_id, interval_ms_);
}

}  // namespace vx::ws
