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

// The example's bench with the given extra lines for its cable, and its firmware packed as
// quorvexens.410 beside the program.
void prepare_bench(const ProgrammerInstall& install, const std::string& cable_lines) {
  const std::string example = VX_FIRMWARE_UPDATE_EXAMPLE;
  install.write("bench.ini", test::read_file(example + "/bench.ini") + cable_lines);
  const std::vector<std::uint8_t> file = loaders::scramble_firmware_text(test::read_file(example + "/firmware.s19"));
  install.write("quorvexens.410", std::string(file.begin(), file.end()));
}

test::ProgrammerResult run_script(const ProgrammerInstall& install, const std::vector<std::string>& port = {"PORT=1"}) {
  std::vector<std::string> arguments{"NOSCAN", install.write("update.cfg", "a remark\n")};
  arguments.insert(arguments.end(), port.begin(), port.end());
  return run_programmer(install, arguments);
}

// S2 records of 32 bytes holding `bytes` from `address` on.
std::string s2_records(std::uint32_t address, const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  for (std::size_t at = 0; at < bytes.size(); at += 32) {
    const std::string row = bytes.substr(at, 32);
    const std::uint32_t start = address + static_cast<std::uint32_t>(at);
    std::string record = {static_cast<char>(row.size() + 4), static_cast<char>(start >> 16),
                          static_cast<char>(start >> 8), static_cast<char>(start)};
    record += row;
    unsigned sum = 0;
    text += "S2";
    for (char c : record) {
      const auto byte = static_cast<unsigned char>(c);
      sum += byte;
      text += {digits[byte >> 4], digits[byte & 0xF]};
    }
    const auto check = static_cast<unsigned char>(~sum);
    text += {digits[check >> 4], digits[check & 0xF], '\r', '\n'};
  }
  return text + "S9030000FC\r\n";
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

TEST(FirmwareUpdateRun, AnOutdatedUsbInterfaceIsUpdated) {
  ProgrammerInstall install;
  install.write("bench.ini",
                "[time]\nmode = virtual\n[target]\ndevice = default\nstate_file = bench.state\nsecured = no\n"
                "[interface 1]\nfamily = ftdi\nserial = VX3000101\ndescription = VLX USB BDM\n"
                "updated_firmware = 5.02\noriginal_firmware = 5.00\n");
  std::string code(0x100, '\0');
  for (std::size_t i = 0; i < code.size(); ++i) code[i] = static_cast<char>(i * 7 + 3);
  code.replace(0x58, 4, "5.12");
  const std::vector<std::uint8_t> file = loaders::scramble_firmware_text(s2_records(0xF8000, code));
  install.write("usbbdmens.512", std::string(file.begin(), file.end()));
  const std::vector<std::string> port{"PORT=USB1", "INTERFACE=USBQUORVEX"};
  const test::ProgrammerResult first = run_script(install, port);
  EXPECT_EQ(first.exit_code, 0) << first.errors;
  EXPECT_NE(first.errors.find("All steps completed successfully.\nFirmware update successful.\n"), std::string::npos)
      << first.errors;
  const test::ProgrammerResult second = run_script(install, port);
  EXPECT_EQ(second.exit_code, 0) << second.errors;
  EXPECT_EQ(second.errors.find("Booting Quorvex"), std::string::npos);
  EXPECT_NE(second.output.find("Flash Version 5.12"), std::string::npos) << second.output;
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
