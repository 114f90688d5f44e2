#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "support/child_process.h"
#include "support/temp_dir.h"
#include "tests/utilities/rescue_install.h"
#include "tests/utilities/scout_bench.h"

// fwscout from a program directory of its own, headless under VX_SIM, as a
// user would run it against the simulated bench.
namespace vx::test {
namespace {

namespace fs = std::filesystem;

struct ScoutRun {
  int exit_code = -1;
  std::string output, errors;
};

class ScoutInstall {
 public:
  ScoutInstall() : program_dir(dir.file("scout kit") + "/") {
    fs::create_directories(program_dir);
    fs::copy_file(VX_FWSCOUT_BINARY, program_dir + "fwscout");
  }

  ScoutRun run(const std::string& devices) const {
    std::ofstream(program_dir + "bench.ini") << "[time]\nmode = virtual\n" << devices;
    ChildProcess child(program_dir + "fwscout", {}, {"VX_HEADLESS=1", "VX_SIM=" + program_dir + "bench.ini"});
    ScoutRun result;
    result.exit_code = child.wait_for_exit();
    result.output = child.output();
    result.errors = child.errors();
    return result;
  }

  TempDir dir;
  std::string program_dir;
};

std::string joined(const auto& lines) {
  std::string text;
  for (const std::string_view line : lines) text += std::string(line) + "\n";
  return text;
}

TEST(ScoutRun, HeadlessItWritesTheListToStdoutAndEnds) {
  const ScoutInstall install;
  const ScoutRun run = install.run(universal_and_three_boards);
  EXPECT_EQ(run.exit_code, 0) << run.errors;
  EXPECT_EQ(run.output, joined(universal_and_three_boards_lines)) << run.errors;
}

TEST(ScoutRun, WithoutDevicesItSaysSo) {
  const ScoutInstall install;
  const ScoutRun run = install.run("");
  EXPECT_EQ(run.exit_code, 0) << run.errors;
  EXPECT_EQ(run.output, "\nNo Devices Found\n") << run.errors;
}

TEST(ScoutRun, AfterARescueTheBoardListsTheRestoredFirmwaresVersion) {
  const RescueInstall rescue("rescue kit");
  fs::copy_file(fs::path(VX_TEST_FIXTURES) / "utilities" / "osbdm_firmware.s19", rescue.firmware,
                fs::copy_options::overwrite_existing);
  const RescueRun restored = rescue.run("scouted");
  ASSERT_EQ(restored.exit_code, 0) << restored.errors;
  ASSERT_NE(restored.errors.find("user: Label5 reads \"Success.\""), std::string::npos) << restored.errors;

  // The board the rescue wrote is the one fwscout finds in debug mode.
  const ScoutInstall scout;
  fs::copy_file(rescue.program_dir + "bench.state", scout.program_dir + "board.state");
  const ScoutRun run = scout.run("[osbdm 1]\nstate_file = board.state\n");
  EXPECT_EQ(run.exit_code, 0) << run.errors;
  EXPECT_EQ(run.output, joined(std::initializer_list<std::string>{
                            "",
                            "Device 0 : Embedded S08 OSBDM/OSJTAG Device (Firmware Version 40.7)",
                            "     Firmware Build :     40",
                            "     Firmware Revision :  7",
                            "     Firmware Target :    S08",
                            "     Firmware Type :      Embedded",
                            "     Hardware Board ID :  5",
                            "",
                        }))
      << run.errors;
}

}  // namespace
}  // namespace vx::test
