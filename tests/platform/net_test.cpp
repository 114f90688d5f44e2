#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <vector>

#include "platform/net.h"
#include "support/scoped_platform.h"

namespace vx::platform {
namespace {

class NetTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_net_settings(); }
  void TearDown() override { reset_net_settings(); }
};

// A real run sends where it is told; this test program is confined to loopback.
TEST_F(NetTest, TestProgramsRefuseEveryAddressOutsideLoopback) {
  const std::pair<const char*, bool> cases[] = {
      {"127.0.0.1", true}, {"127.255.255.255", true}, {"128.0.0.1", false},   {"255.255.255.255", false},
      {"10.0.0.1", false}, {"", false},               {"127.0.0", false},     {"localhost", false},
  };
  for (const auto& [address, loopback] : cases) EXPECT_EQ(is_loopback_address(address), loopback) << address;
  EXPECT_FALSE(net_settings().loopback_only);
  UdpSocket socket;
  socket.bind("127.0.0.1", 0, 0);
  const std::vector<std::uint8_t> data{1};
  EXPECT_THROW(socket.send_to("192.168.1.1", 8738, data), std::runtime_error);
  EXPECT_THROW(socket.send_to("255.255.255.255", 8738, data), std::runtime_error);
}

// Kept on loopback, a socket listens on no other interface: an empty address
// is loopback's own, any other address outside 127.0.0.0/8 is refused.
TEST_F(NetTest, KeptOnLoopbackASocketListensOnLoopbackOnly) {
  for (const bool simulated_mode : {false, true}) {
    net_settings().loopback_only = simulated_mode;
    UdpSocket any, named;
    any.bind("", 0, 0);
    EXPECT_EQ(any.bound_address(), "127.0.0.1");
    named.bind("127.0.0.9", 0, 0);
    EXPECT_EQ(named.bound_address(), "127.0.0.9");
    UdpSocket refused;
    EXPECT_THROW(refused.bind("0.0.0.0", 0, 0), std::runtime_error);
    EXPECT_THROW(refused.bind("192.168.1.20", 0, 0), std::runtime_error);
  }
}

// No datagram from outside loopback can reach a test's socket, so the rule
// that drops them is shown on its own.
TEST_F(NetTest, KeptOnLoopbackDatagramsFromOtherSendersAreRefused) {
  const std::pair<const char*, bool> cases[] = {
      {"127.0.0.1", true}, {"127.0.0.5", true}, {"10.0.0.7", false}, {"192.168.1.20", false}, {"0.0.0.0", false},
  };
  for (const auto& [sender, accepted] : cases) EXPECT_EQ(accepts_datagrams_from(sender), accepted) << sender;
}

TEST_F(NetTest, ReceivesCutsAndTimesOutOnTheInstalledClock) {
  test::ScopedVirtualClock clock;
  UdpSocket a, b;
  a.bind("127.0.0.1", 0, 0);
  b.bind("127.0.0.1", 0, 0);
  a.send_to("127.0.0.1", b.bound_port(), std::vector<std::uint8_t>{1, 2, 3, 4, 5});
  std::array<std::uint8_t, 3> small{};
  const ReceivedDatagram got = b.receive(small, 100);
  EXPECT_EQ(got.size, 3u);
  EXPECT_EQ(got.address, "127.0.0.1");
  EXPECT_EQ(got.port, a.bound_port());
  EXPECT_EQ(small, (std::array<std::uint8_t, 3>{1, 2, 3}));
  // The rest of a cut datagram is gone.
  const std::uint64_t before = clock->now_nanoseconds();
  EXPECT_TRUE(b.receive(small, 250).address.empty());
  EXPECT_GE(clock->now_nanoseconds() - before, 250'000'000u);
}

TEST_F(NetTest, BindsTheFirstFreePortOfARange) {
  UdpSocket first, second;
  first.bind("127.0.0.1", 0, 0);
  const std::uint16_t taken = first.bound_port();
  const auto next = static_cast<std::uint16_t>(taken + 1);
  second.bind("127.0.0.1", taken, next);
  EXPECT_EQ(second.bound_port(), next);
  UdpSocket third;
  EXPECT_THROW(third.bind("127.0.0.1", taken, taken), std::runtime_error);
  EXPECT_THROW(third.bind("no address", 0, 0), std::runtime_error);
}

TEST_F(NetTest, ResponderIsServicedWhileWaiting) {
  struct Echo final : UdpResponder {
    UdpSocket socket;
    int serviced = 0;
    void service() override {
      ++serviced;
      std::array<std::uint8_t, 16> buffer{};
      const ReceivedDatagram got = socket.take_waiting(buffer);
      if (!got.address.empty()) socket.send_to(got.address, got.port, std::span(buffer).first(got.size));
    }
  } echo;
  echo.socket.bind("127.0.0.1", 0, 0);
  add_udp_responder(&echo);
  UdpSocket host;
  host.bind("127.0.0.1", 0, 0);
  host.send_to("127.0.0.1", echo.socket.bound_port(), std::vector<std::uint8_t>{7, 8});
  std::array<std::uint8_t, 16> buffer{};
  EXPECT_EQ(host.receive(buffer, 1000).size, 2u);
  EXPECT_GT(echo.serviced, 0);
  remove_udp_responder(&echo);
}

}  // namespace
}  // namespace vx::platform
