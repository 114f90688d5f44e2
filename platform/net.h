#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// UDP sockets on BSD sockets, with the settings that decide where the
// programmer link sends: the discovery broadcast address and the
// programmer's port. Tests and the simulated mode point both at loopback
// and keep every send there.
namespace vx::platform {

// Something on this machine that answers datagrams: serviced on every pass
// of a receive wait, so a simulated device answers without a thread.
class UdpResponder {
 public:
  virtual ~UdpResponder() = default;
  virtual void service() = 0;
};

struct NetSettings {
  std::string broadcast_address = "255.255.255.255";
  std::uint16_t programmer_port = 8738;
  // Sends to addresses outside 127.0.0.0/8 are refused: set by the simulated
  // mode, off in a run against real programmers.
  bool loopback_only = false;
  std::vector<UdpResponder*> responders;
};

NetSettings& net_settings();
void reset_net_settings();
void add_udp_responder(UdpResponder* responder);
void remove_udp_responder(UdpResponder* responder);
// From now on, whatever the settings say, this process sends nothing outside
// 127.0.0.0/8: for test programs, whose fixtures reset the settings freely.
void confine_to_loopback();

bool is_loopback_address(const std::string& address);
// Where sends are kept on loopback (the settings' loopback_only, or a
// confined process) sockets listen there only, and datagrams from other
// senders are dropped unread.
bool accepts_datagrams_from(const std::string& address);

struct ReceivedDatagram {
  std::size_t size = 0;  // 0 when nothing came in time
  std::string address;
  std::uint16_t port = 0;
};

// One UDP socket. Failures to create, bind or send raise std::runtime_error
// with the system's text.
class UdpSocket {
 public:
  UdpSocket();
  ~UdpSocket();
  UdpSocket(const UdpSocket&) = delete;
  UdpSocket& operator=(const UdpSocket&) = delete;

  bool active() const { return fd_ >= 0; }
  void deactivate();
  // Binds to the first free port of first..last (0..0: any port); an empty
  // address is any local address, or 127.0.0.1 where sends are kept on
  // loopback, which refuses every other address. `shared` lets several
  // sockets take the same address and port, each receiving every broadcast.
  void bind(const std::string& address, std::uint16_t first, std::uint16_t last, bool shared = false);
  std::uint16_t bound_port() const { return port_; }
  // The local address the socket took: "0.0.0.0" for every interface.
  const std::string& bound_address() const { return address_; }
  void set_broadcast(bool on);
  void send_to(const std::string& address, std::uint16_t port, std::span<const std::uint8_t> data);
  // One datagram, cut to the buffer (the rest is discarded), or nothing
  // after timeout_ms. The wait runs on the platform clock. Datagrams from
  // senders that accepts_datagrams_from refuses are passed over.
  ReceivedDatagram receive(std::span<std::uint8_t> buffer, std::uint32_t timeout_ms);
  // A datagram already waiting, without servicing responders: for responders.
  ReceivedDatagram take_waiting(std::span<std::uint8_t> buffer);

 private:
  void create();

  int fd_ = -1;
  std::uint16_t port_ = 0;
  std::string address_;
};

}  // namespace vx::platform
