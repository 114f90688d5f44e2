#include "platform/instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace vx::platform {
namespace {

// Keeps lock and channel paths well inside the limits of a file name.
constexpr std::size_t max_plain_name = 96;

bool usable_directory(const std::string& directory, bool must_be_private) {
  if (mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat info{};
  if (lstat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  // A shared /tmp lets anyone make the directory first; only our own private one will do.
  return !must_be_private || (info.st_uid == getuid() && (info.st_mode & 077) == 0);
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

std::uint64_t fnv1a(std::string_view text) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ull;
  }
  return hash;
}

}  // namespace

std::string runtime_directory() {
  if (std::string own = environment("VX_RUNTIME_DIR"); !own.empty()) {
    return usable_directory(own, false) ? own : std::string();
  }
  if (std::string xdg = environment("XDG_RUNTIME_DIR"); !xdg.empty() && usable_directory(xdg, false)) return xdg;
  const std::string fallback = "/tmp/velmorix-" + std::to_string(getuid());
  return usable_directory(fallback, true) ? fallback : std::string();
}

std::string runtime_file_name(std::string_view name) {
  std::string safe;
  for (const char c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                       c == '-' || c == '_';
    safe += plain ? c : '_';
  }
  if (safe.empty() || safe[0] == '.') safe.insert(0, 1, '_');
  if (safe.size() <= max_plain_name) return safe;
  // Two long names that share their start must still differ.
  char suffix[24];
  std::snprintf(suffix, sizeof suffix, "-%016llx", static_cast<unsigned long long>(fnv1a(name)));
  return safe.substr(0, max_plain_name - 17) + suffix;
}

InstanceLock::~InstanceLock() { release(); }

bool InstanceLock::probe(std::string_view name) {
  release();
  const std::string directory = runtime_directory();
  if (directory.empty()) return false;
  path_ = directory + "/" + runtime_file_name(name) + ".lock";
  const int fd = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  int result;
  do {
    result = flock(fd, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result == 0) {
    fd_ = fd;
    return false;
  }
  const bool other_copy = errno == EWOULDBLOCK;
  close(fd);
  return other_copy;
}

void InstanceLock::release() {
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
}

}  // namespace vx::platform
