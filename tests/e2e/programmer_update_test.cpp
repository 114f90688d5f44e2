#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "fwupdate/programmer_images.h"
#include "idle_target.h"
#include "loaders/firmware_scrambling.h"
#include "programmer_run.h"

namespace vx {
namespace {

using test::Bytes;
using test::ImagePiece;
using test::ProgrammerInstall;

constexpr const char* pro_info =
    "VLX,0,Tamberly Pro,Bench,3,4,Main,Net,Rev. C,00:1B:C5:0A:10:2F,90061,3540,Fw,Bench,AB";
constexpr const char* max_info =
    "VLX,1,Tamberly Max,Bench,3,4,Main,Net,Rev. C,00:1B:C5:0A:10:2F,90061,3540,Fw,Bench,AB";
constexpr std::size_t plain_size = 0x1000, kernel_size = 0x900, upgrade_size = 0x1200, section2_size = 0x600;

// A programmer on the given medium, with its flash kept beside the state file.
struct Bench {
  const char* medium;
  const char* port;
};
constexpr Bench udp{"udp", "127.0.0.1"}, serial{"serial", "COM1"}, usb{"usb", "USB1"};

class ProgrammerUpdateRun : public testing::Test {
 protected:
  void prepare(const Bench& bench, const std::string& version, const char* device_info = pro_info) {
    bench_ = bench;
    install_->write("idle.bin", test::idle_target_image());
    install_->write("bench.ini", std::string("[time]\nmode = virtual\n[target]\ndevice = default\n"
                                            "state_file = bench.state\n") +
                                    test::idle_target_lines + "[programmer 1]\nmedium = " +
                                    bench.medium + "\nversion = " + version + "\ndevice_info = " + device_info +
                                    "\nkernel_version = 8.16\n");
  }

  void write_file(const std::string& name, const std::vector<ImagePiece>& pieces) {
    const std::vector<std::uint8_t> file = loaders::scramble_firmware_text(test::s3_records(pieces));
    install_->write(name, std::string(file.begin(), file.end()));
  }

  // A script that reaches the programmer's target: the part is read back through its interface.
  test::ProgrammerResult run() {
    const std::string script = install_->write("update.cfg", "a remark\nRE\n");
    return test::run_programmer(*install_,
                                {"NOSCAN", "interface=tamberly", std::string("port=") + bench_.port, script});
  }

  // The programmer's flash from 0xF0000000, as the simulated world keeps it.
  Bytes flash(std::uint32_t address, std::size_t count) const {
    std::ifstream file(install_->file("bench.state.programmer1"), std::ios::binary);
    const Bytes all{std::istreambuf_iterator<char>(file), {}};
    const std::size_t at = address - sim::programmer_flash_base;
    if (all.size() < at + count) return {};
    return Bytes(all.begin() + static_cast<long>(at), all.begin() + static_cast<long>(at + count));
  }

  // A first run that updates before the script, a second that finds the new version and updates nothing.
  void expect_updated_once(const std::string& new_version) {
    const test::ProgrammerResult first = run();
    EXPECT_EQ(first.exit_code, 0) << first.output << first.errors;
    EXPECT_NE(first.errors.find("All steps completed successfully.\nFirmware update successful.\n"), std::string::npos)
        << first.errors;
    EXPECT_NE(first.output.find("CMD>RE\nInitializing.  Target has been RESET and is active."), std::string::npos)
        << first.output;
    const test::ProgrammerResult second = run();
    EXPECT_EQ(second.exit_code, 0) << second.output;
    EXPECT_EQ(second.errors.find("Loading new Firmware data"), std::string::npos) << second.errors;
    EXPECT_NE(second.output.find("Flash Version " + new_version), std::string::npos) << second.output;
  }

