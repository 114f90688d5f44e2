#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "platform/net.h"
#include "programmer_run.h"

namespace vx {
namespace {

// Where a real run looks for a programmer that the command line names by address.
constexpr const char* programmer_address = "127.0.0.2";
constexpr std::uint16_t programmer_port = 8738;

// A run against real hardware sends where the command line says: here to a
// listener on loopback standing in for a programmer that never answers.
TEST(RealNetwork, WithoutSimulationTheIdentityQueryGoesToTheNamedProgrammer) {
  test::ProgrammerInstall install;
  platform::UdpSocket listener;
  listener.bind(programmer_address, programmer_port, programmer_port);
  std::vector<std::string> environment = install.environment();
  std::erase_if(environment, [](const std::string& setting) { return setting.starts_with("VX_SIM="); });

  test::ChildProcess run(install.program(), {"NOSCAN", std::string("PORT=") + programmer_address,
                                             install.write("run.cfg", "RE\n")},
                         environment);
  std::array<std::uint8_t, 64> request{};
  const platform::ReceivedDatagram got = listener.receive(request, 30'000);
  EXPECT_EQ(run.wait_for_exit(), 32);
  ASSERT_GE(got.size, 6u) << "nothing reached " << programmer_address;
  // Channel 1, the identity query.
  EXPECT_EQ(request[4], 0x01);
  EXPECT_EQ(request[5], 0x0B);
  EXPECT_NE(run.output().find("Error - Port is not available."), std::string::npos) << run.output();
}

}  // namespace
}  // namespace vx
