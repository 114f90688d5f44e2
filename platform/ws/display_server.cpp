#include "platform/ws/display_server.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace vx::ws {
namespace {

// How long a server on another host may take to accept.
constexpr int remote_connect_ms = 2000;

std::string_view environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string_view(value) : std::string_view();
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// `path` starting with '@' names an abstract socket.
bool unix_socket_answers(std::string_view path) {
  sockaddr_un address{};
  if (path.empty() || path.size() >= sizeof address.sun_path) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.data(), path.size());
  if (path.front() == '@') address.sun_path[0] = '\0';
  const Descriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size());
  return socket.get() >= 0 && ::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), length) == 0;
}

bool tcp_server_answers(const std::string& host, int port) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
  bool answered = false;
  for (const addrinfo* entry = found; entry != nullptr && !answered; entry = entry->ai_next) {
    const Descriptor socket(::socket(entry->ai_family, entry->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (socket.get() < 0) continue;
    if (::connect(socket.get(), entry->ai_addr, entry->ai_addrlen) == 0) {
      answered = true;
      continue;
    }
    if (errno != EINPROGRESS) continue;
    pollfd wait{socket.get(), POLLOUT, 0};
    int error = 0;
    socklen_t size = sizeof error;
    answered = ::poll(&wait, 1, remote_connect_ms) == 1 &&
               ::getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
  }
  ::freeaddrinfo(found);
  return answered;
}

// DISPLAY is [host]:number[.screen]; a local server listens on a socket
// named after its number, in the file system or the abstract namespace.
bool x11_server_answers(std::string_view display) {
  const std::size_t colon = display.rfind(':');
  if (colon == std::string_view::npos) return false;
  std::string_view host = display.substr(0, colon);
  if (const std::size_t slash = host.find('/'); slash != std::string_view::npos) host.remove_prefix(slash + 1);
  const std::string_view rest = display.substr(colon + 1);
  int number = 0;
  const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), number);
  if (error != std::errc{} || end == rest.data() || number < 0) return false;
  if (host.empty() || host == "unix") {
    const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
    return unix_socket_answers(path) || unix_socket_answers("@" + path);
  }
  return tcp_server_answers(std::string(host), 6000 + number);
}

bool wayland_server_answers(std::string_view name) {
  if (name.starts_with('/')) return unix_socket_answers(name);
  const std::string_view runtime = environment("XDG_RUNTIME_DIR");
  return !runtime.empty() && unix_socket_answers(std::string(runtime) + "/" + std::string(name));
}

}  // namespace

std::optional<std::string> answering_display_server() {
  if (const std::string_view x11 = environment("DISPLAY"); !x11.empty() && x11_server_answers(x11)) return "xcb";
  if (const std::string_view wayland = environment("WAYLAND_DISPLAY");
      !wayland.empty() && wayland_server_answers(wayland)) {
    return "wayland";
  }
  return std::nullopt;
}

}  // namespace vx::ws
