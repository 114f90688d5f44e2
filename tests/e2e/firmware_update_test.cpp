#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "idle_target.h"
#include "loaders/firmware_scrambling.h"
#include "platform/clock.h"
#include "programmer_run.h"
#include "sim/hcs08/device_config.h"
#include "sim/hcs08/state_file.h"
#include "sim/pod/pod_memory.h"
#include "tests/fwupdate/damaged_firmware.h"

namespace vx {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::ProgrammerInstall;
using test::ProgrammerResult;
using test::run_programmer;

constexpr std::size_t block_size = 0x4000;

// S2 records of 32 bytes for every row of the block holding a byte other than 0xFF.
std::string s2_records(std::uint32_t start, const Bytes& block) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  for (std::size_t at = 0; at < block.size(); at += 32) {
    const Bytes row(block.begin() + static_cast<std::ptrdiff_t>(at), block.begin() + static_cast<std::ptrdiff_t>(at + 32));
    if (std::all_of(row.begin(), row.end(), [](std::uint8_t b) { return b == 0xFF; })) continue;
    const std::uint32_t address = start + static_cast<std::uint32_t>(at);
    Bytes record = {static_cast<std::uint8_t>(row.size() + 4), static_cast<std::uint8_t>(address >> 16),
                    static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address)};
    record.insert(record.end(), row.begin(), row.end());
    unsigned sum = 0;
    text += "S2";
    for (const std::uint8_t byte : record) {
      sum += byte;
      text += {digits[byte >> 4], digits[byte & 0xF]};
    }
    const auto check = static_cast<std::uint8_t>(~sum);
    text += {digits[check >> 4], digits[check & 0xF], '\r', '\n'};
  }
  return text + "S9030000FC\r\n";
}

// Two runs of code with a gap between them, the version text at 0x58, the rest erased.
Bytes firmware_block(const std::string& version) {
  Bytes block(block_size, 0xFF);
  for (std::size_t i = 0; i < 0x100; ++i) block[i] = static_cast<std::uint8_t>(i * 7 + 3);
  for (std::size_t i = 0x2000; i < 0x2040; ++i) block[i] = static_cast<std::uint8_t>(i ^ 0x5A);
  for (std::size_t i = 0; i < version.size(); ++i) block[0x58 + i] = static_cast<std::uint8_t>(version[i]);
  return block;
}

// The block as a finished update leaves it: key 0x88, then the CRC-8 read from the key down.
Bytes programmed(Bytes block) {
  block[block_size - 2] = 0x88;
  std::uint8_t crc = 0;
  for (std::size_t i = block_size - 1; i-- > 0;) crc = sim::crc8_update(crc, block[i]);
  block[block_size - 1] = crc;
  return block;
}

// One interface on the simulated bench, a firmware file beside a copy of the programmer, and a
// script that programs and verifies the part through the interface.
class UpdateBench {
 public:
  UpdateBench(const std::string& interface_lines, const std::string& time_mode = "virtual") : time_mode_(time_mode) {
    set_interface(interface_lines);
    for (const auto& entry : fs::directory_iterator(VX_ALGORITHMS)) {
      if (entry.path().extension() == ".S8P") fs::copy_file(entry.path(), install.dir.path() / entry.path().filename());
    }
    fs::copy_file(fs::path(VX_PROGRAMMING_FIXTURES) / "pattern.s19", install.dir.path() / "pattern.s19");
    const std::string dir = install.dir.path().string() + "/";
    install.write("update.cfg", "CM " + dir + "SIM60_BYTE.S8P 10B0\nSS " + dir + "pattern.s19\nEM\nPM\nVM\n");
  }

  // The bench's interface; its flash stays in the state file from one bench to the next.
  void set_interface(const std::string& interface_lines) const {
    install.write("idle.bin", test::idle_target_image());
    install.write("bench.ini", "[time]\nmode = " + time_mode_ +
                                   "\n[target]\ndevice = default\nstate_file = bench.state\nsecured = no\n" +
                                   test::idle_target_lines + "[interface 1]\n" + interface_lines);
  }
  void write_firmware(const std::string& file_name, std::uint32_t start, const Bytes& block) const {
    const Bytes file = loaders::scramble_firmware_text(s2_records(start, block));
    install.write(file_name, std::string(file.begin(), file.end()));
  }
  std::vector<std::string> arguments(const std::vector<std::string>& port) const {
    std::vector<std::string> arguments{"NOSCAN", install.file("update.cfg")};
    arguments.insert(arguments.end(), port.begin(), port.end());
    return arguments;
  }
  ProgrammerResult run(const std::vector<std::string>& port) const { return run_programmer(install, arguments(port)); }

