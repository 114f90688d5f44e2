// termios2 (any baud rate) comes from the kernel's headers, which cannot be
// mixed with <termios.h>: this file uses the kernel's definitions only.
#include "platform/serial/termios_device.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>

#include "platform/device_access.h"

namespace vx::platform {
namespace {

// How often the modem lines and error counters are looked at while waiting
// for events: the kernel offers no wait that includes them.
constexpr int line_poll_slice_ms = 20;

std::uint32_t last_error() { return system_error_from_errno(errno); }

void signal_fd(int fd) {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(fd, &one, sizeof one);
}

void drain_fd(int fd) {
  std::uint64_t count = 0;
  [[maybe_unused]] const ssize_t got = ::read(fd, &count, sizeof count);
}

void make_raw(termios2& t) {
  t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF);
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CRTSCTS);
  t.c_cflag |= CS8 | CREAD | CLOCAL;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
}

bool to_termios(const DeviceControlBlock& dcb, termios2& t) {
  static constexpr tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
  if (dcb.BaudRate == 0 || dcb.ByteSize < 5 || dcb.ByteSize > 8 || dcb.Parity > SPACEPARITY ||
      dcb.StopBits > TWOSTOPBITS) {
    return false;
  }
  t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | CIBAUD | CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
  t.c_cflag |= BOTHER | sizes[dcb.ByteSize - 5] | CREAD | CLOCAL;
  t.c_ispeed = t.c_ospeed = dcb.BaudRate;
  if (dcb.Parity != NOPARITY) t.c_cflag |= PARENB;
  if (dcb.Parity == ODDPARITY || dcb.Parity == MARKPARITY) t.c_cflag |= PARODD;
  if (dcb.Parity == MARKPARITY || dcb.Parity == SPACEPARITY) t.c_cflag |= CMSPAR;
  if (dcb.StopBits != ONESTOPBIT) t.c_cflag |= CSTOPB;
  if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) t.c_cflag |= CRTSCTS;
  t.c_iflag &= ~static_cast<tcflag_t>(INPCK | IXON | IXOFF);
  if (dcb.fParity) t.c_iflag |= INPCK;
  if (dcb.fOutX) t.c_iflag |= IXON;
  if (dcb.fInX) t.c_iflag |= IXOFF;
  t.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
  t.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
  return true;
}

// The settings a port starts with.
void from_termios(const termios2& t, DeviceControlBlock& dcb) {
  dcb.BaudRate = t.c_ospeed;
  dcb.ByteSize = static_cast<std::uint8_t>(5 + ((t.c_cflag & CSIZE) >> 4));
  if ((t.c_cflag & PARENB) == 0) {
    dcb.Parity = NOPARITY;
  } else if ((t.c_cflag & CMSPAR) != 0) {
    dcb.Parity = (t.c_cflag & PARODD) != 0 ? MARKPARITY : SPACEPARITY;
  } else {
    dcb.Parity = (t.c_cflag & PARODD) != 0 ? ODDPARITY : EVENPARITY;
  }
  dcb.StopBits = (t.c_cflag & CSTOPB) == 0 ? ONESTOPBIT : TWOSTOPBITS;
  dcb.fOutX = (t.c_iflag & IXON) != 0;
  dcb.fInX = (t.c_iflag & IXOFF) != 0;
  dcb.XonChar = static_cast<char>(t.c_cc[VSTART]);
  dcb.XoffChar = static_cast<char>(t.c_cc[VSTOP]);
}

class TermiosDevice final : public SerialDevice {
 public:
  TermiosDevice(int fd, int event_cancel_fd, int writer_wake_fd, const termios2& settings)
      : fd_(fd), event_cancel_fd_(event_cancel_fd), writer_wake_fd_(writer_wake_fd) {
    from_termios(settings, dcb_);
    has_counters_ = ioctl(fd_, TIOCGICOUNT, &error_base_) == 0;
    event_base_ = error_base_;
  }
  ~TermiosDevice() override {
    ::close(writer_wake_fd_);
    ::close(event_cancel_fd_);
    ::close(fd_);
  }
  TermiosDevice(const TermiosDevice&) = delete;
  TermiosDevice& operator=(const TermiosDevice&) = delete;

  // The settings last applied, with the rate the driver really runs at.
  bool get_state(DeviceControlBlock& state) override {
    termios2 t{};
    if (ioctl(fd_, TCGETS2, &t) != 0) return false;
    std::lock_guard lock(mutex_);
    dcb_.BaudRate = t.c_ospeed;
    state = dcb_;
    return true;
  }

