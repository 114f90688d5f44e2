#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sim/hcs08/device_config.h"
#include "sim/hcs08/state_file.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "tests/utilities/desktop_refusal.h"
#include "tests/utilities/rescue_command_file.h"
#include "tests/utilities/rescue_install.h"

// fwrescue from a program directory of its own, as the build lays it out,
// with someone at its window on Qt's offscreen display, restoring a board
// on the simulated bench through the programmer copy beside it.
namespace vx::test {
namespace {

namespace fs = std::filesystem;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The data bytes of an S1 file, by address.
std::vector<std::pair<std::uint16_t, std::uint8_t>> s1_bytes(const std::string& path) {
  std::vector<std::pair<std::uint16_t, std::uint8_t>> bytes;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("S1", 0) != 0) continue;
    const unsigned count = std::stoul(line.substr(2, 2), nullptr, 16);
    const unsigned address = std::stoul(line.substr(4, 4), nullptr, 16);
    for (unsigned i = 0; i + 3 < count; ++i) {
      bytes.emplace_back(static_cast<std::uint16_t>(address + i),
                         static_cast<std::uint8_t>(std::stoul(line.substr(8 + 2 * i, 2), nullptr, 16)));
    }
  }
  return bytes;
}

TEST(RescueRun, RestoresTheBoardsFirmwareFromAFolderWithBlanks) {
  const RescueInstall install("rescue kit");
  const RescueRun run = install.run("success");
  ASSERT_EQ(run.exit_code, 0) << run.errors;
  const std::string& said = run.errors;
  EXPECT_TRUE(contains(said, "user: FirmwareNameLabel reads \"osbdm firmware.s19\"; \"Update Firmware\" is enabled")) << said;
  EXPECT_TRUE(contains(said, "user: Label6 reads \"Running...\" while the programmer runs; \"Update Firmware\" is disabled")) << said;
  EXPECT_TRUE(contains(said, "user: Label5 reads \"Success.\" on 008000; Label6 reads \"Not Running.\"")) << said;
  EXPECT_TRUE(contains(said, "user: clicked \"Show Logfile ...\"")) << said;
  EXPECT_TRUE(contains(said, "user: closed the window")) << said;
  for (const char* shot : {"idle", "running", "success"}) {
    EXPECT_TRUE(contains(said, std::string("user: saved the window ") + shot)) << said;
  }

  const std::string d = install.program_dir;
  EXPECT_EQ(read_file(d + "OSBDMUPDATECMDLINE.CFG"),
            test::rescue_command_file(d, install.firmware));

  const std::array<std::uint8_t, 0x10000> flash = install.target_flash();
  const auto bytes = s1_bytes(install.firmware);
  ASSERT_FALSE(bytes.empty());
  for (const auto& [address, value] : bytes) ASSERT_EQ(flash[address], value) << std::hex << address;
  const std::string log = read_file(d + "firmwareupdate.log");
  const std::string trim_line = "Programming Trim value $";
  const std::size_t trim_at = log.find(trim_line);
  ASSERT_NE(trim_at, std::string::npos) << log;
  EXPECT_EQ(flash[0xFFAF], std::stoul(log.substr(trim_at + trim_line.size(), 2), nullptr, 16))
      << "the measured trim is programmed";
  for (const char* command : {"CMD>CM", "CMD>PT", "CMD>VC", "CMD>QU"}) EXPECT_TRUE(contains(log, command)) << log;
  EXPECT_EQ(read_file(d + "opened"), d + "firmwareupdate.log\n") << "the viewer got the log's full name";
  const std::string settings = read_file(d + "Settings.Ini");
  EXPECT_TRUE(contains(settings, "FIRMWAREFILENAME=" + install.firmware)) << settings;
}

TEST(RescueRun, FailuresShowTheirNumberOnMaroon) {
  struct Case {
    const char* what;
    const char* shot;
    bool interface, programmer;
    const char* result;
  };
  const Case cases[] = {
      {"no interface on the bench", "failure", false, true, "Error 32 occured."},
      {"no programmer beside fwrescue", "no-programmer", true, false, "Error 2 occured."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const RescueInstall install("rescue");
    install.set_bench(c.interface ? windriver_interface : "");
    if (!c.programmer) fs::remove(install.program_dir + "OSBDMCQUILLJM60.EXE");
    const RescueRun run = install.run(c.shot);
    EXPECT_EQ(run.exit_code, 0) << run.errors;
    EXPECT_TRUE(contains(run.errors, std::string("user: Label5 reads \"") + c.result + "\" on 000080")) << run.errors;
  }
}

TEST(RescueRun, WithoutADesktopItSaysSoAndEnds) {
  const RescueInstall install("rescue");
  fs::copy_file(VX_FWRESCUE_BINARY, install.program_dir + "fwrescue", fs::copy_options::overwrite_existing);
  expect_refused_without_desktop(install.program_dir + "fwrescue", "fwrescue", {});
  EXPECT_FALSE(fs::exists(install.program_dir + "Settings.Ini"));
}

}  // namespace
}  // namespace vx::test
