#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <optional>

namespace vx::serial {

// The signals by which a dispatcher's threads hand work to each other. Each
// is auto-reset: a waiter that sees it set takes it. Waits with a time-out
// measure it on the installed clock and look again every few real
// milliseconds, so they end on virtual time as on real time.
class DispatcherSignals {
 public:
  enum Id : std::uint8_t { CommEventSignal, DispatchDoneSignal, AckSignal, OutputReadySignal, OutputStopSignal };

  // All unsignalled.
  void create();
  // Setting a closed signal does nothing; waiting for one fails at once.
  void close();
  bool created();

  void set(Id id);
  void reset(Id id);
  // The first of `ids` that is set, taken; nothing when the time ran out or the signals are closed.
  std::optional<Id> wait(std::initializer_list<Id> ids, std::optional<std::uint32_t> timeout_ms = std::nullopt);

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool created_ = false;
  std::array<bool, 5> set_{};
};

}  // namespace vx::serial