  std::uint32_t set_state(const DeviceControlBlock& state) override {
    termios2 t{};
    if (ioctl(fd_, TCGETS2, &t) != 0) return last_error();
    if (!to_termios(state, t)) return ERROR_INVALID_PARAMETER;
    if (ioctl(fd_, TCSETS2, &t) != 0) return last_error();
    std::lock_guard lock(mutex_);
    dcb_ = state;
    return 0;
  }

  bool escape(std::uint32_t function) override {
    int line = 0;
    switch (function) {
      case SETRTS: line = TIOCM_RTS; return ioctl(fd_, TIOCMBIS, &line) == 0;
      case CLRRTS: line = TIOCM_RTS; return ioctl(fd_, TIOCMBIC, &line) == 0;
      case SETDTR: line = TIOCM_DTR; return ioctl(fd_, TIOCMBIS, &line) == 0;
      case CLRDTR: line = TIOCM_DTR; return ioctl(fd_, TIOCMBIC, &line) == 0;
      case SETBREAK: return ioctl(fd_, TIOCSBRK) == 0;
      case CLRBREAK: return ioctl(fd_, TIOCCBRK) == 0;
      default: return false;
    }
  }

  // The kernel's queues have fixed sizes; any request is met.
  std::uint32_t setup_queues(std::uint32_t, std::uint32_t) override { return 0; }

  bool clear_errors(std::uint32_t& errors, SerialPortStatus& status) override {
    int in_queue = 0;
    int out_queue = 0;
    if (ioctl(fd_, FIONREAD, &in_queue) != 0) return false;
    if (ioctl(fd_, TIOCOUTQ, &out_queue) != 0) out_queue = 0;
    status.in_queue = static_cast<std::uint32_t>(in_queue);
    status.out_queue = static_cast<std::uint32_t>(out_queue);
    errors = 0;
    serial_icounter_struct now{};
    if (has_counters_ && ioctl(fd_, TIOCGICOUNT, &now) == 0) {
      std::lock_guard lock(mutex_);
      if (now.buf_overrun != error_base_.buf_overrun) errors |= CE_RXOVER;
      if (now.overrun != error_base_.overrun) errors |= CE_OVERRUN;
      if (now.parity != error_base_.parity) errors |= CE_RXPARITY;
      if (now.frame != error_base_.frame) errors |= CE_FRAME;
      if (now.brk != error_base_.brk) errors |= CE_BREAK;
      error_base_ = now;
    }
    return true;
  }

  bool modem_status(std::uint32_t& lines) override {
    int bits = 0;
    if (ioctl(fd_, TIOCMGET, &bits) != 0) return false;
    lines = ((bits & TIOCM_CTS) != 0 ? MS_CTS_ON : 0) | ((bits & TIOCM_DSR) != 0 ? MS_DSR_ON : 0) |
            ((bits & TIOCM_RNG) != 0 ? MS_RING_ON : 0) | ((bits & TIOCM_CAR) != 0 ? MS_RLSD_ON : 0);
    return true;
  }

  std::uint32_t purge(std::uint32_t flags) override {
    if ((flags & (PURGE_TXABORT | PURGE_TXCLEAR)) != 0 && ioctl(fd_, TCFLSH, TCOFLUSH) != 0) return last_error();
    if ((flags & (PURGE_RXABORT | PURGE_RXCLEAR)) != 0 && ioctl(fd_, TCFLSH, TCIFLUSH) != 0) return last_error();
    return 0;
  }

  std::int32_t read(std::uint8_t* buffer, std::uint32_t count) override {
    if (count == 0) return 0;
    const ssize_t got = ::read(fd_, buffer, count);
    if (got < 0) return errno == EAGAIN ? 0 : -1;
    if (got > 0) read_since_event_ = true;
    return static_cast<std::int32_t>(got);
  }

  std::int32_t write(const std::uint8_t* data, std::uint32_t count) override {
    if (count == 0) return 0;
    const ssize_t written = ::write(fd_, data, count);
    if (written < 0) return errno == EAGAIN ? 0 : -1;
    return static_cast<std::int32_t>(written);
  }

  bool wait_writable() override {
    pollfd fds[2] = {{fd_, POLLOUT, 0}, {writer_wake_fd_, POLLIN, 0}};
    while (poll(fds, 2, -1) < 0) {
      if (errno != EINTR) return false;
    }
    if ((fds[1].revents & POLLIN) != 0) {
      drain_fd(writer_wake_fd_);
      return false;
    }
    return (fds[0].revents & POLLOUT) != 0;
  }

