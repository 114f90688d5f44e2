#include <gtest/gtest.h>

#include "tests/interface/protocol_test_support.h"

namespace vx {
namespace {

using protocol_testing::Bytes;

constexpr std::uint16_t loader_words[] = {0x180B, 0x4003, 0x0018, 0x0B20, 0x0301, 0xCD00, 0x6604,
                                          0x35FD, 0x0436, 0xFA18, 0x0301, 0x0000, 0x3C20, 0xFE00};

class FirmwareRebootTest : public protocol_testing::UsbProtocolTest {
 protected:
  std::vector<Bytes> sent(const sim::Pod& pod, std::size_t first = 0) {
    std::vector<Bytes> commands;
    for (std::size_t i = first; i < pod.wire_log().size(); ++i) commands.push_back(pod.wire_log()[i].command);
    return commands;
  }
};

TEST_F(FirmwareRebootTest, TheWinDriverRebootWritesItsLoaderAndRunsIt) {
  sim::Pod& pod = open(windriver_port);
  Check_cable_version(0x4058);
  const std::uint64_t before = now_ms();
  EXPECT_TRUE(boot_original_firmware_v5());
  const std::vector<Bytes> commands = sent(pod);
  std::vector<Bytes> expected{{4, 0x40, 0x58, 4}, {4, 0x7F, 0xFE, 2},
                              {4, 0xC0, 0x58, 4}, {4, 0xFF, 0xFE, 2},
                              {7, 14},            {4, 0x1C, 0xB2, 2},
                              {7, 10, 0x00, 0x00, 0x02, 0x0F, 0xBF, 0xFE, 0x00, 0x00},
                              {4, 0x7F, 0xFE, 2}};
  for (std::size_t i = 0; i < std::size(loader_words); ++i) {
    expected.push_back({2, 0x1B, static_cast<std::uint8_t>(0x30 + 2 * i), static_cast<std::uint8_t>(loader_words[i] >> 8),
                        static_cast<std::uint8_t>(loader_words[i])});
  }
  expected.push_back({3, 0x1B, 0x30});
  ASSERT_GT(commands.size(), expected.size());
  EXPECT_EQ(std::vector<Bytes>(commands.begin(), commands.begin() + static_cast<long>(expected.size())), expected);
  for (std::size_t i = 0; i < std::size(loader_words); ++i) {
    EXPECT_EQ(pod.memory().word(static_cast<std::uint16_t>(0x1B30 + 2 * i)), loader_words[i]);
  }
  EXPECT_EQ(pod.memory().word(0x1B4C), 0xFFFF) << "nothing past the fourteenth word";
  // The interface restarted into its original firmware and was reset afresh.
  EXPECT_EQ(pod.running_version(), (sim::FirmwareVersion{5, 2}));
  EXPECT_EQ(commands[expected.size()], (Bytes{4, 0x40, 0x58, 4}));
  EXPECT_NE(link_state().link_status, 0);
  EXPECT_TRUE(usb_routing().usb_expect_reply);
  EXPECT_EQ(wdusb_state().attach_delay_1, 0u);
  EXPECT_GE(now_ms() - before, 8000u) << "four cycles of four half-second sleeps";
}

TEST_F(FirmwareRebootTest, TheLoaderIsOnlyForOlderFirmwareFiveOnWinDriver) {
  struct Case {
    const char* name;
    std::int32_t port;
    const char* original;
    std::uint16_t flag_word;
    std::size_t commands;
  };
  const Case cases[] = {
      {"FTDI family", ftdi_port, "5.02", 0xFFFF, 0},
      {"original 5.33", windriver_port, "5.33", 0xFFFF, 2},
      {"original 5.30 with the flag byte 0", windriver_port, "5.30", 0xFF00, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::Pod& pod = open(c.port);
    pod.memory().install_firmware(sim::PodMemory::original_block, c.original, true);
    pod.memory().write_word(0x1CB2, c.flag_word);
    const std::size_t first = pod.wire_log().size();
    EXPECT_FALSE(boot_original_firmware_v5());
    EXPECT_EQ(sent(pod, first).size(), c.commands);
  }
}

TEST_F(FirmwareRebootTest, OtherwiseTheOriginalFirmwareIsBootedByCommand) {
  struct Case {
    const char* firmware;
    Bytes command;
  };
  const Case cases[] = {{"5.12", {7, 15}}, {"6.01", {7, 128 + 15}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.firmware);
    sim::Pod& pod = open(ftdi_port);
    // What the reset sets for the firmware.
    byte_protocol().command_offset = c.firmware[0] > '5' ? 128 : 0;
    const std::size_t first = pod.wire_log().size();
    const std::uint64_t before = now_ms();
    boot_original_firmware();
    EXPECT_EQ(sent(pod, first), std::vector<Bytes>{c.command});
    EXPECT_GE(now_ms() - before, 50u);
    EXPECT_LT(now_ms() - before, 100u);
  }
}

TEST_F(FirmwareRebootTest, AWinDriverInterfaceComesBackAfterEachStartAndAnswersFromTheFirmwareStarted) {
  sim::Pod& pod = open(windriver_port);
  pod.memory().install_firmware(sim::PodMemory::original_block, "5.35", true);
  EXPECT_EQ(get_running_firmware_version(), 512);
  const auto arrivals = wdusb_state().callbacks_started;
  boot_original_firmware();
  EXPECT_EQ(get_running_firmware_version(), 535);
  SEND8(7);
  SEND_CMD_LONG(16);
  EXPECT_EQ(get_running_firmware_version(), 512);
  EXPECT_NE(link_state().link_status, 0);
  EXPECT_FALSE(wdusb_state().detached);
  EXPECT_EQ(wdusb_state().callbacks_started, arrivals + 2) << "one return to the bus per start";
  EXPECT_TRUE(pod.violations().empty());
}

}  // namespace
}  // namespace vx
