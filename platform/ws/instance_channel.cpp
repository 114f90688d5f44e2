#include "platform/ws/instance_channel.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/ws/application.h"
#include "platform/ws/registered_messages.h"

namespace vx::ws {
namespace {

struct Channel {
  int fd = -1;
  std::string pending;  // bytes of a name not yet ended by its NUL
};

Channel& channel() {
  static Channel instance;
  return instance;
}

std::string channel_path(const platform::InstanceLock& lock) {
  const std::string& path = lock.path();
  const std::string suffix = ".lock";
  if (path.size() <= suffix.size() || path.compare(path.size() - suffix.size(), suffix.size(), suffix) != 0) return {};
  return path.substr(0, path.size() - suffix.size()) + ".channel";
}

// Names arrive NUL-ended; each is posted as the message registered under
// it here. A name nobody registered here has no receiver and is dropped,
// and so is a run of bytes longer than any name a copy may send.
void read_channel() {
  Channel& c = channel();
  char buffer[PIPE_BUF];
  while (true) {
    const ssize_t got = read(c.fd, buffer, sizeof buffer);
    if (got <= 0) break;
    for (ssize_t i = 0; i < got; ++i) {
      if (buffer[i] != '\0') {
        c.pending += buffer[i];
        if (c.pending.size() >= PIPE_BUF) c.pending.clear();
        continue;
      }
      if (const auto id = find_registered_message(c.pending)) post_to_top_level_windows(*id, 0, 0);
      c.pending.clear();
    }
  }
}

}  // namespace

bool open_instance_channel(const platform::InstanceLock& lock) {
  close_instance_channel();
  const std::string path = channel_path(lock);
  if (!lock.held() || path.empty()) return false;
  // The lock holder owns the channel's name: whatever an earlier copy left there goes.
  unlink(path.c_str());
  if (mkfifo(path.c_str(), 0600) != 0) return false;
  // Opened for writing too, so the channel never reads as ended between senders.
  const int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  channel().fd = fd;
  watch_descriptor(fd, read_channel);
  return true;
}

void close_instance_channel() {
  Channel& c = channel();
  if (c.fd < 0) return;
  unwatch_descriptor(c.fd);
  close(c.fd);
  c = Channel{};
}

bool send_to_first_copy(const platform::InstanceLock& lock, MessageId registered) {
  const std::string path = channel_path(lock);
  const std::optional<std::string> name = registered_message_name(registered);
  if (path.empty() || !name || name->size() >= PIPE_BUF) return false;
  // Without a reader the open fails at once (ENXIO) instead of waiting.
  const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  struct stat info{};
  bool sent = false;
  if (fstat(fd, &info) == 0 && S_ISFIFO(info.st_mode)) {
    const std::string record = *name + '\0';
    // Writes of at most PIPE_BUF bytes reach the reader whole.
    sent = write(fd, record.data(), record.size()) == static_cast<ssize_t>(record.size());
  }
  close(fd);
  return sent;
}

}  // namespace vx::ws
