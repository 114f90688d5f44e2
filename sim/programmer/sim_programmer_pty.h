#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "sim/programmer/sim_programmer.h"

namespace vx::sim {

// A stand-alone programmer on the far end of a serial line (the master side
// of a pty): framed link commands in, their CRC-8 checked, replies out with
// their length first. Runs on a thread of its own until destroyed; waits
// only for the line or for its end.
class SimProgrammerPty {
 public:
  SimProgrammerPty(SimProgrammer& programmer, int master_fd);
  ~SimProgrammerPty();
  SimProgrammerPty(const SimProgrammerPty&) = delete;
  SimProgrammerPty& operator=(const SimProgrammerPty&) = delete;

  std::uint32_t bad_frames() const { return bad_frames_; }
  // Bytes wait on the line for the programmer, or it is answering them.
  bool busy() const;
  // The programmer is shared with the line's thread: reach it only through here.
  template <typename F>
  auto with_programmer(F&& f) {
    std::lock_guard lock(mutex_);
    return f(programmer_);
  }

 private:
  void run();
  void take_frames();
  void write_all(const std::vector<std::uint8_t>& bytes);

  SimProgrammer& programmer_;
  int fd_;
  int slave_fd_;  // held open so the line never hangs up, and set raw
  int stop_fd_;
  std::mutex mutex_;
  std::vector<std::uint8_t> input_;
  std::atomic<std::uint32_t> bad_frames_{0};
  std::atomic<bool> working_{false};
  std::thread thread_;
};

}  // namespace vx::sim
