#include "fwupdate/programmer_update.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "foundation/kstring.h"
#include "fwupdate/flash_update.h"
#include "fwupdate/programmer_files.h"
#include "fwupdate/update_decision.h"
#include "fwupdate/update_progress.h"
#include "interface/firmware_update_link.h"
#include "interface/link_state.h"
#include "sim/programmer/sim_programmer_udp.h"
#include "support/scoped_platform.h"
#include "support/temp_dir.h"
#include "tests/fwupdate/damaged_firmware.h"
#include "tests/fwupdate/programmer_images.h"
#include "tests/interface/protocol_test_support.h"
#include "tests/interface/sap_test_support.h"
#include "tools/fwfile/firmware_file.h"

namespace vx::fwupdate {
namespace {

using test::Bytes;
using test::ImagePiece;

constexpr const char* pro_info =
    "VLX,0,Tamberly Pro,Bench,3,4,Main,Net,Rev. C,00:1B:C5:0A:10:2F,90061,3540,Fw,Bench,AB";
constexpr std::size_t plain_size = 0x1000, secondary_size = 0x900, primary_size = 0xA00, upgrade_size = 0x1200,
                      section2_size = 0x600;

struct RecordingProgress final : UpdateProgressView {
  void show_update_window() override {}
  void show_update_status(const ShortText& text) override { lines.push_back(text.str()); }
  void close_update_window(const ShortText& message, const ShortText&) override { endings.push_back(message.str()); }
  std::vector<std::string> lines;
  std::vector<std::string> endings;
};

// The files of each kind beside the program.
const ImagePiece plain_image = test::image_at_0x400("8.12", "", plain_size);
const ImagePiece secondary_kernel = test::image_at_0x400("8.16", "INTERMEDIATE", secondary_size);
const ImagePiece primary_kernel = test::image_at_0x400("8.16", "PRIMARY", primary_size);
ImagePiece upgrade_image(const std::string& version) { return test::image_at_0x400(version, "", upgrade_size); }
const ImagePiece section2_piece{0x7FF00, test::filler(section2_size, 0x31)};

// A Pro on loopback UDP, its update files in a directory of their own, and the
// engine set up as the programmer's reset leaves it.
class ProgrammerUpdateTest : public sap_testing::EthernetTest {
 protected:
  void TearDown() override {
    install_update_progress_view(nullptr);
    server_.reset();
    reset_link_state();
    protocol_testing::reset_protocol_units();
    ws::reset_application();
    run_state().abort_flag = false;
    EthernetTest::TearDown();
  }

  void start(sim::SimProgrammerConfig config) {
    server_.reset();
    config.device_info = config.device_info == sim::SimProgrammerConfig{}.device_info ? pro_info : config.device_info;
    programmer_ = std::make_unique<sim::SimProgrammer>(config, &pod_);
    server_ = std::make_unique<sim::SimProgrammerUdp>(*programmer_, "127.0.0.1", 0, "127.255.255.255");
    protocol_testing::reset_protocol_units();
    reset_update_decision(EngineBuild::programmer);
    progress_ = RecordingProgress{};
    install_update_progress_view(&progress_);
    ASSERT_EQ(sap_open_ethernet_ip("127.0.0.1", server_->port()), sap_ok);
    link_state().interface_class = InterfaceClass::standalone_programmer;
  }

  void write_file(const std::string& base, const std::string& version, const std::vector<ImagePiece>& pieces) {
    std::string error;
    ASSERT_TRUE(tools::write_firmware_file(test::s3_records(pieces), dir_.path().string(), base, version, error))
        << error;
  }
  void write_kernels(const ImagePiece& secondary = secondary_kernel, const ImagePiece& primary = primary_kernel) {
    write_file("prokernelen2", "0.02", {secondary});
    write_file("prokernelen2", "0.01", {primary});
  }

  // One attempt, as the decision starts it for the newest file.
  bool update() {
    FirmwareRequest& request = firmware_request();
    request.update_link_kind = programmer_link;
    request.update_search_pattern = request.ens_search_pattern = dir_.file("tamberlyproens.???");
    request.en2_search_pattern = dir_.file("tamberlyproen2.???");
    request.kernel_file_base = dir_.file("prokernelen2");
    EXPECT_TRUE(find_update_firmware_file());
    firmware_update_link().busy = true;
    const bool updated = flash_update_engine().update_cable_firmware();
    firmware_update_link().busy = false;
    return updated;
  }