  // The interface's update block and, last, its protect byte, as the bench keeps them.
  Bytes interface_flash() const {
    std::array<std::uint8_t, 0x10000> memory{};
    sim::InterfaceFlash interfaces;
    EXPECT_EQ(sim::load_flash_state(install.file("bench.state"), sim::default_device(), memory, &interfaces),
              sim::StateFileResult::Ok);
    return interfaces.empty() ? Bytes() : interfaces.front();
  }
  Bytes update_block() const {
    Bytes flash = interface_flash();
    flash.resize(block_size);
    return flash;
  }

  ProgrammerInstall install;

 private:
  std::string time_mode_;
};

const std::string cable_lines = "family = parallel\nbase = 0x378\nupdated_firmware = 4.07\noriginal_firmware = 4.02\n";
const std::vector<std::string> cable_port{"PORT=1"};
constexpr std::uint32_t cable_block = 0x8000, usb_block = 0xF8000;

// A parallel cable, an FTDI interface, WinDriver interfaces whose original firmware restarts
// on a command (5.35) or needs the boot routine (5.20), and a full-speed interface that speaks
// with the command offset of 128: each is updated before its script and then left alone.
struct InterfaceCase {
  const char* name;
  std::string interface_lines;
  std::vector<std::string> port;
  const char* file_base;
  const char* version;
  std::uint32_t block_start;
  const char* versions_line;
};

std::vector<InterfaceCase> interface_cases() {
  const std::vector<std::string> usb_port{"PORT=USB1", "INTERFACE=USBQUORVEX"};
  const std::string windriver = "family = windriver\nproduct = 2\n";
  return {
      {"Cable", cable_lines, cable_port, "quorvexens", "4.10", cable_block,
       "Quorvex Cable Rom Versions - 4.10(Updated)/4.02(Original)"},
      {"Ftdi",
       "family = ftdi\nserial = VX3000101\ndescription = VLX USB BDM\nupdated_firmware = 5.02\noriginal_firmware = 5.00\n",
       usb_port, "usbbdmens", "5.12", usb_block, "Quorvex Cable Rom Versions - 5.12(Updated)/5.00(Original)"},
      {"WinDriver535",
       windriver + "information = VLX,USB-QX-12 : USB Quorvex,QX12000042,,,,\n"
                   "updated_firmware = 5.12\noriginal_firmware = 5.35\n",
       usb_port, "usb20bdmens", "5.60", usb_block, "Quorvex Cable Rom Versions - 5.60(Updated)/5.35(Original)"},
      {"WinDriver520",
       windriver + "information = VLX,USB-QX-12 : USB Quorvex,QX12000042,,,,\n"
                   "updated_firmware = 5.12\noriginal_firmware = 5.20\n",
       usb_port, "usb20bdmens", "5.60", usb_block, "Quorvex Cable Rom Versions - 5.60(Updated)/5.20(Original)"},
      {"FullSpeed610",
       windriver + "information = VLX,USB-QX-12 (FS) : USB Quorvex,QXFS000042,,,,\n"
                   "updated_firmware = 6.10\noriginal_firmware = 6.00\n",
       usb_port, "usbqxfs20bdmens", "6.20", usb_block, "Quorvex Cable Rom Versions - 6.20(Updated)/6.00(Original)"},
  };
}

class EachInterface : public ::testing::TestWithParam<InterfaceCase> {};

