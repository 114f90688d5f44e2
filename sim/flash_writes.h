#pragma once

#include <cstdint>
#include <functional>

namespace vx::sim {

// The writes a simulated device makes to its own flash. After each one the keeper (the state
// file's owner) saves the device, before the device answers, so a host killed at any point finds
// the device as far as it got; with `kill_after` set the process kills itself at that write
// (counted from 1), once it is saved, which lands a kill at a chosen point of the device's sequence.
class FlashWrites {
 public:
  explicit FlashWrites(std::uint32_t kill_after = 0) : kill_after_(kill_after) {}

  void set_keeper(std::function<void()> keep) { keep_ = std::move(keep); }
  void written();

 private:
  std::uint32_t kill_after_;
  std::uint32_t count_ = 0;
  std::function<void()> keep_;
};

}  // namespace vx::sim
