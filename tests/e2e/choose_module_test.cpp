#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "programmer_run.h"
#include "sim/hcs08/device_config.h"
#include "sim/hcs08/state_file.h"

namespace vx {
namespace {

using test::ProgrammerInstall;
using test::run_programmer;

std::string algorithm_text(const std::string& name) {
  std::ifstream file(std::string(VX_ALGORITHMS) + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::size_t count_of(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// A run of one command file with the algorithm files beside it; "@" in the script stands
// for the folder they are in.
test::ProgrammerResult run_script(const ProgrammerInstall& install, std::string script) {
  for (std::size_t at = script.find('@'); at != std::string::npos; at = script.find('@', at)) {
    script.replace(at, 1, install.file(""));
  }
  for (const auto& entry : std::filesystem::directory_iterator(VX_ALGORITHMS)) {
    const std::string extension = entry.path().extension().string();
    if (extension == ".S8P" || extension == ".S8p") {
      std::filesystem::copy_file(entry.path(), install.file(entry.path().filename().string()),
                                 std::filesystem::copy_options::overwrite_existing);
    }
  }
  return run_programmer(install, {"NOSCAN", install.write("run.cfg", script)});
}

TEST(ChooseModule, ChoosingTheSimulatedModuleInitialisesAndEnablesIt) {
  ProgrammerInstall install;
  const test::ProgrammerResult result = run_script(install, "CM @SIM60_BYTE.S8P 8000\nQU\n");
  EXPECT_EQ(result.exit_code, 0) << result.output;
  EXPECT_NE(result.output.find("Initialized."), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("Simulated 60 KB HCS08 part - byte routines\n"), std::string::npos) << "the title";
  EXPECT_NE(result.output.find("Loading programming algorithm ... Done.(FCDIV=$"), std::string::npos) << result.output;
  EXPECT_EQ(result.output.find("WARNING"), std::string::npos) << "our files carry their CRC";
}

TEST(ChooseModule, FailuresEndWithTheirResultAndMessage) {
  struct Case {
    std::string script;
    int result;
    std::string message;
  };
  const Case cases[] = {
      {"CM @SIM60_BYTE.S8P\n", 39, "Error - Choose Module command is missing the required Base Address parameter."},
      {"CM @MISSING.S8P 8000\n", 41, ".S8P file does not exist."},
      {"CM @SIM60_NEWER_VERSION.S8P 8000\n", 14,
       "Error loading algorithm. This algorithm requires \n      version 1.80 of the flash programmer.\n"
       "      You are currently running version 1.71.00.00.\n"},
      {"CM @SIM60_ENABLE_FAILS.S8P 8000\n", 15, "Error enabling module just selected."},
      {"pm\nCM @SIM60_BYTE.S8P 8000\n", 33, "CMD>pmCommand is inactive for this .S8P file."},
      {"CM @SIM60_BYTE.S8P 8000\nGO\nPM\n", 33, "CMD>PMCommand is inactive for this .S8P file."},
  };
  for (const Case& c : cases) {
    ProgrammerInstall install;
    const test::ProgrammerResult result = run_script(install, c.script);
    EXPECT_EQ(result.exit_code, c.result) << c.script << result.output;
    EXPECT_NE(result.output.find(c.message), std::string::npos) << c.script << result.output;
    EXPECT_NE(result.output.find("ERROR " + std::to_string(c.result) + " during script!"), std::string::npos);
  }
}

TEST(ChooseModule, ResetAndGoLeaveOnlyTheStartCommands) {
  ProgrammerInstall install;
  const test::ProgrammerResult reset = run_script(install, "CM @SIM60_BYTE.S8P 8000\nRE\nPM\n");
  EXPECT_EQ(reset.exit_code, 33) << reset.output;
  EXPECT_NE(reset.output.find("Target has been RESET and is active.\nCMD>PMCommand is inactive"), std::string::npos)
      << reset.output;

  const test::ProgrammerResult go = run_script(install, "CM @SIM60_BYTE.S8P 8000\nGO\nQU\n");
  EXPECT_EQ(go.exit_code, 0) << go.output;
  EXPECT_NE(go.output.find("CMD>GO Frequency ~ "), std::string::npos) << go.output;
}

TEST(ChooseModule, ModuleWithoutBaseAddressNeedsNoParameter) {
  ProgrammerInstall install;
  const test::ProgrammerResult result = run_script(install, "CM @9S08JM60.S8p\n");
  EXPECT_EQ(result.exit_code, 0) << result.output;
}

TEST(ChooseModule, AnInvalidKeywordLineIsReportedOnceAndEndsWith36) {
  ProgrammerInstall install;
  std::string text = algorithm_text("SIM60_BYTE.S8P");
  // Right "/" columns, a field that is no hexadecimal number; and a second bad line.
  text.insert(text.find("ADDR_RANGE="), "PRESERVE_RANGE=0000X000/00000FFF/\r\nADDR_RANGE=0000000G/00000FFF/\r\n");
  install.write("BAD.S8P", text);
  const test::ProgrammerResult result = run_script(install, "CM @BAD.S8P 8000\n");
  EXPECT_EQ(result.exit_code, 36) << result.output;
  EXPECT_EQ(count_of(result.output, "Invalid algorithm line : "), 1u) << result.output;
  EXPECT_NE(result.output.find("Invalid algorithm line : PRESERVE_RANGE=0000X000/00000FFF/\n"), std::string::npos);
  EXPECT_NE(result.output.find("Invalid .S8P file : " + install.file("BAD.S8P")), std::string::npos) << result.output;
}

TEST(ChooseModule, AModifiedFileIsWarnedAboutAndStillChosen) {
  ProgrammerInstall install;
  std::string text = algorithm_text("SIM60_BYTE.S8P");
  text[text.find("byte routines")] = 'B';
  install.write("CHANGED.S8P", text);
  const test::ProgrammerResult result = run_script(install, "CM @CHANGED.S8P 8000\n");
  EXPECT_EQ(result.exit_code, 0) << result.output;
  EXPECT_NE(result.output.find("WARNING - Selected .S8P file has been modified. CRC16 = $"), std::string::npos)
      << result.output;
  EXPECT_NE(result.output.find("Done.(FCDIV=$"), std::string::npos);
}

TEST(ChooseModule, ASecuredDeviceIsErasedAndUnsecured) {
  ProgrammerInstall install;
  std::string image(0x100, '\x5A');
  install.write("image.bin", image);
  install.write("bench.ini",
                "[time]\nmode = virtual\n[target]\ndevice = default\nstate_file = secured.state\nsecured = yes\n"
                "image = image.bin\nimage_address = 0xC000\n"
                "[interface 1]\nfamily = ftdi\nserial = VX3000101\ndescription = VLX USB BDM\n"
                "updated_firmware = 5.12\noriginal_firmware = 5.12\n");
  const test::ProgrammerResult result = run_script(install, "CM @SIM60_BYTE.S8P 8000\nQU\n");
  EXPECT_EQ(result.exit_code, 0) << result.output;
  EXPECT_NE(result.output.find("Device is secured. Erasing ... Done."), std::string::npos) << result.output;

  const sim::DeviceConfig device = sim::default_device();
  std::array<std::uint8_t, 0x10000> memory{};
  ASSERT_EQ(sim::load_flash_state(install.file("secured.state"), device, memory), sim::StateFileResult::Ok);
  EXPECT_EQ(memory[device.nvopt], 0xFE) << "unsecured";
  for (std::uint32_t address = 0xC000; address < 0xC100; ++address) {
    ASSERT_EQ(memory[address], 0xFF) << std::hex << address;
  }

  const test::ProgrammerResult again = run_script(install, "CM @SIM60_BYTE.S8P 8000\nQU\n");
  EXPECT_EQ(again.exit_code, 0);
  EXPECT_EQ(again.output.find("Device is secured."), std::string::npos) << "an unsecured device is not erased";
}

}  // namespace
}  // namespace vx
