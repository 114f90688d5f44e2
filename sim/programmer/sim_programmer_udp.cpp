#include "sim/programmer/sim_programmer_udp.h"

#include <array>
#include <stdexcept>

namespace vx::sim {
namespace {

constexpr std::uint16_t request = 3, ack = 4, refused = 6, take_over = 7;
constexpr std::size_t header_size = 5;

std::uint16_t word_at(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

void need_loopback(const std::string& address) {
  if (!platform::is_loopback_address(address)) throw std::invalid_argument(address + " is not a loopback address");
}

bool is_discovery(std::span<const std::uint8_t> stream) {
  static constexpr std::array<std::uint8_t, 8> wanted{0x20, 'S', 'e', 'r', 'v', 'e', 'r', 0};
  return std::equal(stream.begin(), stream.end(), wanted.begin(), wanted.end());
}

}  // namespace

SimProgrammerUdp::SimProgrammerUdp(SimProgrammer& programmer, const std::string& address, std::uint16_t port,
                                   const std::string& broadcast_address)
    : programmer_(programmer), address_(address) {
  need_loopback(address);
  need_loopback(broadcast_address);
  socket_.bind(address, port, port);
  broadcast_.bind(broadcast_address, socket_.bound_port(), socket_.bound_port(), true);
  platform::add_udp_responder(this);
}

SimProgrammerUdp::~SimProgrammerUdp() { platform::remove_udp_responder(this); }

void SimProgrammerUdp::service() {
  std::array<std::uint8_t, 8192> buffer{};
  for (;;) {
    const platform::ReceivedDatagram got = socket_.take_waiting(buffer);
    if (got.address.empty()) break;
    take(got, std::span(buffer).first(got.size), false);
  }
  for (;;) {
    const platform::ReceivedDatagram got = broadcast_.take_waiting(buffer);
    if (got.address.empty()) break;
    take(got, std::span(buffer).first(got.size), true);
  }
}

void SimProgrammerUdp::take(const platform::ReceivedDatagram& got, std::span<const std::uint8_t> datagram,
                            bool broadcast) {
  if (datagram.size() < header_size || !platform::is_loopback_address(got.address)) return;
  const std::uint16_t opcode = word_at(datagram, 0), block = word_at(datagram, 2);
  const std::uint8_t channel = datagram[4];
  const std::span<const std::uint8_t> stream = datagram.subspan(header_size);
  if (broadcast) {
    if (opcode != request || channel != 1 || !is_discovery(stream)) return;
    send(got, ack, block, nullptr);
    const std::vector<std::uint8_t> info(programmer_.config().device_info.begin(),
                                         programmer_.config().device_info.end());
    send(got, request, block, &info);
    return;
  }
  if (opcode != request && opcode != take_over) return;
  ++requests_;
  if ((locked_ && opcode == request) || held_by_other_ > 0) {
    if (held_by_other_ > 0) --held_by_other_;
    send(got, refused, block, nullptr);
    return;
  }
  locked_ = false;
  send(got, ack, block, nullptr);
  if (last_block_ != block) {
    last_block_ = block;
    last_reply_ = programmer_.execute(channel, stream);
    // A reset forgets the last block.
    if (!last_reply_) last_block_.reset();
  }
  if (last_reply_) send(got, request, block, &*last_reply_);
}

void SimProgrammerUdp::send(const platform::ReceivedDatagram& to, std::uint16_t opcode, std::uint16_t block,
                            const std::vector<std::uint8_t>* reply) {
  std::vector<std::uint8_t> datagram{static_cast<std::uint8_t>(opcode >> 8), static_cast<std::uint8_t>(opcode),
                                     static_cast<std::uint8_t>(block >> 8), static_cast<std::uint8_t>(block)};
  if (reply != nullptr) {
    datagram.push_back(0);
    datagram.push_back(0);
    datagram.insert(datagram.end(), reply->begin(), reply->end());
  }
  socket_.send_to(to.address, to.port, datagram);
}

}  // namespace vx::sim
