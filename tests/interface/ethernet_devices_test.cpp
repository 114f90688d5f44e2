#include <gtest/gtest.h>

#include "tests/interface/sap_test_support.h"

namespace vx {
namespace {

using sap_testing::answer_with;
using sap_testing::Bytes;
using sap_testing::datagram;
using sap_testing::reply_datagram;
using sap_testing::ScriptedPeer;

class EthernetDevicesTest : public sap_testing::EthernetTest {
 protected:
  // A datagram from `from` to the program's socket.
  void arrive(ScriptedPeer& from, const Bytes& d) {
    from.socket.send_to("127.0.0.1", ethernet_transport().socket->bound_port(), d);
  }
};

TEST_F(EthernetDevicesTest, DiscoveryBroadcastsThirteenBytes) {
  ScriptedPeer listener("127.255.255.255");
  platform::net_settings().programmer_port = listener.socket.bound_port();
  discover_ethernet_devices();
  std::array<std::uint8_t, 64> buffer{};
  const platform::ReceivedDatagram got = listener.socket.take_waiting(buffer);
  ASSERT_EQ(got.size, 13u);
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 13),
            (Bytes{0, 3, 0x12, 0x34, 1, 0x20, 'S', 'e', 'r', 'v', 'e', 'r', 0}));
  EXPECT_EQ(get_device_ip(), "127.255.255.255");
  EXPECT_EQ(get_device_udp_port(), listener.socket.bound_port());
  EXPECT_EQ(ethernet_transport().block_number, 0x1234);
}

