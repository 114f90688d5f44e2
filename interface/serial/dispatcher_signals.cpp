#include "interface/serial/dispatcher_signals.h"

#include <algorithm>
#include <chrono>

#include "platform/clock.h"

namespace vx::serial {
namespace {

// The longest real wait between two looks at the installed clock.
constexpr std::uint64_t look_again_us = 5'000;

}  // namespace

void DispatcherSignals::create() {
  std::lock_guard lock(mutex_);
  created_ = true;
  set_.fill(false);
}

void DispatcherSignals::close() {
  std::lock_guard lock(mutex_);
  created_ = false;
  set_.fill(false);
  changed_.notify_all();
}

bool DispatcherSignals::created() {
  std::lock_guard lock(mutex_);
  return created_;
}

void DispatcherSignals::set(Id id) {
  std::lock_guard lock(mutex_);
  if (!created_) return;
  set_[id] = true;
  changed_.notify_all();
}

void DispatcherSignals::reset(Id id) {
  std::lock_guard lock(mutex_);
  set_[id] = false;
}

std::optional<DispatcherSignals::Id> DispatcherSignals::wait(std::initializer_list<Id> ids,
                                                             std::optional<std::uint32_t> timeout_ms) {
  platform::Clock& clock = platform::clock();
  const std::uint64_t start = clock.monotonic_microseconds();
  std::unique_lock lock(mutex_);
  while (true) {
    if (!created_) return std::nullopt;
    for (const Id id : ids) {
      if (set_[id]) {
        set_[id] = false;
        return id;
      }
    }
    if (!timeout_ms) {
      changed_.wait(lock);
      continue;
    }
    const std::uint64_t waited = clock.monotonic_microseconds() - start;
    const std::uint64_t limit = std::uint64_t{*timeout_ms} * 1000;
    if (waited >= limit) return std::nullopt;
    changed_.wait_for(lock, std::chrono::microseconds(std::min(limit - waited, look_again_us)));
  }
}

}  // namespace vx::serial
