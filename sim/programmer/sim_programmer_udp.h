#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/net.h"
#include "sim/programmer/sim_programmer.h"

namespace vx::sim {

// A stand-alone programmer on the loopback network: it acknowledges each
// request block, then answers it in a datagram of its own; a repeated block
// is acknowledged and answered again without running twice. It answers the
// discovery broadcast, and while locked it refuses requests until one takes
// it over. Serviced from the receive waits of the platform's sockets.
class SimProgrammerUdp final : public platform::UdpResponder {
 public:
  // Loopback addresses only; port 0 takes any free port.
  SimProgrammerUdp(SimProgrammer& programmer, const std::string& address, std::uint16_t port,
                   const std::string& broadcast_address);
  ~SimProgrammerUdp() override;
  SimProgrammerUdp(const SimProgrammerUdp&) = delete;
  SimProgrammerUdp& operator=(const SimProgrammerUdp&) = delete;

  std::uint16_t port() const { return socket_.bound_port(); }
  const std::string& address() const { return address_; }
  void set_locked(bool locked) { locked_ = locked; }
  bool locked() const { return locked_; }
  // The next `count` requests are refused, take-overs too: another user holds on.
  void refuse_next(std::uint32_t count) { held_by_other_ = count; }
  // Requests acknowledged or refused, repeats included.
  std::uint32_t requests() const { return requests_; }

  void service() override;

 private:
  void take(const platform::ReceivedDatagram& got, std::span<const std::uint8_t> datagram, bool broadcast);
  void send(const platform::ReceivedDatagram& to, std::uint16_t opcode, std::uint16_t block,
            const std::vector<std::uint8_t>* reply);

  SimProgrammer& programmer_;
  std::string address_;
  platform::UdpSocket socket_;
  platform::UdpSocket broadcast_;
  bool locked_ = false;
  std::uint32_t held_by_other_ = 0;
  std::uint32_t requests_ = 0;
  std::optional<std::uint16_t> last_block_;
  std::optional<std::vector<std::uint8_t>> last_reply_;
};

}  // namespace vx::sim
