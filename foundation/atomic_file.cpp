#include "foundation/atomic_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace vx {
namespace {

bool write_all(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

bool replace_file_atomically(const std::string& path, std::string_view contents) {
  mode_t mode = 0644;
  struct stat info {};
  if (stat(path.c_str(), &info) == 0) {
    // Root may write anything, so a file without write permission counts as read-only for everyone.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(path.c_str(), W_OK) != 0) return false;
    mode = info.st_mode & 07777;
  }
  std::string temporary = path + ".XXXXXX";
  const int fd = mkstemp(temporary.data());
  if (fd < 0) return false;
  const bool written = write_all(fd, contents) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
  if (::close(fd) != 0 || !written || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace vx
