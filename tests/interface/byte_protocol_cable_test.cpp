#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "foundation/kstring.h"
#include "foundation/system_helpers.h"
#include "platform/portio_ppdev.h"
#include "support/simulated_cable.h"
#include "support/temp_dir.h"
#include "support/unprivileged_child.h"
#include "tests/interface/protocol_test_support.h"

namespace vx {
namespace {

using protocol_testing::Bytes;

// A cable on a second port whose interface carries a target; reset through RESET_CABLE.
class ByteProtocolCableTest : public testing::Test {
 protected:
  static constexpr std::uint16_t base = 0x278;

  void SetUp() override {
    protocol_testing::reset_protocol_units();
    pod_.keep_wire_log(true);
    port_state().port_kind = PortState::kind_parallel;
    set_port_addresses(base);
    link_state().interface_class = InterfaceClass::parallel_cable;
  }
  void TearDown() override { protocol_testing::reset_protocol_units(); }
  std::vector<Bytes> commands(std::size_t first = 0) const {
    std::vector<Bytes> sent;
    for (std::size_t i = first; i < pod_.wire_log().size(); ++i) sent.push_back(pod_.wire_log()[i].command);
    return sent;
  }

  test::SimulatedCable cable_;
  test::ScopedStatusOutput status_;
  protocol_testing::BackgroundTarget target_;
  sim::Pod pod_{{.updated_firmware = "", .original_firmware = "4.02"}, &target_.mcu, &cable_.clock};
  sim::SimParallelCable& port_ = cable_.ports.add(base, &pod_);
};

TEST_F(ByteProtocolCableTest, ResetIdentifiesTheCableAndATargetReadCrossesTheHandshake) {
  const std::uint64_t before = cable_.clock.now_nanoseconds();
  RESET_CABLE();
  EXPECT_GE(cable_.clock.now_nanoseconds() - before, 221'000'000u) << "1 + 20 + 200 ms around the reset";
  // No firmware at 0x8058: the original block at 0xC058 is read; firmware 4 is checked for its checksum.
  EXPECT_EQ(commands(), (std::vector<Bytes>{{4, 0x80, 0x58, 4}, {4, 0xC0, 0x58, 4}, {4, 0xFF, 0xFE, 2}, {7, 3, 8},
                                            {7, 0, 0, 0}}));
  EXPECT_EQ(interface_state().version_text, "402");
  EXPECT_TRUE(interface_state().block_mode);
  EXPECT_TRUE(cable_handshake().slow_mode) << "firmware 4.00 to 4.03 keeps the slow handshake";
  EXPECT_EQ(status_.lines(), std::vector<std::string>{"BDM QUORVEX detected - Flash Version 4.02"});
  ShortText exe;
  GET_EXE_PATH(exe);
  EXPECT_EQ(fwupdate::firmware_request().update_search_pattern, *add_backslash(path_part(exe)) + "quorvexens.???");
  EXPECT_EQ(firmware_update_link().update_requests, std::vector<ShortText>{"4.02"});

  const std::size_t first = pod_.wire_log().size();
  SEND8(bdc::READ_BYTE);
  SEND8(0x00);
  SEND_CMD_SHORT(static_cast<std::uint8_t>(protocol_testing::target_address));
  RECV16();
  EXPECT_TRUE(HS_GOOD());
  EXPECT_EQ(link_state().reply_word, std::uint32_t{protocol_testing::target_byte} << 8);
  EXPECT_EQ(commands(first), (std::vector<Bytes>{{0xE0, 0x00, 0x80}}));
  EXPECT_TRUE(pod_.violations().empty());
}

TEST_F(ByteProtocolCableTest, ASilentCableIsReportedAndLaterCommandsHalt) {
  port_.set_silent(true);
  RESET_CABLE();
  EXPECT_EQ(link_state().link_status, 0);
  EXPECT_EQ(status_.lines(),
            std::vector<std::string>{"Could not contact VLX Hardware Interface. Check Power and Connections."});
  protocol_testing::expect_halt([] { HS_GOOD(); });
}

// The cable's port is listed, but its device node is not the user's to open.
TEST_F(ByteProtocolCableTest, APortTheUserMayNotOpenIsNamedBeforeTheCableIsMissed) {
  test::TempDir dir;
  ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
  std::filesystem::create_directories(dir.path() / "proc" / "parport1");
  std::ofstream(dir.path() / "proc" / "parport1" / "base-addr") << "632\t1656\n";
  std::filesystem::create_directories(dir.path() / "dev");
  const std::filesystem::path node = dir.path() / "dev" / "parport1";
  std::ofstream{node};
  ASSERT_EQ(chmod(node.c_str(), 0600), 0);
  platform::PpdevPortSet ports(dir.path() / "proc", dir.path() / "dev");
  platform::install_parallel_ports(&ports);
  const std::string said = test::in_unprivileged_child([this] {
    RESET_CABLE();
    std::string lines;
    for (const std::string& line : status_.lines()) lines += line + "\n";
    return lines;
  });
  platform::install_parallel_ports(&cable_.ports);
  EXPECT_EQ(said, "No permission to open " + node.string() +
                      ": give the device a udev rule that lets your user open it (see README)\n"
                      "Could not contact VLX Hardware Interface. Check Power and Connections.\n");
}

}  // namespace
}  // namespace vx
