#include <gtest/gtest.h>

#include "tests/interface/protocol_test_support.h"

namespace vx {
namespace {

using protocol_testing::Bytes;
using protocol_testing::FtdiBench;
using protocol_testing::running;

class FirmwareUpdateLinkTest : public testing::Test {
 protected:
  test::ScopedStatusOutput status_;
};

TEST_F(FirmwareUpdateLinkTest, VersionReadsSendTheirByteSequences) {
  struct Case {
    const char* name;
    sim::PodConfig config;
    std::uint8_t major, minor;
    std::vector<Bytes> commands;
  };
  const Case cases[] = {
      {"with checksum", running("5.12"), 5, 12, {{4, 0x40, 0x58, 4}, {4, 0x7F, 0xFE, 2}}},
      {"without checksum", {.updated_checksum = false}, 255, 255, {{4, 0x40, 0x58, 4}, {4, 0x7F, 0xFE, 2}}},
      {"firmware 3: no checksum word read", running("3.25"), 3, 25, {{4, 0x40, 0x58, 4}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FtdiBench bench(c.config);
    const std::size_t first = bench.pod.wire_log().size();
    get_rom_firmware_version(0x4058);
    EXPECT_EQ(firmware_update_link().rom_major, c.major);
    EXPECT_EQ(firmware_update_link().rom_minor, c.minor);
    EXPECT_EQ(bench.commands_since(first), c.commands);
  }
  FtdiBench bench(running("5.12"));
  const std::size_t first = bench.pod.wire_log().size();
  EXPECT_EQ(get_running_firmware_version(), 512);
  EXPECT_EQ(read_interface_word(0x4058), ('5' << 8) | '.');
  EXPECT_EQ(bench.commands_since(first), (std::vector<Bytes>{{7, 14}, {4, 0x40, 0x58, 2}}));
}

TEST_F(FirmwareUpdateLinkTest, ARegisteredEngineTakesOverTheCalls) {
  protocol_testing::reset_protocol_units();
  static std::vector<std::string> calls;
  calls.clear();
  register_firmware_update_services({
      [](const ShortText& version) { calls.push_back("ask " + version.str()); },
      [](std::uint16_t address) { calls.push_back("rom " + std::to_string(address)); },
      [] { return std::uint16_t{777}; },
      [](std::uint16_t) { return std::uint16_t{0x1234}; },
  });
  ask_update_firmware("5.12");
  get_rom_firmware_version(0xC058);
  EXPECT_EQ(get_running_firmware_version(), 777);
  EXPECT_EQ(read_interface_word(0), 0x1234);
  EXPECT_EQ(calls, (std::vector<std::string>{"ask 5.12", "rom 49240"}));
  EXPECT_TRUE(firmware_update_link().update_requests.empty());
  reset_firmware_update_link();
  ask_update_firmware("5.12");
  EXPECT_EQ(firmware_update_link().update_requests, std::vector<ShortText>{"5.12"});
  reset_firmware_update_link();
}

}  // namespace
}  // namespace vx
