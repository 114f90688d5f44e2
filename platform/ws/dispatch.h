#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "platform/ws/types.h"

// How the message loop hands messages on; shared by the loop, input
// routing and timer units of the layer, used by nothing outside it.
namespace vx::ws::detail {

// Calls the window's procedure; an exception goes to the application's
// exception handler. 0 for a window that no longer exists.
LResult deliver(Message& message);
// True when the application's message hook kept the message.
bool hook_takes(Message& message);
// A message taken from a queue: the hook, then the window.
void dispatch_taken(Message message);

// Blocks until the loop may have work.
void wait_for_work();

struct QueuedInput {
  Message message;
  bool character_of_key = false;
};
void route_input(const QueuedInput& input);
void reset_input_routing();

using FiredTimers = std::vector<std::pair<WindowHandle, std::uintptr_t>>;
// Fires the timer due first that has not yet fired in `fired`.
bool fire_due_timer(FiredTimers& fired);
// When the next timer falls due, in microseconds of the installed clock.
std::optional<std::uint64_t> next_timer_due();
void reset_timers();

}  // namespace vx::ws::detail