  void wake_writer() override { signal_fd(writer_wake_fd_); }

  void set_event_mask(std::uint32_t mask) override {
    mask_ = mask;
    if (mask == 0) signal_fd(event_cancel_fd_);
  }

  // Received bytes are reported once per arrival: while the reader has not
  // taken any since the last report, the wait looks again a slice later.
  bool wait_event(std::uint32_t& events) override {
    while (true) {
      const std::uint32_t mask = mask_;
      if (mask == 0) {
        drain_fd(event_cancel_fd_);
        events = 0;
        return true;
      }
      if (const std::uint32_t changes = line_events() & mask; changes != 0) {
        events = changes;
        return true;
      }
      const bool want_input = (mask & EV_RXCHAR) != 0 && read_since_event_;
      const bool sliced = has_counters_ || ((mask & EV_RXCHAR) != 0 && !read_since_event_);
      pollfd fds[2] = {{fd_, static_cast<short>(want_input ? POLLIN : 0), 0}, {event_cancel_fd_, POLLIN, 0}};
      const int ready = poll(fds, 2, sliced ? line_poll_slice_ms : -1);
      if (ready < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      if ((fds[1].revents & POLLIN) != 0) {
        drain_fd(event_cancel_fd_);
        continue;
      }
      if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return false;
      if ((fds[0].revents & POLLIN) != 0) {
        read_since_event_ = false;
        events = EV_RXCHAR;
        return true;
      }
    }
  }

 private:
  // Modem-line and error events since the last look.
  std::uint32_t line_events() {
    serial_icounter_struct now{};
    if (!has_counters_ || ioctl(fd_, TIOCGICOUNT, &now) != 0) return 0;
    std::lock_guard lock(mutex_);
    std::uint32_t events = 0;
    if (now.cts != event_base_.cts) events |= EV_CTS;
    if (now.dsr != event_base_.dsr) events |= EV_DSR;
    if (now.dcd != event_base_.dcd) events |= EV_RLSD;
    if (now.rng != event_base_.rng) events |= EV_RING;
    if (now.brk != event_base_.brk) events |= EV_BREAK;
    if (now.frame != event_base_.frame || now.overrun != event_base_.overrun || now.parity != event_base_.parity ||
        now.buf_overrun != event_base_.buf_overrun) {
      events |= EV_ERR;
    }
    event_base_ = now;
    return events;
  }

  const int fd_;
  const int event_cancel_fd_;
  const int writer_wake_fd_;
  bool has_counters_ = false;
  std::atomic<std::uint32_t> mask_{0};
  std::atomic<bool> read_since_event_{true};
  // Guards the settings and the counter baselines.
  std::mutex mutex_;
  DeviceControlBlock dcb_;
  serial_icounter_struct error_base_{};
  serial_icounter_struct event_base_{};
};

SerialOpenResult fail_open(const std::string& path, int fd, int event_cancel_fd, int writer_wake_fd) {
  const int error = errno;
  for (const int open_fd : {writer_wake_fd, event_cancel_fd, fd}) {
    if (open_fd >= 0) ::close(open_fd);
  }
  return {nullptr, system_error_from_errno(error), device_open_problem(path, error)};
}

class TermiosBackend final : public SerialBackend {
 public:
  SerialOpenResult open(std::string_view name) override {
    const std::uint32_t n = com_port_number(name);
    if (n == 0) return {nullptr, ERROR_FILE_NOT_FOUND, {}};
    return open_termios_device(serial_device_path(n));
  }
};

}  // namespace

SerialOpenResult open_termios_device(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return fail_open(path, -1, -1, -1);
  termios2 settings{};
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TCGETS2, &settings) != 0) return fail_open(path, fd, -1, -1);
  ioctl(fd, TIOCEXCL);
  make_raw(settings);
  if (ioctl(fd, TCSETS2, &settings) != 0) return fail_open(path, fd, -1, -1);
  const int event_cancel_fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (event_cancel_fd < 0) return fail_open(path, fd, -1, -1);
  const int writer_wake_fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (writer_wake_fd < 0) return fail_open(path, fd, event_cancel_fd, -1);
  return {std::make_unique<TermiosDevice>(fd, event_cancel_fd, writer_wake_fd, settings), 0, {}};
}

SerialBackend& termios_backend() {
  static TermiosBackend instance;
  return instance;
}

}  // namespace vx::platform
