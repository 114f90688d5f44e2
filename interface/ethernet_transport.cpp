#include "interface/ethernet_transport.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "foundation/command_exception.h"
#include "foundation/kstring.h"
#include "foundation/program_trace.h"
#include "interface/programmer_link.h"

namespace vx {
namespace {

constexpr std::size_t ack_size = 4, reply_header_size = 6;
constexpr int sends_per_block = 5, reply_waits = 3;
constexpr std::uint32_t ack_wait_ms = 250, reply_wait_extra_ms = 200;

EthernetTransport transport;

std::uint16_t word_at(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(bytes[offset] << 8 | bytes[offset + 1]);
}

std::vector<std::uint8_t> request(std::uint16_t opcode, std::uint8_t channel, std::span<const std::uint8_t> stream) {
  const std::uint8_t header[] = {static_cast<std::uint8_t>(opcode >> 8), static_cast<std::uint8_t>(opcode),
                                 static_cast<std::uint8_t>(transport.block_number >> 8),
                                 static_cast<std::uint8_t>(transport.block_number), channel};
  std::vector<std::uint8_t> datagram(sizeof header + stream.size());
  std::copy(std::begin(header), std::end(header), datagram.begin());
  std::copy(stream.begin(), stream.end(), datagram.begin() + sizeof header);
  return datagram;
}

bool from_peer(const platform::ReceivedDatagram& got) { return got.address == trim(transport.peer_address).view(); }

}  // namespace

EthernetTransport& ethernet_transport() { return transport; }

std::uint16_t first_block_number(std::uint32_t seed) {
  std::minstd_rand random(seed);
  const auto block = static_cast<std::uint16_t>(random() % 65535);
  return block == 0 ? 1 : block;
}

void start_ethernet_transport(std::uint32_t seed, const ShortText& local_address) {
  transport = EthernetTransport{};
  transport.block_number = first_block_number(seed);
  try {
    transport.socket = std::make_unique<platform::UdpSocket>();
  } catch (const std::exception& error) {
    transport.socket_error = error.what();
    return;
  }
  udp_bind_to_card(local_address);
}

void finish_ethernet_transport() {
  if (transport.socket) transport.socket->deactivate();
  transport = EthernetTransport{};
}

void next_block_number() {
  transport.block_number = static_cast<std::uint16_t>((transport.block_number + 1) % 65535);
  if (transport.block_number == 0) transport.block_number = 1;
}

bool udp_active() { return transport.socket && transport.socket->active(); }

void set_device_ip(const ShortText& address) { transport.peer_address = address; }
ShortText get_device_ip() { return transport.peer_address; }
void set_device_udp_port(std::uint16_t port) { transport.peer_port = port; }
std::uint16_t get_device_udp_port() { return transport.peer_port; }

bool udp_send_block(std::span<const std::uint8_t> stream, std::uint8_t channel, std::uint32_t wait_ms,
                    bool take_over, std::uint8_t& status) {
  programmer_link().data_received = false;
  status = udp_acknowledged;
  if (!transport.socket) return false;
  const std::vector<std::uint8_t> datagram = request(take_over ? udp_take_over : udp_request, channel, stream);
  std::array<std::uint8_t, ProgrammerLink::reply_size> buffer{};
  for (int send = 0; send < sends_per_block; ++send) {
    transport.socket->send_to(trim(transport.peer_address).str(), transport.peer_port, datagram);
    for (;;) {
      const platform::ReceivedDatagram got = transport.socket->receive(buffer, wait_ms);
      if (got.address.empty()) break;
      if (got.size < ack_size || !from_peer(got) || word_at(buffer, 2) != transport.block_number) continue;
      const std::uint16_t opcode = word_at(buffer, 0);
      if (opcode == udp_ack) return true;
      if (opcode == udp_refused) {
        status = udp_refusal;
        return false;
      }
    }
  }
  status = udp_no_ack;
  return false;
}

bool udp_send_receive(std::span<const std::uint8_t> stream, std::uint8_t channel, std::uint32_t timeout_ms,
                      bool take_over, std::uint8_t& status) {
  if (!udp_send_block(stream, channel, ack_wait_ms, take_over, status)) return false;
  if (!transport.socket) return false;
  ProgrammerLink& link = programmer_link();
  bool accepted = false;
  for (int wait = 0; wait < reply_waits && !accepted;) {
    const platform::ReceivedDatagram got = transport.socket->receive(link.reply, timeout_ms + reply_wait_extra_ms);
    link.reply_length = static_cast<std::int32_t>(got.size);
    if (got.address.empty()) {
      ++wait;
      continue;
    }
    accepted = got.size >= reply_header_size && from_peer(got) && word_at(link.reply, 0) == udp_request &&
               word_at(link.reply, 2) == transport.block_number;
  }
  next_block_number();
  if (!accepted) {
    status = udp_no_reply;
    return false;
  }
  const auto size = static_cast<std::size_t>(link.reply_length);
  std::copy(link.reply.begin() + reply_header_size, link.reply.begin() + static_cast<long>(size), link.reply.begin());
  link.reply_length = static_cast<std::int32_t>(size - reply_header_size);
  link.data_received = true;
  status = udp_acknowledged;
  return true;
}

void udp_send_discovery(std::span<const std::uint8_t> stream, std::uint8_t channel) {
  if (!transport.socket) return;
  std::vector<std::uint8_t> full(stream.begin(), stream.end());
  for (const char c : std::string_view("Server")) full.push_back(static_cast<std::uint8_t>(c));
  full.push_back(0);
  const std::vector<std::uint8_t> datagram = request(udp_request, channel, full);
  transport.socket->set_broadcast(true);
  transport.socket->send_to(trim(transport.peer_address).str(), transport.peer_port, datagram);
  transport.socket->set_broadcast(false);
}

bool udp_bind(const ShortText& local_address) {
  if (!transport.socket) return true;
  trace_line("Attempting network bind to :" + local_address);
  try {
    transport.socket->bind(trim(local_address).str(), udp_local_port_first, udp_local_port_last);
  } catch (const CommandException&) {
    throw;
  } catch (const std::exception& error) {
    trace_line("IP Bind Exception :" + ShortText(error.what()));
    return false;
  }
  trace_line("ORIS/QUILL successfully set IP to :" + local_address + " port:" +
             long_to_str(transport.socket->bound_port()));
  return true;
}

void udp_bind_to_card(const ShortText& local_address) {
  if (transport.socket && !udp_bind(local_address)) udp_bind(ShortText());
}

}  // namespace vx
