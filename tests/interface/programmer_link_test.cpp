#include <gtest/gtest.h>

#include "tests/interface/sap_test_support.h"

namespace vx {
namespace {

using sap_testing::answer_with;
using sap_testing::Bytes;
using sap_testing::datagram;
using sap_testing::reply_datagram;
using sap_testing::ScriptedPeer;

class ProgrammerLinkTest : public sap_testing::EthernetTest {
 protected:
  std::uint16_t opcode(std::size_t k) const {
    return static_cast<std::uint16_t>(peer_.requests.at(k)[0] << 8 | peer_.requests.at(k)[1]);
  }
  ScriptedPeer peer_;
};

TEST_F(ProgrammerLinkTest, FiveSilentAttemptsFailWithAThreeByteReply) {
  aim_at(peer_);
  EXPECT_FALSE(sap_send_receive(Bytes{0x0B}, 1));
  EXPECT_EQ(peer_.requests.size(), 25u);
  EXPECT_EQ(programmer_link().reply_length, 3);
  EXPECT_EQ(programmer_link().reply[0], 0);
  EXPECT_EQ(programmer_link().reply[1], 0);
}

TEST_F(ProgrammerLinkTest, RefusalsSwitchToTakeOverAndTheFifthAttemptCounts) {
  aim_at(peer_);
  peer_.script = [this](const Bytes& request) {
    const auto block = static_cast<std::uint16_t>(request[2] << 8 | request[3]);
    if (peer_.requests.size() < 5) return std::vector<Bytes>{datagram(6, block)};
    return answer_with(request, "VLX");
  };
  EXPECT_TRUE(sap_send_receive(Bytes{0x0B}, 1));
  ASSERT_EQ(peer_.requests.size(), 5u);
  EXPECT_EQ(opcode(0), 3);
  for (std::size_t k = 1; k < 5; ++k) EXPECT_EQ(opcode(k), 7);
  EXPECT_EQ(sap_reply_text(), "VLX");
}

TEST_F(ProgrammerLinkTest, AReplyTimeOutEndsTheExchangeAtOnce) {
  aim_at(peer_);
  peer_.script = [](const Bytes& request) {
    return std::vector<Bytes>{datagram(4, static_cast<std::uint16_t>(request[2] << 8 | request[3]))};
  };
  EXPECT_FALSE(sap_send_receive(Bytes{0x0B}, 1));
  EXPECT_EQ(peer_.requests.size(), 1u);
}

TEST_F(ProgrammerLinkTest, OpeningEthernet) {
  struct Case {
    const char* address;
    const char* identity;  // nullptr: silent
    std::int32_t result;
    SapMedium medium;
    std::size_t requests;
  };
  const Case cases[] = {
      {"   ", "VLX", sap_ethernet_failed, SapMedium::none, 0},
      {"127.0.0.1", "VLX, 0 PRO", sap_ok, SapMedium::ethernet, 1},
      {" 127.0.0.1 ", "VLX, 0 PRO", sap_ok, SapMedium::ethernet, 1},
      {"127.0.0.1", "ABC", sap_ethernet_failed, SapMedium::none, 1},
      {"127.0.0.1", nullptr, sap_ethernet_failed, SapMedium::none, 25},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    peer_.requests.clear();
    peer_.script = [&](const Bytes& request) {
      return c.identity ? answer_with(request, c.identity) : std::vector<Bytes>{};
    };
    EXPECT_EQ(sap_open_ethernet_ip(c.address, peer_.socket.bound_port()), c.result);
    EXPECT_EQ(programmer_link().medium, c.medium);
    EXPECT_EQ(programmer_link().open, c.result == sap_ok);
    EXPECT_EQ(peer_.requests.size(), c.requests);
  }
}

TEST_F(ProgrammerLinkTest, AnOpenExceptionIsReportedAndLeavesNoMedium) {
  platform::net_settings().programmer_port = peer_.socket.bound_port();
  set_device_udp_port(peer_.socket.bound_port());
  // Outside loopback the socket refuses to send.
  EXPECT_EQ(sap_open_ethernet("10.1.2.3"), sap_ethernet_failed);
  EXPECT_EQ(sap_open_ethernet("not an address"), sap_ethernet_failed);
  EXPECT_EQ(programmer_link().medium, SapMedium::none);
  ASSERT_FALSE(status_.lines().empty());
  EXPECT_EQ(status_.lines().back().rfind("SapInterface Exception - ", 0), 0u);
  EXPECT_TRUE(peer_.requests.empty());
}

TEST_F(ProgrammerLinkTest, WriteMemoryChunks) {
  aim_at(peer_);
  struct Case {
    const char* name;
    std::uint16_t length;
    std::size_t data_size;
    std::size_t refuse_at;  // chunk the programmer refuses; 99: none
    std::vector<std::size_t> chunks;
    std::uint8_t result;
  };
  const Case cases[] = {
      {"500 bytes", 500, 500, 99, {228, 228, 44}, 1},
      {"second chunk refused", 500, 500, 1, {228, 228}, 0},
      {"data shorter than the length", 500, 300, 99, {228, 72}, 1},
      {"nothing", 0, 10, 99, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    peer_.requests.clear();
    peer_.script = [&](const Bytes& request) {
      return answer_with(request, peer_.requests.size() - 1 == c.refuse_at ? std::string(1, '\0') : "\x01");
    };
    Bytes data(c.data_size);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i);
    EXPECT_EQ(sap_write_memory(0x8000, c.length, data), c.result);
    ASSERT_EQ(peer_.requests.size(), c.chunks.size());
    std::size_t offset = 0;
    for (std::size_t k = 0; k < c.chunks.size(); ++k) {
      const Bytes& r = peer_.requests[k];
      ASSERT_EQ(r.size(), 5 + 7 + c.chunks[k]);
      EXPECT_EQ(r[4], 2);
      EXPECT_EQ(r[5], 0x07);
      const std::uint32_t address = std::uint32_t{r[6]} << 24 | r[7] << 16 | r[8] << 8 | r[9];
      EXPECT_EQ(address, 0x8000 + offset);
      EXPECT_EQ(std::size_t{r[10]} << 8 | r[11], c.chunks[k]);
      EXPECT_EQ(r[12], static_cast<std::uint8_t>(offset));
      offset += c.chunks[k];
    }
  }
}

TEST_F(ProgrammerLinkTest, FailedQueriesGiveTheirFixedResults) {
  aim_at(peer_);
  peer_.script = [](const Bytes& request) {
    return std::vector<Bytes>{datagram(4, static_cast<std::uint16_t>(request[2] << 8 | request[3]))};
  };
  ShortText text = "stale";
  EXPECT_EQ(sap_query_identity(text, 50), sap_no_reply);
  EXPECT_EQ(text, "");
  EXPECT_EQ(sap_check_identity(), sap_serial_failed);
  EXPECT_EQ(sap_query_version(text, 10), sap_no_reply);
  EXPECT_EQ(text, "");
  EXPECT_EQ(sap_query_first_duration(text, 10), sap_no_reply);
  EXPECT_EQ(text, "--h--m");
  EXPECT_EQ(sap_query_second_duration(text, 10), sap_no_reply);
  EXPECT_EQ(text, "--h:--m");
  EXPECT_EQ(sap_query_extra_text(60), "none");
  EXPECT_EQ(sap_get_kernel_name(), "");
  EXPECT_EQ(sap_query_mac(), "");
  EXPECT_EQ(sap_erase_block(1), 0);
  EXPECT_EQ(sap_select_mode(0), 0);
  EXPECT_EQ(sap_range_crc(0, 16), 0u);
  EXPECT_EQ(sap_get_region().length, 0u);
}

TEST_F(ProgrammerLinkTest, QueriesReadTheirReplies) {
  aim_at(peer_);
  peer_.script = [](const Bytes& request) {
    switch (request[5]) {
      case 0x0A: return answer_with(request, std::string("\x00\x1B\xC5\x0A\x10\x2F", 6));
      case 0x10: return answer_with(request, std::string("\x00\x01\x62\x5D", 4));  // 90205 s
      case 0x1D: return answer_with(request, "2.14");
      case 0x28: return answer_with(request, std::string("\xCB\xF4\x39\x26", 4));
      case 0x29: return answer_with(request, std::string("\x00\x00\x10\x00\x12\x34\x56\x78", 8));
      default: return answer_with(request, "VLX, 0 PRO");
    }
  };
  ShortText text;
  EXPECT_EQ(sap_query_mac(), "00:1B:C5:0A:10:2F");
  EXPECT_EQ(sap_query_first_duration(text, 10), sap_ok);
  EXPECT_EQ(text, "01d01h");
  EXPECT_EQ(sap_query_version(text, 3), sap_ok);
  EXPECT_EQ(text, "2.1");
  EXPECT_EQ(sap_check_identity(), sap_ok);
  EXPECT_EQ(sap_range_crc(0x10, 9), 0xCBF43926u);
  EXPECT_EQ(peer_.requests.back(), (Bytes{0, 3, peer_.requests.back()[2], peer_.requests.back()[3], 2, 0x28, 0, 0, 0,
                                          0x10, 0, 0, 0, 9}));
  const SapRegion region = sap_get_region();
  EXPECT_EQ(region.length, 0x1000u);
  EXPECT_EQ(region.crc, 0x12345678u);
}

TEST_F(ProgrammerLinkTest, UpdateLogicRestoresTheTimeOuts) {
  aim_at(peer_);
  peer_.script = [](const Bytes& request) {
    return answer_with(request, request[4] == 2 && request[5] == 0x20 ? "Update completed Successfully" : "");
  };
  sap_set_ethernet_timeout(1000);
  sap_set_serial_timeout(2000);
  sap_set_usb_timeout(4000);
  EXPECT_TRUE(sap_update_logic());
  EXPECT_EQ(sap_get_ethernet_timeout(), 1000);
  EXPECT_EQ(sap_get_serial_timeout(), 2000);
  EXPECT_EQ(sap_get_usb_timeout(), 4000);
  EXPECT_GE(now_ms(), 30000u);
  // The caller's saved time-outs are its own.
  sap_save_timeouts();
  sap_set_timeouts(7);
  EXPECT_TRUE(sap_check_success());
  sap_restore_timeouts();
  EXPECT_EQ(sap_get_usb_timeout(), 4000);
}

TEST_F(ProgrammerLinkTest, ResetSendsWithoutReadingAndOnlyWhenOpen) {
  aim_at(peer_);
  peer_.script = [](const Bytes& request) {
    return std::vector<Bytes>{datagram(4, static_cast<std::uint16_t>(request[2] << 8 | request[3]))};
  };
  EXPECT_EQ(sap_reset_device(1500), sap_ok);
  EXPECT_TRUE(peer_.requests.empty());
  programmer_link().open = true;
  EXPECT_EQ(sap_reset_device(1500), sap_ok);
  ASSERT_EQ(peer_.requests.size(), 1u);
  EXPECT_EQ(peer_.requests[0][4], 2);
  EXPECT_EQ(peer_.requests[0][5], 0x03);
  EXPECT_GE(now_ms(), 1500u);
}

TEST(ProgrammerLinkTexts, FormatDuration) {
  const std::pair<std::uint32_t, const char*> cases[] = {
      {0, "00h00m"},         {59 * 60, "00h59m"},  {86400 + 3600 + 60, "01d01h"}, {7 * 86400, "07d00h"},
      {8 * 86400, "01w01d"}, {14 * 86400, "02w00d"}, {86399, "23h59m"},         {0xFFFFFFFF, "7101w03d"},
  };
  for (const auto& [seconds, text] : cases) EXPECT_EQ(format_duration(seconds), text) << seconds;
}

TEST(ProgrammerLinkTexts, StreamPiecesAndMacAddress) {
  EXPECT_EQ(word_to_be_text(0x1234), ShortText(std::string("\x12\x34")));
  EXPECT_EQ(long_to_be_text(0x01020304), ShortText(std::string("\x01\x02\x03\x04")));
  EXPECT_EQ(sap_command_byte(0).size(), 1u);
  EXPECT_EQ(format_mac_address(ShortText(std::string("\xAB\x01", 2))), "AB:01:--:--:--:--");
  EXPECT_EQ(sap_error_text(12), "The device is locked by another user.");
  EXPECT_EQ(sap_error_text(9), "");
}

}  // namespace
}  // namespace vx
