#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "interface/ethernet_devices.h"
#include "interface/ethernet_transport.h"
#include "interface/programmer_link.h"
#include "platform/net.h"
#include "support/recording_list_view.h"
#include "support/scoped_platform.h"

namespace vx::sap_testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes datagram(std::uint16_t opcode, std::uint16_t block, const Bytes& rest = {}) {
  Bytes d{static_cast<std::uint8_t>(opcode >> 8), static_cast<std::uint8_t>(opcode),
          static_cast<std::uint8_t>(block >> 8), static_cast<std::uint8_t>(block)};
  d.insert(d.end(), rest.begin(), rest.end());
  return d;
}

inline Bytes reply_datagram(std::uint16_t block, const std::string& text) {
  Bytes rest{0, 0};
  rest.insert(rest.end(), text.begin(), text.end());
  return datagram(3, block, rest);
}

// A programmer played by the test on a loopback address: each request it
// receives is handed to the script, which returns the datagrams to answer with.
class ScriptedPeer final : public platform::UdpResponder {
 public:
  using Script = std::function<std::vector<Bytes>(const Bytes& request)>;

  explicit ScriptedPeer(const std::string& address = "127.0.0.1") {
    socket.bind(address, 0, 0);
    platform::add_udp_responder(this);
  }
  ~ScriptedPeer() override { platform::remove_udp_responder(this); }
  ScriptedPeer(const ScriptedPeer&) = delete;
  ScriptedPeer& operator=(const ScriptedPeer&) = delete;

  void service() override {
    std::array<std::uint8_t, 8192> buffer{};
    for (;;) {
      const platform::ReceivedDatagram got = socket.take_waiting(buffer);
      if (got.address.empty()) return;
      const Bytes request(buffer.begin(), buffer.begin() + static_cast<long>(got.size));
      requests.push_back(request);
      sender = got;
      if (!script) continue;
      for (const Bytes& answer : script(request)) socket.send_to(got.address, got.port, answer);
    }
  }

  std::uint16_t block_of(std::size_t k) const {
    return static_cast<std::uint16_t>(requests.at(k)[2] << 8 | requests.at(k)[3]);
  }

  platform::UdpSocket socket;
  Script script;
  std::vector<Bytes> requests;
  platform::ReceivedDatagram sender;  // of the last request
};

// Virtual time, loopback network settings, the transport bound to 127.0.0.1
// with a known block number, the link and device list at their start values.
class EthernetTest : public ::testing::Test {
 protected:
  // Members may have registered responders already.
  void SetUp() override {
    platform::net_settings().loopback_only = true;
    platform::net_settings().broadcast_address = "127.255.255.255";
    reset_programmer_link();
    clear_ethernet_device_list();
    start_ethernet_transport(1, "127.0.0.1");
    ethernet_transport().block_number = 0x1234;
  }
  void TearDown() override {
    finish_ethernet_transport();
    reset_programmer_link();
    clear_ethernet_device_list();
    platform::reset_net_settings();
  }
  void aim_at(const ScriptedPeer& peer) {
    set_device_ip("127.0.0.1");
    set_device_udp_port(peer.socket.bound_port());
    programmer_link().medium = SapMedium::ethernet;
    platform::net_settings().programmer_port = peer.socket.bound_port();
  }
  std::uint64_t now_ms() { return clock_->now_nanoseconds() / 1'000'000; }

  test::ScopedVirtualClock clock_{1'000'000'000, 100'000};
  test::ScopedStatusOutput status_;
};

// Acknowledges and answers every request with `text`.
inline std::vector<Bytes> answer_with(const Bytes& request, const std::string& text) {
  const auto block = static_cast<std::uint16_t>(request[2] << 8 | request[3]);
  return {datagram(4, block), reply_datagram(block, text)};
}

}  // namespace vx::sap_testing
