#pragma once

#include <string>
#include <string_view>

namespace vx::platform {

// This user's directory for run-time files: VX_RUNTIME_DIR, else
// XDG_RUNTIME_DIR, else /tmp/velmorix-<uid>, made private when missing.
// Empty when none can be used (the fallback in /tmp must be ours alone).
std::string runtime_directory();

// A name made safe and short enough for a file in the runtime directory.
std::string runtime_file_name(std::string_view name);

// The mark that a copy of a program runs: an exclusive flock on a lock
// file in the runtime directory, held for as long as the object holds it.
class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Gives up a lock this object holds, then tries to take the lock named
  // `name`. True when another copy holds it. When no lock file can be made
  // the answer is false: a copy that cannot tell must still run.
  bool probe(std::string_view name);
  void release();
  bool held() const { return fd_ >= 0; }
  // The lock file of the last probe; its channel lies beside it.
  const std::string& path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
};

}  // namespace vx::platform
