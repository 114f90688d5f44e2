#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "loaders/firmware_scrambling.h"
#include "programmer_run.h"

namespace vx {
namespace {

using test::ProgrammerInstall;
using test::run_programmer;

std::string text_of(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The example's bench with the given extra lines for its cable, and its firmware packed as
// quorvexens.410 beside the program.
void prepare_bench(const ProgrammerInstall& install, const std::string& cable_lines) {
  const std::string example = VX_FIRMWARE_UPDATE_EXAMPLE;
  install.write("bench.ini", text_of(example + "/bench.ini") + cable_lines);
  const std::vector<std::uint8_t> file = loaders::scramble_firmware_text(text_of(example + "/firmware.s19"));
  install.write("quorvexens.410", std::string(file.begin(), file.end()));
}

test::ProgrammerResult run_script(const ProgrammerInstall& install) {
  return run_programmer(install, {"NOSCAN", "PORT=1", install.write("update.cfg", "a remark\n")});
}

TEST(FirmwareUpdateRun, AnOutdatedCableIsUpdatedOnceBeforeTheScript) {
  ProgrammerInstall install;
  prepare_bench(install, "");
  const test::ProgrammerResult first = run_script(install);
  EXPECT_EQ(first.exit_code, 0) << first.errors;
  const std::size_t booting = first.errors.find("Booting Quorvex to original firmware (please wait) ... \n");
  const std::size_t completed = first.errors.find("All steps completed successfully.\nFirmware update successful.\n");
  EXPECT_NE(booting, std::string::npos) << first.errors;
  EXPECT_NE(completed, std::string::npos) << first.errors;
  EXPECT_LT(booting, completed);
  EXPECT_NE(first.errors.find("Quorvex Cable Rom Versions - 4.10(Updated)/4.02(Original)"), std::string::npos);

  const test::ProgrammerResult second = run_script(install);
  EXPECT_EQ(second.exit_code, 0) << second.errors;
  EXPECT_EQ(second.errors.find("Booting Quorvex"), std::string::npos) << "the cable runs 4.10 now";
  EXPECT_NE(second.output.find("Flash Version 4.10"), std::string::npos) << second.output;
}

TEST(FirmwareUpdateRun, AFailedUpdateIsOfferedOneRetryAndTheScriptRunsOnTheOriginalFirmware) {
  struct Case {
    const char* knob;
    const char* last_line;
  };
  const Case cases[] = {{"refuse_key = 1\n", "Failure."},
                        {"updated_starts = no\n", "Failure."},
                        {"refuse_row = 3\n", "Programming MCU flash bytes at Address $8080 : ERROR!!!"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.knob);
    ProgrammerInstall install;
    prepare_bench(install, c.knob);
    const test::ProgrammerResult result = run_script(install);
    EXPECT_EQ(result.exit_code, 0) << result.errors;
    const std::string ending = std::string(c.last_line) + "\nFirmware update failed.\n[dialog] " + c.last_line +
                               " Firmware update failed. Retry?\n[dialog answer] No\n";
    EXPECT_NE(result.errors.find(ending), std::string::npos) << result.errors;
    EXPECT_EQ(result.errors.find("Retry?"), result.errors.rfind("Retry?")) << "no more offers after No";
  }
}

}  // namespace
}  // namespace vx
