#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/serial/serial_device.h"
#include "support/temp_dir.h"

namespace vx::test {

// A pseudo-terminal: the program opens its slave as a serial port, the test
// plays the far end on the master.
class PtyPair {
 public:
  PtyPair() : master_(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
    if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) {
      if (const char* name = ptsname(master_)) slave_path_ = name;
    }
  }
  ~PtyPair() {
    if (master_ >= 0) close(master_);
  }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool ok() const { return !slave_path_.empty(); }
  int master() const { return master_; }
  // The far end hangs up.
  void close_master() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }
  const std::string& slave_path() const { return slave_path_; }

  // Writes everything, waiting while the pty is full.
  void write_all(const std::vector<std::uint8_t>& bytes) const {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
      } else {
        pollfd fd{master_, POLLOUT, 0};
        poll(&fd, 1, 100);
      }
    }
  }
  // Reads until `count` bytes came or `timeout_ms` of real time passed without any.
  std::vector<std::uint8_t> read_some(std::size_t count, int timeout_ms = 2000) const {
    std::vector<std::uint8_t> got;
    std::uint8_t buffer[4096];
    while (got.size() < count) {
      pollfd fd{master_, POLLIN, 0};
      if (poll(&fd, 1, timeout_ms) <= 0) break;
      const ssize_t n = ::read(master_, buffer, std::min(sizeof buffer, count - got.size()));
      if (n <= 0) break;
      got.insert(got.end(), buffer, buffer + n);
    }
    return got;
  }

 private:
  int master_;
  std::string slave_path_;
};

// Points the registry store at a temporary file for the life of a test, so
// that COM ports can be mapped to ptys.
class ScopedSerialMapping {
 public:
  ScopedSerialMapping() {
    if (const char* previous = getenv("VX_REGISTRY_FILE")) previous_ = previous;
    setenv("VX_REGISTRY_FILE", dir_.file("registry.ini").c_str(), 1);
  }
  ~ScopedSerialMapping() {
    if (previous_) {
      setenv("VX_REGISTRY_FILE", previous_->c_str(), 1);
    } else {
      unsetenv("VX_REGISTRY_FILE");
    }
  }
  ScopedSerialMapping(const ScopedSerialMapping&) = delete;
  ScopedSerialMapping& operator=(const ScopedSerialMapping&) = delete;

  bool map(std::uint32_t n, const std::string& path) const {
    const auto key = platform::Registry::current_user().create_key(platform::serial_ports_key);
    return key && key->write_string("COM" + std::to_string(n), path);
  }
  std::string file(const std::string& name) const { return dir_.file(name); }

 private:
  TempDir dir_;
  std::optional<std::string> previous_;
};

}  // namespace vx::test