TEST_P(EachInterface, IsUpdatedOnceBeforeItsScript) {
  const InterfaceCase& c = GetParam();
  UpdateBench bench(c.interface_lines);
  const Bytes image = firmware_block(c.version);
  const std::string version = c.version;
  bench.write_firmware(c.file_base + ("." + version.substr(0, 1) + version.substr(2)), c.block_start, image);

  const ProgrammerResult first = bench.run(c.port);
  EXPECT_EQ(first.exit_code, 0) << first.errors << first.output;
  const std::size_t booting = first.errors.find("Booting Quorvex to original firmware (please wait) ... \n");
  const std::size_t completed = first.errors.find("All steps completed successfully.\nFirmware update successful.\n");
  EXPECT_NE(booting, std::string::npos) << first.errors;
  EXPECT_NE(completed, std::string::npos) << first.errors;
  EXPECT_LT(booting, completed);
  EXPECT_NE(first.errors.find(c.versions_line), std::string::npos) << first.errors;
  EXPECT_NE(first.output.find("CMD>VM"), std::string::npos) << first.output;
  EXPECT_EQ(bench.update_block(), programmed(image));
  if (c.block_start == cable_block) {
    EXPECT_EQ(bench.interface_flash().back(), 0x80) << "the cable's block is protected";
  }

  const ProgrammerResult second = bench.run(c.port);
  EXPECT_EQ(second.exit_code, 0) << second.errors;
  EXPECT_EQ(second.errors.find("Booting Quorvex"), std::string::npos) << second.errors;
  EXPECT_NE(second.output.find("Flash Version " + version), std::string::npos) << second.output;
}

INSTANTIATE_TEST_SUITE_P(FirmwareUpdateRun, EachInterface, ::testing::ValuesIn(interface_cases()),
                         [](const ::testing::TestParamInfo<InterfaceCase>& param_info) {
                           return std::string(param_info.param.name);
                         });

// Each failing step ends the attempt with its own line and one offer of a retry, which a run
// without anyone to answer declines; the script then runs on the original firmware, unless the
// interface is gone.
struct FailureCase {
  const char* name;
  const char* knob;
  const char* last_line;
  int exit_code;
};

const FailureCase failure_cases[] = {
    {"RefusedErase", "refuse_erase = 1\n", "Flash Erase Failed. Result = $0030", 0},
    {"RefusedRow", "refuse_row = 3\n", "Programming MCU flash bytes at Address $8080 : ERROR!!!", 0},
    {"StuckByte", "stuck_byte = 0x8023\n", "ERROR! at 8023", 0},
    {"RefusedKey", "refuse_key = 1\n", "Failure.", 0},
    {"RefusedChecksum", "refuse_checksum = 1\n", "Failure.", 0},
    {"RefusedProtect", "refuse_protect = 1\n", "Failure.", 0},
    {"UpdatedDoesNotStart", "updated_starts = no\n", "Failure.", 0},
    {"PowerCut", "power_cut_after = 101\n", "Programming MCU flash bytes at Address $9900 : ERROR!!!", 45},
};

class FailedUpdate : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FailedUpdate, IsOfferedOneRetryThenTheScriptRunsOnTheOriginalFirmware) {
  const FailureCase& c = GetParam();
  UpdateBench bench(cable_lines + c.knob);
  bench.write_firmware("quorvexens.410", cable_block, firmware_block("4.10"));
  const ProgrammerResult result = bench.run(cable_port);
  EXPECT_EQ(result.exit_code, c.exit_code) << result.errors;
  const std::string ending = std::string(c.last_line) + "\nFirmware update failed.\n";
  const std::string question =
      std::string("[dialog] ") + c.last_line + " Firmware update failed. Retry?\n[dialog answer] No\n";
  EXPECT_NE(result.errors.find(ending), std::string::npos) << result.errors;
  EXPECT_NE(result.errors.find(question), std::string::npos) << result.errors;
  EXPECT_EQ(result.errors.find("Firmware update failed.\n"), result.errors.rfind("Firmware update failed.\n"));
  EXPECT_EQ(result.errors.find("Retry?"), result.errors.rfind("Retry?")) << "no more offers after No";
  if (c.exit_code == 0) {
    EXPECT_NE(result.output.find("CMD>VM"), std::string::npos) << result.output;
  }
}

INSTANTIATE_TEST_SUITE_P(FirmwareUpdateRun, FailedUpdate, ::testing::ValuesIn(failure_cases),
                         [](const ::testing::TestParamInfo<FailureCase>& param_info) {
                           return std::string(param_info.param.name);
                         });

