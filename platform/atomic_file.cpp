#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace vx::platform {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view temporary_marker = ".vxtmp-";
// A temporary file this old belongs to no rewrite still running: one that was killed left it.
constexpr std::time_t stale_after_seconds = 60;

bool write_all(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// A symbolic link stays a link: its target is the file rewritten.
std::string file_behind(const std::string& path) {
  std::error_code error;
  if (!fs::is_symlink(fs::symlink_status(path, error))) return path;
  const fs::path target = fs::canonical(path, error);
  return error ? path : target.string();
}

// Makes the rename itself survive a power cut.
void sync_folder_of(const std::string& path) {
  const fs::path file(path);
  const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  ::close(fd);
}

void remove_stale_temporaries(const std::string& path) {
  const fs::path file(path);
  const std::string prefix = file.filename().string() + std::string(temporary_marker);
  const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
  std::error_code error;
  const std::time_t now = std::time(nullptr);
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
    const std::string name = entry->path().filename().string();
    if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
    struct stat info {};
    if (lstat(entry->path().c_str(), &info) == 0 && S_ISREG(info.st_mode) && now - info.st_mtime > stale_after_seconds) {
      std::remove(entry->path().c_str());
    }
  }
}

}  // namespace

bool replace_file_atomically(const std::string& requested_path, std::string_view contents) {
  const std::string path = file_behind(requested_path);
  mode_t mode = 0644;
  struct stat info {};
  if (stat(path.c_str(), &info) == 0) {
    // Root may write anything, so a file without write permission counts as read-only for everyone.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(path.c_str(), W_OK) != 0) return false;
    mode = info.st_mode & 07777;
  }
  remove_stale_temporaries(path);
  std::string temporary = path + std::string(temporary_marker) + "XXXXXX";
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return false;
  const bool written = write_all(fd, contents) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
  if (::close(fd) != 0 || !written || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  sync_folder_of(path);
  return true;
}

}  // namespace vx::platform
