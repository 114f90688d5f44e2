#include "platform/net.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/clock.h"

namespace vx::platform {
namespace {

constexpr std::uint64_t wait_slice_us = 1000;

NetSettings settings;
bool confined = false;

[[noreturn]] void fail(const std::string& what) { throw std::runtime_error(what + ": " + std::strerror(errno)); }

bool parse_address(const std::string& text, in_addr& address) {
  return inet_pton(AF_INET, text.c_str(), &address) == 1;
}

bool kept_on_loopback() { return settings.loopback_only || confined; }

std::string address_text(const in_addr& address) {
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &address, text, sizeof text);
  return text;
}

void service_responders() {
  // A responder may remove itself while serviced.
  const std::vector<UdpResponder*> current = settings.responders;
  for (UdpResponder* responder : current) responder->service();
}

}  // namespace

NetSettings& net_settings() { return settings; }

void reset_net_settings() { settings = NetSettings{}; }

void add_udp_responder(UdpResponder* responder) { settings.responders.push_back(responder); }

void remove_udp_responder(UdpResponder* responder) { std::erase(settings.responders, responder); }

void confine_to_loopback() { confined = true; }

bool is_loopback_address(const std::string& address) {
  in_addr parsed{};
  return parse_address(address, parsed) && (ntohl(parsed.s_addr) >> 24) == 127;
}

bool accepts_datagrams_from(const std::string& address) { return !kept_on_loopback() || is_loopback_address(address); }

UdpSocket::UdpSocket() { create(); }

UdpSocket::~UdpSocket() { deactivate(); }

void UdpSocket::create() {
  fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) fail("Socket creation failed");
}

void UdpSocket::deactivate() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  port_ = 0;
  address_.clear();
}

void UdpSocket::bind(const std::string& address, std::uint16_t first, std::uint16_t last, bool shared) {
  deactivate();
  create();
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(kept_on_loopback() ? INADDR_LOOPBACK : INADDR_ANY);
  if (!address.empty() && !parse_address(address, local.sin_addr)) {
    throw std::runtime_error("Invalid local address " + address);
  }
  if (kept_on_loopback() && !address.empty() && !is_loopback_address(address)) {
    throw std::runtime_error("Binding to " + address + " is not allowed");
  }
  const int one = 1;
  if (shared && ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0) fail("Socket option failed");
  for (std::uint32_t port = first; port <= last; ++port) {
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0) {
      sockaddr_in bound{};
      socklen_t size = sizeof bound;
      ::getsockname(fd_, reinterpret_cast<sockaddr*>(&bound), &size);
      port_ = ntohs(bound.sin_port);
      address_ = address_text(bound.sin_addr);
      return;
    }
    if (errno != EADDRINUSE) break;
  }
  fail("Bind failed");
}

void UdpSocket::set_broadcast(bool on) {
  const int value = on ? 1 : 0;
  if (fd_ < 0 || ::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &value, sizeof value) != 0) fail("Socket option failed");
}

void UdpSocket::send_to(const std::string& address, std::uint16_t port, std::span<const std::uint8_t> data) {
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  if (!parse_address(address, peer.sin_addr)) throw std::runtime_error("Invalid address " + address);
  if (kept_on_loopback() && !is_loopback_address(address)) {
    throw std::runtime_error("Sending to " + address + " is not allowed");
  }
  if (fd_ < 0 || ::sendto(fd_, data.data(), data.size(), 0, reinterpret_cast<const sockaddr*>(&peer),
                          sizeof peer) < 0) {
    fail("Send failed");
  }
}

ReceivedDatagram UdpSocket::take_waiting(std::span<std::uint8_t> buffer) {
  for (;;) {
    pollfd ready{fd_, POLLIN, 0};
    if (fd_ < 0 || ::poll(&ready, 1, 0) <= 0 || (ready.revents & POLLIN) == 0) return {};
    sockaddr_in sender{};
    socklen_t size = sizeof sender;
    const ssize_t n =
        ::recvfrom(fd_, buffer.data(), buffer.size(), MSG_TRUNC, reinterpret_cast<sockaddr*>(&sender), &size);
    if (n < 0) return {};
    ReceivedDatagram got;
    got.address = address_text(sender.sin_addr);
    if (!accepts_datagrams_from(got.address)) continue;
    got.size = std::min(static_cast<std::size_t>(n), buffer.size());
    got.port = ntohs(sender.sin_port);
    return got;
  }
}

ReceivedDatagram UdpSocket::receive(std::span<std::uint8_t> buffer, std::uint32_t timeout_ms) {
  if (fd_ < 0) return {};
  Clock& time = clock();
  const std::uint64_t start = time.monotonic_microseconds();
  const std::uint64_t limit = std::uint64_t{timeout_ms} * 1000;
  for (;;) {
    service_responders();
    ReceivedDatagram got = take_waiting(buffer);
    if (!got.address.empty()) return got;
    const std::uint64_t waited = time.monotonic_microseconds() - start;
    if (waited >= limit) return {};
    time.sleep_microseconds(std::min(wait_slice_us, limit - waited));
  }
}

}  // namespace vx::platform