// A damaged firmware file is refused before the cable is booted or erased: the update fails
// with the file step's line, the retry is declined, and the script runs on the original firmware.
TEST(FirmwareUpdateRun, ADamagedFileIsRefusedAndTheScriptRunsOnTheOriginalFirmware) {
  sim::PodMemory factory(sim::FlashLayout::cable);
  factory.install_firmware(cable_block, "4.07", true);
  Bytes original;
  for (std::uint32_t at = cable_block; at < cable_block + block_size; ++at) {
    original.push_back(factory.byte(static_cast<std::uint16_t>(at)));
  }
  const std::string good = s2_records(cable_block, firmware_block("4.10"));
  for (const test::Damage& damage : test::firmware_damages()) {
    SCOPED_TRACE(damage.what);
    UpdateBench bench(cable_lines);
    const Bytes file = loaders::scramble_firmware_text(damage.apply(good));
    bench.install.write("quorvexens.410", std::string(file.begin(), file.end()));
    const ProgrammerResult result = bench.run(cable_port);
    EXPECT_EQ(result.exit_code, 0) << result.errors;
    EXPECT_NE(result.errors.find("Loading new Firmware data ...\nCant find Update file.\nFirmware update failed.\n"),
              std::string::npos)
        << result.errors;
    EXPECT_EQ(result.errors.find("Booting Quorvex"), std::string::npos) << result.errors;
    EXPECT_EQ(result.errors.find("Erasing"), std::string::npos) << result.errors;
    EXPECT_NE(result.output.find("Flash Version 4.07"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("CMD>VM"), std::string::npos) << result.output;
    EXPECT_EQ(bench.update_block(), original);
  }
}

// An interface whose power went in the middle of its rows runs its original firmware with a
// broken block: the next connection updates it again and the script passes.
TEST(FirmwareUpdateRun, AfterAPowerCutTheNextRunUpdatesTheInterface) {
  const Bytes image = firmware_block("4.10");
  UpdateBench bench(cable_lines + "power_cut_after = 101\n");
  bench.write_firmware("quorvexens.410", cable_block, image);
  EXPECT_EQ(bench.run(cable_port).exit_code, 45);
  EXPECT_NE(bench.update_block(), programmed(image));

  bench.set_interface(cable_lines);
  const ProgrammerResult next = bench.run(cable_port);
  EXPECT_EQ(next.exit_code, 0) << next.errors;
  EXPECT_NE(next.errors.find("Booting Quorvex"), std::string::npos) << next.errors;
  EXPECT_NE(next.errors.find("All steps completed successfully."), std::string::npos) << next.errors;
  EXPECT_NE(next.output.find("CMD>VM"), std::string::npos) << next.output;
  EXPECT_EQ(bench.update_block(), programmed(image));
}

// A close asked for while the rows are programmed waits for the update: the interface is left
// with its whole new firmware, and the program then ends as any run closed during its script.
TEST(FirmwareUpdateRun, AClosingSignalDuringTheRowsLetsTheUpdateFinishFirst) {
  UpdateBench bench(cable_lines, "real");
  const Bytes image = firmware_block("4.10");
  bench.write_firmware("quorvexens.410", cable_block, image);
  // A script that pumps messages at once, so that the held close is acted on well within its second.
  bench.install.write("update.cfg", "a remark\n");
  test::ChildProcess child(bench.install.program(), bench.arguments(cable_port), bench.install.environment());
  const std::string first_row = "Programming MCU flash bytes at Address $8000 : ";
  for (int waited = 0; waited < 20'000 && child.errors().find(first_row) == std::string::npos; waited += 1) {
    platform::clock().sleep_microseconds(1000);
  }
  ASSERT_NE(child.errors().find(first_row), std::string::npos) << child.errors();
  child.signal(SIGTERM);
  EXPECT_EQ(child.wait_for_exit(), 1) << child.errors();
  const std::string errors = child.errors();
  EXPECT_NE(errors.find("Programming MCU flash bytes at Address $BFC0 : Success."), std::string::npos) << errors;
  EXPECT_NE(errors.find("All steps completed successfully.\nFirmware update successful.\n"), std::string::npos)
      << errors;
  EXPECT_EQ(bench.update_block(), programmed(image));
}

}  // namespace
}  // namespace vx