TEST_F(EthernetDevicesTest, ParsesDiscoveryReplies) {
  struct Case {
    const char* text;
    std::int32_t type_code;
    const char* name;
    std::uint8_t n5, n6;
    const char* f7;
    const char* f8;
    const char* revision;
    const char* mac;
    const char* first;
    const char* extra;
    const char* f15;
  };
  const Case cases[] = {
      {"VLX,0,Pro,F4,5,6,F7,F8", 0, "Pro", 5, 6, "F7", "F8", "Rev. B", "", "--h--m", "", ""},
      {"VLX,0,Pro,F4,5,6,F7,F8,Rev. D", 0, "Pro", 5, 6, "F7", "F8", "Rev. D", "", "--h--m", "", ""},
      {"VLX,0,Pro,F4,5,6,F7,F8,Rev. D,more", 0, "Pro", 5, 6, "F7", "F8", "Rev. D", "", "--h--m", "", ""},
      {"VLX,0,Pro,F4,x5,6,F7,F8", 0, "Pro", 0, 6, "F7", "F8", "Rev. B", "", "--h--m", "", ""},
      {"VLX,1,Pro,F4,300,6,F7,F8", 1, "Pro", 44, 6, "F7", "F8", "", "", "--h--m", "", ""},
      {"VLX,2,Pro,F4,5,6,F7,F8,Rev. C,AA:BB,86400,abc,F13,Extra,123456", 2, "Pro", 5, 6, "F7", "F8", "Rev. C",
       "AA:BB", "01d00h", "Extra", "12345"},
      {"VLX,x,Pro,F4,5,6,F7,F8", 0, "Pro", 5, 6, "F7", "F8", "Rev. B", "", "--h--m", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EthernetDeviceRecord r;
    r.ip_address = "127.0.0.1";
    parse_discovery_reply(c.text, r, false);
    EXPECT_EQ(r.type_code, c.type_code);
    EXPECT_EQ(r.device_name, c.name);
    EXPECT_EQ(r.reply_field_4, "F4");
    EXPECT_EQ(r.reply_number_5, c.n5);
    EXPECT_EQ(r.reply_number_6, c.n6);
    EXPECT_EQ(r.reply_field_7, c.f7);
    EXPECT_EQ(r.reply_field_8, c.f8);
    EXPECT_EQ(r.revision, c.revision);
    EXPECT_EQ(r.mac_address, c.mac);
    EXPECT_EQ(r.first_duration, c.first);
    EXPECT_EQ(r.extra_text, c.extra);
    EXPECT_EQ(r.reply_field_15, c.f15);
    EXPECT_EQ(r.ip_address, "127.0.0.1");
  }
  EthernetDeviceRecord untouched;
  parse_discovery_reply("ABC,1,Pro", untouched, true);
  EXPECT_EQ(untouched.type_code, 255);
  EXPECT_EQ(untouched.device_name, "");
  EXPECT_EQ(untouched.first_duration, "");
}

TEST_F(EthernetDevicesTest, ShortFormAsksTheOpenProgrammerForTheRest) {
  ScriptedPeer peer;
  aim_at(peer);
  peer.script = [](const Bytes& request) {
    switch (request[5]) {
      case 0x0A: return answer_with(request, std::string("\x01\x02\x03\x04\x05\x06", 6));
      case 0x10: return answer_with(request, std::string("\x00\x00\x0E\x10", 4));
      case 0x11: return answer_with(request, std::string("\x00\x00\x00\x3C", 4));
      case 0x1E: return answer_with(request, "Bench");
      default: return answer_with(request, "VLX,0,Pro,F4,5,6,F7,F8");
    }
  };
  EthernetDeviceRecord r;
  sap_get_device_info(r);
  ASSERT_EQ(peer.requests.size(), 5u);
  EXPECT_EQ(r.extra_text, "Bench");
  EXPECT_EQ(r.mac_address, "01:02:03:04:05:06");
  EXPECT_EQ(r.first_duration, "01h00m");
  EXPECT_EQ(r.second_duration, "00h01m");
}

TEST_F(EthernetDevicesTest, CollectsStoresSortsAndSkipsItsOwnBroadcast) {
  ScriptedPeer nine("127.0.0.9"), ten("127.0.0.10"), two("127.0.0.2");
  arrive(nine, datagram(4, 0x1234));
  arrive(nine, reply_datagram(0x1234, "VLX,1,Nine,F4,5,6,F7,F8"));
  arrive(ten, reply_datagram(0x1234, "VLX,1,Ten,F4,5,6,F7,F8"));
  arrive(two, datagram(4, 0x1234));
  arrive(two, Bytes{0, 3, 0x12, 0x34, 1, 0x20, 'S', 'e', 'r', 'v', 'e', 'r', 0});  // own broadcast, looped back
  arrive(two, Bytes{0, 4, 0});                                                        // too short
  arrive(two, datagram(5, 0x1234));                                                   // not a reply
  EXPECT_EQ(collect_ethernet_devices(), 3);
  const EthernetDeviceList& list = ethernet_devices();
  EXPECT_EQ(list.records[0].ip_address, "127.0.0.10");
  EXPECT_EQ(list.records[0].device_name, "Ten");
  EXPECT_EQ(list.records[1].ip_address, "127.0.0.2");
  EXPECT_EQ(list.records[1].type_code, 255);
  EXPECT_EQ(list.records[2].ip_address, "127.0.0.9");
  EXPECT_EQ(list.records[2].device_name, "Nine");
  EXPECT_EQ(ethernet_transport().block_number, 0x1235);
}

TEST_F(EthernetDevicesTest, ALongReplyIsStoredUpToTheBuffer) {
  ScriptedPeer peer;
  arrive(peer, reply_datagram(0x1234, "VLX,1,Pro,F4,5,6,F7," + std::string(250 - 20, 'z')));
  EXPECT_EQ(collect_ethernet_devices(), 1);
  // 255 datagram bytes: 6 of header, 249 of text, of which field 8 keeps its 60.
  EXPECT_EQ(ethernet_devices().records[0].reply_field_8, std::string(60, 'z'));
}

TEST_F(EthernetDevicesTest, WithoutASocketEthernetIsReportedOnceAndDisabled) {
  finish_ethernet_transport();
  ethernet_transport().socket_error = "no sockets";
  discover_ethernet_devices();
  EXPECT_EQ(collect_ethernet_devices(), 0);
  discover_ethernet_devices();
  EXPECT_EQ(collect_ethernet_devices(), 0);
  EXPECT_EQ(status_.lines(), std::vector<std::string>{"Ethernet functionality not active - no sockets."});
}

TEST_F(EthernetDevicesTest, ADiscoveryErrorDisablesEthernet) {
  platform::net_settings().broadcast_address = "255.255.255.255";
  discover_ethernet_devices();
  EXPECT_TRUE(ethernet_transport().disabled);
  ASSERT_EQ(status_.lines().size(), 1u);
  EXPECT_EQ(status_.lines()[0].rfind("Ethernet functionality not enabled - ", 0), 0u);
}

}  // namespace
}  // namespace vx
