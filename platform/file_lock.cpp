#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace vx::platform {
namespace {

constexpr std::uint32_t retry_ms = 50;

// The locked descriptor still is the file the name stands for.
bool names_same_file(int fd, const std::string& path) {
  struct stat locked {};
  struct stat named {};
  return fstat(fd, &locked) == 0 && stat(path.c_str(), &named) == 0 && locked.st_dev == named.st_dev &&
         locked.st_ino == named.st_ino;
}

}  // namespace

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    release();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

bool FileLock::acquire(const std::string& path, std::uint32_t patience_ms, const std::function<void()>& waiting) {
  release();
  bool told = false;
  for (std::uint32_t waited = 0;;) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
      if (names_same_file(fd, path)) {
        fd_ = fd;
        return true;
      }
      // Rewritten while we waited: the new file is the one to lock.
      close(fd);
      continue;
    }
    close(fd);
    if (waited >= patience_ms) return false;
    if (!told && waiting) waiting();
    told = true;
    const timespec pause{0, static_cast<long>(retry_ms) * 1'000'000};
    nanosleep(&pause, nullptr);
    waited += retry_ms;
  }
}

void FileLock::release() {
  if (fd_ < 0) return;
  close(fd_);
  fd_ = -1;
}

}  // namespace vx::platform
