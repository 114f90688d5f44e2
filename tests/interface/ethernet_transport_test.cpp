#include <gtest/gtest.h>

#include "tests/interface/sap_test_support.h"

namespace vx {
namespace {

using sap_testing::Bytes;
using sap_testing::datagram;
using sap_testing::reply_datagram;
using sap_testing::ScriptedPeer;

class EthernetTransportTest : public sap_testing::EthernetTest {};

TEST_F(EthernetTransportTest, RequestCarriesOpcodeBlockChannelAndStream) {
  ScriptedPeer peer;
  aim_at(peer);
  std::uint8_t status = 9;
  peer.script = [](const Bytes&) { return std::vector<Bytes>{datagram(4, 0x1234)}; };
  EXPECT_TRUE(udp_send_block(Bytes{0x0B, 0x01}, 1, 250, false, status));
  EXPECT_TRUE(udp_send_block(Bytes{0x0B}, 2, 250, true, status));
  ASSERT_EQ(peer.requests.size(), 2u);
  EXPECT_EQ(peer.requests[0], (Bytes{0, 3, 0x12, 0x34, 1, 0x0B, 0x01}));
  EXPECT_EQ(peer.requests[1], (Bytes{0, 7, 0x12, 0x34, 2, 0x0B}));
  EXPECT_EQ(status, udp_acknowledged);
  // Acknowledging does not advance the block.
  EXPECT_EQ(ethernet_transport().block_number, 0x1234);
}

TEST_F(EthernetTransportTest, AcknowledgementWaits) {
  struct Case {
    const char* name;
    std::vector<Bytes> answers;  // to every request
    bool from_stranger;
    bool result;
    std::uint8_t status;
    std::size_t sends;
  };
  const Case cases[] = {
      {"silence", {}, false, false, udp_no_ack, 5},
      {"refusal", {datagram(6, 0x1234)}, false, false, udp_refusal, 1},
      {"refusal of another block, then ack", {datagram(6, 0x1233), datagram(4, 0x1234)}, false, true, 0, 1},
      {"short datagram, no stale bytes", {Bytes{0, 4, 0x12}}, false, false, udp_no_ack, 5},
      {"other opcode", {datagram(5, 0x1234)}, false, false, udp_no_ack, 5},
      {"ack from another address", {datagram(4, 0x1234)}, true, false, udp_no_ack, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPeer peer;
    ScriptedPeer stranger("127.0.0.2");
    aim_at(peer);
    peer.script = [&](const Bytes&) {
      if (!c.from_stranger) return c.answers;
      for (const Bytes& answer : c.answers) stranger.socket.send_to(peer.sender.address, peer.sender.port, answer);
      return std::vector<Bytes>{};
    };
    const std::uint64_t start = now_ms();
    std::uint8_t status = 9;
    EXPECT_EQ(udp_send_block(Bytes{0x0B}, 1, 250, false, status), c.result);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(peer.requests.size(), c.sends);
    if (c.status == udp_no_ack) {
      EXPECT_GE(now_ms() - start, 5u * 250);
    }
  }
}

TEST_F(EthernetTransportTest, ReplyWaits) {
  struct Case {
    const char* name;
    std::vector<Bytes> after_ack;
    bool result;
    std::uint8_t status;
    Bytes reply;
  };
  const Case cases[] = {
      {"reply", {reply_datagram(0x1234, "VLX")}, true, 0, Bytes{'V', 'L', 'X'}},
      {"empty reply", {reply_datagram(0x1234, "")}, true, 0, Bytes{}},
      {"wrong block, then the reply", {reply_datagram(0x1200, "no"), reply_datagram(0x1234, "ok")}, true, 0,
       Bytes{'o', 'k'}},
      {"shorter than a reply header", {Bytes{0, 3, 0x12, 0x34, 0}}, false, udp_no_reply, Bytes{}},
      {"nothing", {}, false, udp_no_reply, Bytes{}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ethernet_transport().block_number = 0x1234;
    ScriptedPeer peer;
    aim_at(peer);
    peer.script = [&](const Bytes&) {
      std::vector<Bytes> answers{datagram(4, 0x1234)};
      answers.insert(answers.end(), c.after_ack.begin(), c.after_ack.end());
      return answers;
    };
    const std::uint64_t start = now_ms();
    std::uint8_t status = 9;
    EXPECT_EQ(udp_send_receive(Bytes{0x0B}, 1, 3000, false, status), c.result);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(programmer_link().data_received, c.result);
    if (c.result) {
      EXPECT_EQ(Bytes(sap_reply().begin(), sap_reply().end()), c.reply);
    } else {
      EXPECT_GE(now_ms() - start, 3u * 3200);
    }
    EXPECT_EQ(ethernet_transport().block_number, 0x1235);
  }
}

TEST_F(EthernetTransportTest, ReplyLongerThanTheBufferIsCut) {
  ScriptedPeer peer;
  aim_at(peer);
  peer.script = [](const Bytes&) { return std::vector<Bytes>{datagram(4, 0x1234), reply_datagram(0x1234, std::string(9000, 'x'))}; };
  std::uint8_t status = 9;
  ASSERT_TRUE(udp_send_receive(Bytes{0x0B}, 1, 3000, false, status));
  EXPECT_EQ(programmer_link().reply_length, static_cast<std::int32_t>(ProgrammerLink::reply_size - 6));
}

TEST_F(EthernetTransportTest, NoSocketFailsWithStatusZero) {
  finish_ethernet_transport();
  std::uint8_t status = 9;
  EXPECT_FALSE(udp_active());
  EXPECT_FALSE(udp_send_receive(Bytes{0x0B}, 1, 3000, false, status));
  EXPECT_EQ(status, udp_acknowledged);
}

TEST(EthernetBlockNumber, CyclesThroughOneTo65534) {
  const std::pair<std::uint16_t, std::uint16_t> cases[] = {{1, 2}, {65533, 65534}, {65534, 1}};
  for (const auto& [from, to] : cases) {
    ethernet_transport().block_number = from;
    next_block_number();
    EXPECT_EQ(ethernet_transport().block_number, to);
  }
  for (std::uint32_t seed = 0; seed < 50; ++seed) {
    const std::uint16_t block = first_block_number(seed);
    EXPECT_GE(block, 1);
    EXPECT_LE(block, 65534);
    EXPECT_EQ(block, first_block_number(seed));
  }
}

TEST_F(EthernetTransportTest, BindsInTheLocalPortRange) {
  EXPECT_GE(ethernet_transport().socket->bound_port(), udp_local_port_first);
  EXPECT_LE(ethernet_transport().socket->bound_port(), udp_local_port_last);
  // A card address that cannot be bound falls back to any local address.
  udp_bind_to_card("not an address");
  EXPECT_TRUE(udp_active());
}

}  // namespace
}  // namespace vx