  // An attempt on a programmer at 8.10 that ends with `last_lines` and leaves its flash as it was.
  void expect_refused_before_any_erase(const std::vector<std::string>& last_lines) {
    const Bytes before(programmer_->memory().begin(), programmer_->memory().end());
    EXPECT_FALSE(update());
    ASSERT_GE(progress_.lines.size(), last_lines.size());
    EXPECT_EQ(std::vector<std::string>(progress_.lines.end() - static_cast<long>(last_lines.size()),
                                       progress_.lines.end()),
              last_lines)
        << all_lines();
    EXPECT_TRUE(std::equal(before.begin(), before.end(), programmer_->memory().begin())) << "nothing erased";
    EXPECT_EQ(programmer_->running_version(), "8.10");
    server_.reset();
  }

  void clear_files() {
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) std::filesystem::remove(entry.path());
  }
  // What the programmer runs after its power has been cycled.
  void power_cycle() { programmer_->execute(2, Bytes{0x03}); }

  bool shown(const std::string& line) const {
    return std::find(progress_.lines.begin(), progress_.lines.end(), line) != progress_.lines.end();
  }
  std::string last_line() const { return progress_.lines.empty() ? "" : progress_.lines.back(); }
  std::string all_lines() const {
    std::string text;
    for (const std::string& line : progress_.lines) text += line + "\n";
    return text;
  }
  Bytes flash(std::uint32_t address, std::size_t count) const {
    return test::flash_bytes(*programmer_, address, count);
  }

