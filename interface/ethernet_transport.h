#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "foundation/short_text.h"
#include "platform/net.h"

// The Ethernet medium of the programmer link: link commands as UDP
// datagrams with a block number, acknowledged and then answered by the
// programmer. One socket for the whole run. Main thread only.
namespace vx {

inline constexpr std::uint16_t udp_local_port_first = 4370, udp_local_port_last = 4468;
inline constexpr std::uint16_t udp_request = 3, udp_ack = 4, udp_refused = 6, udp_take_over = 7;
inline constexpr std::uint8_t udp_acknowledged = 0, udp_no_ack = 1, udp_refusal = 2, udp_no_reply = 3;

struct EthernetTransport {
  std::unique_ptr<platform::UdpSocket> socket;  // none when its creation failed
  ShortText socket_error;
  ShortText peer_address;
  std::uint16_t peer_port = 0;
  std::uint16_t block_number = 1;
  bool disabled = false;  // discovery failed once: no more Ethernet scans this run
  // The firmware updater's discovery fails without a status line.
  bool quiet_discovery = false;
};

EthernetTransport& ethernet_transport();
// Program start: the block number drawn from `seed`, the socket created and
// bound to `local_address` (any local address when that fails).
void start_ethernet_transport(std::uint32_t seed, const ShortText& local_address);
void finish_ethernet_transport();

std::uint16_t first_block_number(std::uint32_t seed);
void next_block_number();

bool udp_active();
void set_device_ip(const ShortText& address);
ShortText get_device_ip();
void set_device_udp_port(std::uint16_t port);
std::uint16_t get_device_udp_port();

bool udp_send_block(std::span<const std::uint8_t> stream, std::uint8_t channel, std::uint32_t wait_ms,
                    bool take_over, std::uint8_t& status);
bool udp_send_receive(std::span<const std::uint8_t> stream, std::uint8_t channel, std::uint32_t timeout_ms,
                      bool take_over, std::uint8_t& status);
void udp_send_discovery(std::span<const std::uint8_t> stream, std::uint8_t channel);
bool udp_bind(const ShortText& local_address);
void udp_bind_to_card(const ShortText& local_address);

}  // namespace vx
