#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vx::platform {

// An exclusive lock on a file that is rewritten by renaming a new file over it: the lock follows
// the name, never an old file that a rewrite has already replaced. Released when it goes.
class FileLock {
 public:
  FileLock() = default;
  ~FileLock() { release(); }
  FileLock(FileLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Locks the file that `path` names, trying for `patience_ms` of real time at most: the other
  // holder is another process, whose time runs whatever clock this run uses. `waiting` is called
  // once when another holder makes it wait. False when the time ran out or the file cannot be
  // opened.
  bool acquire(const std::string& path, std::uint32_t patience_ms, const std::function<void()>& waiting);
  void release();
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace vx::platform