  test::TempDir dir_;
  protocol_testing::BackgroundTarget target_;
  sim::Pod pod_{sim::PodConfig{}, &target_.mcu, nullptr};
  std::unique_ptr<sim::SimProgrammer> programmer_;
  std::unique_ptr<sim::SimProgrammerUdp> server_;
  RecordingProgress progress_;
};

sim::SimProgrammerConfig at_version(const std::string& version) {
  sim::SimProgrammerConfig config;
  config.version = version;
  return config;
}

TEST_F(ProgrammerUpdateTest, APlainImageGoesIntoSectionOneWithItsLengthAndCrc) {
  start(at_version("8.10"));
  write_file("tamberlyproens", "8.12", {plain_image});
  const Bytes kernel_before = flash(0xF0010000, 0x30000);
  ASSERT_TRUE(update()) << all_lines();
  EXPECT_EQ(flash(0xF0090400, plain_size), plain_image.bytes);
  EXPECT_EQ(flash(0xF010FFF8, 8), test::big_endian({plain_size, test::crc_of(plain_image.bytes)}));
  EXPECT_EQ(flash(0xF0010000, 0x30000), kernel_before) << "the plain path leaves the kernel alone";
  EXPECT_EQ(programmer_->running_version(), "8.12");
  EXPECT_TRUE(shown("Programming MCU flash bytes at Address $F0090400.")) << all_lines();
  EXPECT_TRUE(shown("Success. Length = 4096 bytes, CRC = $" + hex_long(test::crc_of(plain_image.bytes)).str()));
  EXPECT_TRUE(shown("Updating FPGA version from 1.07 to 1.08, please wait up to 60 seconds..."));
  EXPECT_TRUE(shown("Successfully upgraded the FPGA design."));
  EXPECT_EQ(last_line(), "All steps completed successfully.");
  EXPECT_EQ(progress_.endings, std::vector<std::string>{"Firmware update successful."});
}

struct StagedCase {
  const char* running;
  const char* upgrade;
  bool two_sections;
  bool kernels;
};

TEST_F(ProgrammerUpdateTest, TheStagedUpdateWritesKernelsSectionsAndTheirTable) {
  const StagedCase cases[] = {
      {"8.16", "8.20", true, true},
      {"8.14", "8.20", false, true},
      {"8.20", "8.30", false, false},
  };
  for (const StagedCase& c : cases) {
    SCOPED_TRACE(c.running);
    clear_files();
    start(at_version(c.running));
    write_kernels();
    const ImagePiece section1 = upgrade_image(c.upgrade);
    std::vector<ImagePiece> pieces{section1};
    if (c.two_sections) pieces.push_back(section2_piece);
    write_file("tamberlyproen2", c.upgrade, pieces);
    const Bytes primary_before = flash(0xF0010000, 0x30000);
    ASSERT_TRUE(update()) << all_lines();

    EXPECT_EQ(flash(0xF0090400, upgrade_size), section1.bytes);
    const Bytes section2 = c.two_sections ? section2_piece.bytes : Bytes{};
    const Bytes table = test::section_table(section1.bytes, section2);
    EXPECT_EQ(flash(0xF0110000 - static_cast<std::uint32_t>(table.size()), table.size()), table);
    if (c.two_sections) {
      EXPECT_EQ(flash(0xF0040000, section2_size), section2_piece.bytes);
    }
    EXPECT_EQ(programmer_->running_version(), c.upgrade);
    if (c.kernels) {
      EXPECT_EQ(flash(0xF0010400, primary_size), primary_kernel.bytes);
      EXPECT_EQ(flash(0xF003FFF8, 8), test::big_endian({primary_size, test::crc_of(primary_kernel.bytes)}));
      EXPECT_EQ(programmer_->running_kernel(), "PRIMARY");
      EXPECT_TRUE(shown("Programming $00010400")) << all_lines();
    } else {
      EXPECT_EQ(flash(0xF0010000, 0x30000), primary_before);
      EXPECT_FALSE(shown("Erasing SECONDARY firmware block...  "));
    }
    EXPECT_EQ(shown("Programming $0010FF00"), c.two_sections);
    EXPECT_TRUE(shown("Transferred " + std::to_string(upgrade_size + section2.size()) + " bytes")) << all_lines();
    EXPECT_TRUE(shown("Successfully upgraded the FPGA design."));
    EXPECT_EQ(last_line(), "All steps completed successfully.");
    server_.reset();
  }
}

struct FailureCase {
  const char* name;
  const char* running;
  bool staged;
  void (*knob)(sim::SimProgrammerConfig&);
  const char* last_line;
  // What the programmer runs afterwards.
  const char* version_after;
  const char* kernel_after;
};

// Counted write commands: the object image hands contiguous bytes over in records of 256,
// which the link sends in two frames; a trailer is one.
constexpr std::uint32_t writes_of(std::size_t bytes) { return static_cast<std::uint32_t>(bytes / 0x100 * 2); }
constexpr std::uint32_t secondary_writes = writes_of(secondary_size) + 1, primary_records = writes_of(primary_size);
constexpr std::uint32_t upgrade_records = writes_of(upgrade_size), plain_records = writes_of(plain_size);

TEST_F(ProgrammerUpdateTest, EachRefusalEndsTheUpdateWithItsLine) {
  const FailureCase cases[] = {
      {"plain erase", "8.10", false, [](auto& c) { c.refuse_erase = 1; }, "Could not erase upgrade blocks.", "8.10",
       "PROKERNEL 3"},
      {"plain write", "8.10", false, [](auto& c) { c.refuse_write = 1; },
       "Error during programming at address $F0090400.", "1.00", "PROKERNEL 3"},
      {"plain byte stored wrong", "8.10", false, [](auto& c) { c.wrong_byte_write = 1; },
       "Failed on verifying the CRC of firmware", "1.00", "PROKERNEL 3"},
      {"plain trailer", "8.10", false, [](auto& c) { c.refuse_write = plain_records + 1; },
       "Error. Check LPT/USB port, POWER, Connections.", "1.00", "PROKERNEL 3"},
      {"plain reset", "8.10", false, [](auto& c) { c.silent_after_reset = 1; }, "Failure after resetting device.",
       "8.12", "PROKERNEL 3"},
      {"fpga", "8.10", false, [](auto& c) { c.logic_update_fails = true; },
       "Failed Updating FPGA design, resetting device.  Please try again.", "8.12", "PROKERNEL 3"},
      {"fpga reset", "8.10", false, [](auto& c) { c.silent_after_reset = 2; }, "Failure after resetting device.",
       "8.12", "PROKERNEL 3"},
      {"secondary unlock", "8.16", true, [](auto& c) { c.refuse_unlock = 1; },
       "Unable to unlock Intermediate Kernel firmware block.", "8.16", "PROKERNEL 3"},
      {"secondary erase", "8.16", true, [](auto& c) { c.refuse_erase = 1; }, "Failed Erasing Secondary Firmware.",
       "8.16", "PROKERNEL 3"},
      {"secondary write", "8.16", true, [](auto& c) { c.refuse_write = 1; },
       "Error occured during programming firmware.", "1.00", "PROKERNEL 3"},
      {"secondary byte stored wrong", "8.16", true, [](auto& c) { c.wrong_byte_write = 1; },
       "Failed on verifying the CRC of firmware", "1.00", "PROKERNEL 3"},
      {"secondary reset", "8.16", true, [](auto& c) { c.silent_after_reset = 1; }, "Failure after resetting device.",
       "8.16", "INTERMEDIATE"},
      {"primary unlock without the secondary's", "8.14", true, [](auto& c) { c.refuse_unlock = 1; },
       "Unable to unlock Primary Plus Kernel firmware block.", "8.16", "INTERMEDIATE"},
      {"primary unlock", "8.16", true, [](auto& c) { c.refuse_unlock = 2; },
       "Unable to unlock Primary Plus Kernel firmware block.", "8.16", "INTERMEDIATE"},
      {"primary erase", "8.16", true, [](auto& c) { c.refuse_erase = 9; }, "Failed Erasing Primary Plus Kernel.",
       "8.16", "INTERMEDIATE"},
      {"primary write", "8.16", true, [](auto& c) { c.refuse_write = secondary_writes + 1; },
       "Error occured during programming firmware.", "8.16", "INTERMEDIATE"},
      {"primary trailer", "8.16", true, [](auto& c) { c.refuse_write = secondary_writes + primary_records + 1; },
       "Failed!", "8.16", "INTERMEDIATE"},
      {"primary byte stored wrong", "8.16", true, [](auto& c) { c.wrong_byte_write = secondary_writes + 1; },
       "Failed on verifying the CRC of the primary image", "8.16", "INTERMEDIATE"},
      {"block 23 unlock", "8.16", true, [](auto& c) { c.refuse_unlock = 3; }, "Unable to unlock firmware block.",
       "8.16", "INTERMEDIATE"},
      {"block 23 erase", "8.16", true, [](auto& c) { c.refuse_erase = 17; }, "Unable to erase firmware block.",
       "8.16", "INTERMEDIATE"},
      {"primary reset", "8.16", true, [](auto& c) { c.silent_after_reset = 2; }, "Failure after resetting device.",
       "8.16", "PRIMARY"},
      {"manufacturing image", "8.20", true, [](auto& c) { c.corrupt_manufacturing = true; },
       "Corrupted manufacturing image, please contact VLX", "8.20", ""},
      {"upgrade unlock", "8.20", true, [](auto& c) { c.refuse_unlock = 1; }, "Can't unlock firmware block.", "8.20",
       "PROKERNEL 3"},
      {"upgrade erase", "8.20", true, [](auto& c) { c.refuse_erase = 1; },
       "Cant Erase Secondary Image firmware block.", "8.20", "PROKERNEL 3"},
      {"upgrade write", "8.20", true, [](auto& c) { c.refuse_write = 1; },
       "Error occured during programming firmware.", "1.00", "PROKERNEL 3"},
      {"upgrade byte stored wrong: no line of its own", "8.20", true, [](auto& c) { c.wrong_byte_write = 1; },
       "Done.", "1.00", "PROKERNEL 3"},
      {"section table", "8.20", true, [](auto& c) { c.refuse_write = upgrade_records + 1; }, "Failed writing CRC!",
       "1.00", "PROKERNEL 3"},
      {"upgrade reset", "8.20", true, [](auto& c) { c.silent_after_reset = 1; }, "Failure after resetting device.",
       "8.30", "PROKERNEL 3"},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    clear_files();
    sim::SimProgrammerConfig config = at_version(c.running);
    c.knob(config);
    start(config);
    if (c.staged) {
      write_kernels();
      write_file("tamberlyproen2", "8.30", {upgrade_image("8.30")});
    } else {
      write_file("tamberlyproens", "8.12", {plain_image});
    }
    EXPECT_FALSE(update());
    EXPECT_EQ(last_line(), c.last_line) << all_lines();
    EXPECT_EQ(progress_.endings, std::vector<std::string>{"Firmware update failed."}) << "one failure ending";
    power_cycle();
    EXPECT_EQ(programmer_->running_version(), c.version_after);
    EXPECT_EQ(programmer_->running_kernel(), c.kernel_after);
    server_.reset();
  }
}

struct BadFileCase {
  const char* name;
  bool staged;
  std::vector<ImagePiece> image;
  ImagePiece secondary, primary;
  std::vector<std::string> last_lines;
};

// Every file is loaded and checked before the first erase: the programmer keeps what it runs.
TEST_F(ProgrammerUpdateTest, AFileThatDoesNotFitIsRefusedBeforeAnyErase) {
  const std::vector<std::string> too_big{"Firmware is too big for current updating mechanism."};
  const BadFileCase cases[] = {
      {"plain record wrapping to the flash's start", false, {{0xFFF70000, test::filler(64, 1)}}, {}, {}, too_big},
      {"plain record over the trailer", false, {{0x7FFF0, test::filler(16, 1)}}, {}, {}, too_big},
      {"secondary kernel over its trailer", true, {upgrade_image("8.30")}, {0x7FFE0, test::filler(32, 2)},
       primary_kernel, {"Successful", "Firmware is too big for current updating mechanism."}},
      {"primary kernel over its trailer", true, {upgrade_image("8.30")}, secondary_kernel,
       {0x2FFF0, test::filler(16, 3)}, {"Successful", "Firmware is too big for current updating mechanism."}},
      {"upgrade record across the end of section 1", true, {{0x7FEF0, test::filler(32, 4)}}, secondary_kernel,
       primary_kernel, {"Success.", "Firmware is too big for current updating mechanism."}},
      {"upgrade record at 0xCFE00", true, {{0x7FF00, test::filler(32, 5)}, {0xCFE00, test::filler(32, 6)}},
       secondary_kernel, primary_kernel, {"Success.", "Firmware is too big for current updating mechanism."}},
  };
  for (const BadFileCase& c : cases) {
    SCOPED_TRACE(c.name);
    clear_files();
    start(at_version("8.10"));
    if (c.staged) {
      write_kernels(c.secondary, c.primary);
      write_file("tamberlyproen2", "8.30", c.image);
    } else {
      write_file("tamberlyproens", "8.12", c.image);
    }
    expect_refused_before_any_erase(c.last_lines);
  }
}

// A damaged file of any stage stops the update with that stage's line, before the first erase.
TEST_F(ProgrammerUpdateTest, ADamagedFileIsRefusedBeforeAnyErase) {
  const std::string no_kernel = "Error: Required Kernel image does not exist";
  struct Case {
    const char* base;
    const char* version;
    ImagePiece image;
    std::vector<std::string> last_lines;
  };
  const Case cases[] = {
      {"prokernelen2", "0.02", secondary_kernel, {"Looking for kernel file: " + dir_.file("prokernelen2.002"), no_kernel}},
      {"prokernelen2", "0.01", primary_kernel, {"Looking for kernel file: " + dir_.file("prokernelen2.001"), no_kernel}},
      {"tamberlyproen2", "8.30", upgrade_image("8.30"),
       {"Looking for update files... ",
        "Unable to locate upgrade firmware files or upgrade firmware files support different format."}},
      {"tamberlyproens", "8.12", plain_image, {"Cant find Update file."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.base) + " " + c.version);
    clear_files();
    start(at_version("8.10"));
    if (std::string(c.base) != "tamberlyproens") {
      write_kernels();
      write_file("tamberlyproen2", "8.30", {upgrade_image("8.30")});
    }
    std::string error;
    ASSERT_TRUE(tools::write_firmware_file(test::data_digit_changed(test::s3_records({c.image})), dir_.path().string(),
                                           c.base, c.version, error))
        << error;
    expect_refused_before_any_erase(c.last_lines);
  }
}

TEST_F(ProgrammerUpdateTest, AMissingKernelOrKernelOfAnotherNameStopsTheStagedUpdate) {
  start(at_version("8.16"));
  write_file("tamberlyproen2", "8.20", {upgrade_image("8.20")});
  write_file("prokernelen2", "0.02", {secondary_kernel});
  EXPECT_FALSE(update());
  EXPECT_EQ(progress_.lines.back(), "Error: Required Kernel image does not exist");
  EXPECT_EQ(progress_.lines[progress_.lines.size() - 2], "Looking for kernel file: " + dir_.file("prokernelen2.001"));
  EXPECT_EQ(programmer_->running_version(), "8.16") << "nothing erased";

  write_kernels(test::image_at_0x400("8.16", "OTHER", secondary_size), primary_kernel);
  progress_ = RecordingProgress{};
  EXPECT_FALSE(update());
  EXPECT_EQ(last_line(), "Failed to program into secondary region, try again.");

  write_kernels(secondary_kernel, test::image_at_0x400("8.16", "OTHER", primary_size));
  progress_ = RecordingProgress{};
  EXPECT_FALSE(update());
  EXPECT_EQ(last_line(), "Failed to program into primary region, try again.");
  EXPECT_EQ(programmer_->running_kernel(), "OTHER");
}

TEST_F(ProgrammerUpdateTest, ASilentProgrammerOrAVanishedFileEndsBeforeAnyErase) {
  sim::SimProgrammerConfig config = at_version("8.10");
  config.silent_after_reset = 1;
  start(config);
  write_file("tamberlyproens", "8.12", {plain_image});
  power_cycle();
  EXPECT_FALSE(update());
  EXPECT_EQ(last_line(), "Error. Check Port, Power, and Connections.");

  start(at_version("8.10"));
  write_file("tamberlyproens", "8.12", {plain_image});
  firmware_request().update_link_kind = programmer_link;
  firmware_request().ens_search_pattern = firmware_request().update_search_pattern = dir_.file("tamberlyproens.???");
  ASSERT_TRUE(find_update_firmware_file());
  clear_files();
  EXPECT_FALSE(flash_update_engine().update_cable_firmware());
  EXPECT_EQ(last_line(), "Cant find Update file.");
  EXPECT_EQ(programmer_->running_version(), "8.10");
}

TEST_F(ProgrammerUpdateTest, AnUpgradeFileThatCannotBeReadStopsBeforeAnyErase) {
  start(at_version("8.20"));
  std::ofstream(dir_.file("tamberlyproen2.830"), std::ios::binary) << "not a firmware file";
  EXPECT_FALSE(update());
  EXPECT_EQ(last_line(),
            "Unable to locate upgrade firmware files or upgrade firmware files support different format.");
  EXPECT_EQ(programmer_->running_version(), "8.20");
  EXPECT_EQ(progress_.endings, std::vector<std::string>{"Firmware update failed."});
}

TEST_F(ProgrammerUpdateTest, AFailedUpdateAsksForARetryWithItsLastLine) {
  sim::SimProgrammerConfig config = at_version("8.10");
  config.refuse_erase = 1;
  start(config);
  write_file("tamberlyproens", "8.12", {plain_image});
  UpdateDecision& decision = update_decision();
  decision.steps = &flash_update_engine();
  FirmwareRequest& request = firmware_request();
  request.update_link_kind = programmer_link;
  request.interface_firmware_version = 810;
  request.update_search_pattern = request.ens_search_pattern = dir_.file("tamberlyproens.???");
  request.en2_search_pattern = dir_.file("tamberlyproen2.???");
  test::RecordingResponder answers(platform::result_no);
  ask_update_firmware("8.10");
  ASSERT_EQ(answers.shown.size(), 1u);
  EXPECT_EQ(answers.shown[0].text, "Could not erase upgrade blocks. Firmware update failed. Retry?");
  EXPECT_TRUE(decision.update_failed);
}

}  // namespace
}  // namespace vx::fwupdate