  std::unique_ptr<ProgrammerInstall> install_ = std::make_unique<ProgrammerInstall>();
  Bench bench_ = udp;
};

const ImagePiece plain_image = test::image_at_0x400("8.12", "", plain_size);

TEST_F(ProgrammerUpdateRun, APlainImageUpdatesTheProgrammerOnEveryMedium) {
  for (const Bench& bench : {udp, serial, usb}) {
    SCOPED_TRACE(bench.medium);
    install_ = std::make_unique<ProgrammerInstall>();
    prepare(bench, "8.10");
    write_file("tamberlyproens.812", {plain_image});
    expect_updated_once("8.12");
    EXPECT_EQ(flash(0xF0090400, plain_size), plain_image.bytes);
    EXPECT_EQ(flash(0xF010FFF8, 8), test::big_endian({plain_size, test::crc_of(plain_image.bytes)}));
  }
}

struct StagedCase {
  const char* running;
  const char* upgrade;
  bool two_sections;
  bool kernels;
};

TEST_F(ProgrammerUpdateRun, TheStagedUpdateLeavesKernelsSectionsAndTableAsComputed) {
  const ImagePiece secondary = test::image_at_0x400("8.16", "INTERMEDIATE", kernel_size);
  const ImagePiece primary = test::image_at_0x400("8.16", "PRIMARY", kernel_size);
  const ImagePiece section2{0x7FF00, test::filler(section2_size, 0x44)};
  const StagedCase cases[] = {
      {"8.16", "8.20", true, true}, {"8.14", "8.20", false, true}, {"8.20", "8.30", false, false}};
  for (const StagedCase& c : cases) {
    SCOPED_TRACE(c.running);
    install_ = std::make_unique<ProgrammerInstall>();
    prepare(udp, c.running);
    write_file("prokernelen2.002", {secondary});
    write_file("prokernelen2.001", {primary});
    const ImagePiece section1 = test::image_at_0x400(c.upgrade, "", upgrade_size);
    std::vector<ImagePiece> pieces{section1};
    if (c.two_sections) pieces.push_back(section2);
    write_file(std::string("tamberlyproen2.") + c.upgrade[0] + (c.upgrade + 2), pieces);
    const test::ProgrammerResult first = run();
    EXPECT_EQ(first.exit_code, 0) << first.output << first.errors;
    EXPECT_NE(first.errors.find("Successfully upgraded the FPGA design."), std::string::npos) << first.errors;
    EXPECT_EQ(first.errors.find("Erasing SECONDARY firmware block") != std::string::npos, c.kernels);
    EXPECT_NE(first.output.find("CMD>RE\nInitializing.  Target has been RESET and is active."), std::string::npos)
        << first.output;

    const Bytes table = test::section_table(section1.bytes, c.two_sections ? section2.bytes : Bytes{});
    EXPECT_EQ(flash(0xF0090400, upgrade_size), section1.bytes);
    EXPECT_EQ(flash(0xF0110000 - static_cast<std::uint32_t>(table.size()), table.size()), table);
    if (c.two_sections) {
      EXPECT_EQ(flash(0xF0040000, section2_size), section2.bytes);
    }
    if (c.kernels) {
      EXPECT_EQ(flash(0xF0010400, kernel_size), primary.bytes);
      EXPECT_EQ(flash(0xF003FFF8, 8), test::big_endian({kernel_size, test::crc_of(primary.bytes)}));
    }
    const test::ProgrammerResult second = run();
    EXPECT_EQ(second.exit_code, 0);
    EXPECT_EQ(second.errors.find("Loading new Firmware data"), std::string::npos) << second.errors;
    EXPECT_NE(second.output.find(std::string("Flash Version ") + c.upgrade), std::string::npos) << second.output;
  }
}

// The scenario's knobs reach the programmer: each failure is offered one retry, and the script
// runs on what the programmer then starts.
TEST_F(ProgrammerUpdateRun, AFailedUpdateIsOfferedOneRetryAndTheScriptStillRuns) {
  struct Case {
    const char* knob;
    const char* last_line;
  };
  const Case cases[] = {{"refuse_erase = 1\n", "Could not erase upgrade blocks."},
                        {"wrong_byte_write = 2\n", "Failed on verifying the CRC of firmware"},
                        {"logic_update_fails = yes\n",
                         "Failed Updating FPGA design, resetting device.  Please try again."}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.knob);
    install_ = std::make_unique<ProgrammerInstall>();
    prepare(udp, "8.10");
    install_->write("bench.ini", test::read_file(install_->file("bench.ini")) + c.knob);
    write_file("tamberlyproens.812", {plain_image});
    const test::ProgrammerResult result = run();
    EXPECT_EQ(result.exit_code, 0) << result.output << result.errors;
    const std::string ending = std::string(c.last_line) + "\nFirmware update failed.\n[dialog] " + c.last_line +
                               " Firmware update failed. Retry?\n[dialog answer] No\n";
    EXPECT_NE(result.errors.find(ending), std::string::npos) << result.errors;
    EXPECT_NE(result.output.find("CMD>RE\nInitializing.  Target has been RESET and is active."), std::string::npos)
        << result.output;
  }
}

TEST_F(ProgrammerUpdateRun, AMaxTakesOnlyMaxFiles) {
  prepare(udp, "7.51", max_info);
  write_file("tamberlyproens.812", {plain_image});
  write_file("tamberlyproen2.820", {test::image_at_0x400("8.20", "", upgrade_size)});
  const test::ProgrammerResult pro_files = run();
  EXPECT_EQ(pro_files.exit_code, 0) << pro_files.output;
  EXPECT_EQ(pro_files.errors.find("Loading new Firmware data"), std::string::npos) << pro_files.errors;

  install_ = std::make_unique<ProgrammerInstall>();
  prepare(udp, "7.40", max_info);
  const ImagePiece max_image = test::image_at_0x400("7.51", "", plain_size);
  write_file("tamberlyproens.812", {plain_image});
  write_file("tamberlymaxens.751", {max_image});
  expect_updated_once("7.51");
  EXPECT_EQ(flash(0xF0090400, plain_size), max_image.bytes);
}

}  // namespace
}  // namespace vx
