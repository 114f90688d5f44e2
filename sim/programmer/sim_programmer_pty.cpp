#include "sim/programmer/sim_programmer_pty.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include "sim/pod/pod_memory.h"

namespace vx::sim {

namespace {

int open_raw_slave(int master_fd) {
  const char* name = ::ptsname(master_fd);
  const int fd = name == nullptr ? -1 : ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios settings{};
  if (fd >= 0 && ::tcgetattr(fd, &settings) == 0) {
    ::cfmakeraw(&settings);
    ::tcsetattr(fd, TCSANOW, &settings);
  }
  return fd;
}

bool hung_up(const pollfd& fd) { return (fd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0; }

}  // namespace

SimProgrammerPty::SimProgrammerPty(SimProgrammer& programmer, int master_fd)
    : programmer_(programmer),
      fd_(master_fd),
      slave_fd_(open_raw_slave(master_fd)),
      stop_fd_(::eventfd(0, EFD_CLOEXEC)),
      thread_([this] { run(); }) {}

SimProgrammerPty::~SimProgrammerPty() {
  const std::uint64_t one = 1;
  if (::write(stop_fd_, &one, sizeof one) < 0) {
    // The thread cannot be told; it ends when the line hangs up.
  }
  thread_.join();
  ::close(stop_fd_);
  if (slave_fd_ >= 0) ::close(slave_fd_);
}

void SimProgrammerPty::run() {
  std::uint8_t buffer[4096];
  for (;;) {
    pollfd fds[2] = {{fd_, POLLIN, 0}, {stop_fd_, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0 || fds[1].revents != 0) return;
    if (hung_up(fds[0]) && (fds[0].revents & POLLIN) == 0) return;
    // Set before the bytes leave the line, so busy() never misses them.
    working_ = true;
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n > 0) {
      input_.insert(input_.end(), buffer, buffer + n);
      take_frames();
    }
    working_ = false;
  }
}

bool SimProgrammerPty::busy() const {
  if (working_) return true;
  pollfd fd{fd_, POLLIN, 0};
  return ::poll(&fd, 1, 0) > 0 && (fd.revents & POLLIN) != 0;
}

// Short frame: length (stream + 2), channel, stream, check byte. Long frame:
// 0, then stream + 4 as two bytes, channel, stream, check byte.
void SimProgrammerPty::take_frames() {
  for (;;) {
    if (input_.empty()) return;
    std::size_t header = 1, body = input_[0];
    if (input_[0] == 0) {
      if (input_.size() < 3) return;
      const std::size_t announced = std::size_t{input_[1]} << 8 | input_[2];
      if (announced < 4) {
        ++bad_frames_;
        input_.clear();
        return;
      }
      header = 3;
      body = announced - 2;
    }
    if (body < 2) {
      ++bad_frames_;
      input_.clear();
      return;
    }
    if (input_.size() < header + body) return;
    const std::vector<std::uint8_t> frame(input_.begin() + static_cast<long>(header),
                                          input_.begin() + static_cast<long>(header + body));
    input_.erase(input_.begin(), input_.begin() + static_cast<long>(header + body));
    std::uint8_t check = 0;
    for (std::size_t i = 0; i + 1 < frame.size(); ++i) check = crc8_update(check, frame[i]);
    if (check != frame.back()) {
      ++bad_frames_;
      continue;
    }
    std::optional<std::vector<std::uint8_t>> reply;
    {
      std::lock_guard lock(mutex_);
      reply = programmer_.execute(frame[0], std::span(frame).subspan(1, frame.size() - 2));
    }
    if (!reply) continue;
    const std::size_t length = std::min<std::size_t>(reply->size(), 0xFFFF);
    std::vector<std::uint8_t> out;
    if (length > 0 && length < 256) {
      out.push_back(static_cast<std::uint8_t>(length));
    } else {
      out = {0, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
    }
    out.insert(out.end(), reply->begin(), reply->begin() + static_cast<long>(length));
    write_all(out);
  }
}

void SimProgrammerPty::write_all(const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    // Waiting for the host to read is no work: its waits must move on meanwhile.
    working_ = false;
    pollfd fds[2] = {{fd_, POLLOUT, 0}, {stop_fd_, POLLIN, 0}};
    const bool writable = ::poll(fds, 2, -1) >= 0 && fds[1].revents == 0 && !hung_up(fds[0]);
    working_ = true;
    if (!writable) return;
  }
}

}  // namespace vx::sim
