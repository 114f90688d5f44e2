#include "fwupdate/osbdm_binding.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "foundation/program_trace.h"
#include "interface/link_state.h"
#include "interface/port_state.h"
#include "platform/dynlib.h"
#include "platform/osinfo.h"
#include "sim/simulated_world.h"
#include "support/temp_dir.h"

namespace vx {
namespace {

constexpr const char* debug_board = "[osbdm 1]\nversion = 1,1,31,2,0,2,0,0\n";
constexpr const char* bootloader_board = "[osbdm 1]\nmode = bootloader\nversion = 1,1,31,2,0,2,0,0\n";

class OsbdmBindingTest : public ::testing::Test {
 protected:
  void TearDown() override {
    reset_osbdm_binding();
    world_.reset();
    platform::reset_dynlib();
    reset_port_state();
    reset_link_state();
  }

  void start(const std::string& scenario, const OsbdmBuild& build = updater_osbdm_build) {
    const sim::ScenarioResult loaded = sim::parse_scenario(scenario, ".");
    ASSERT_TRUE(loaded.scenario) << loaded.error;
    world_ = std::make_unique<sim::SimulatedWorld>(*loaded.scenario);
    reset_osbdm_binding(build);
  }

  void load_and_list() {
    external_load_osbdm_library();
    osbdm_enumerate_usb_devices();
  }

  std::vector<std::string>& log() { return const_cast<std::vector<std::string>&>(world_->osbdm_boards().log()); }

  std::unique_ptr<sim::SimulatedWorld> world_;
};

TEST_F(OsbdmBindingTest, DebugBoardIsListedWithItsTargetAndFirmwareAndOpensByAnEmptyName) {
  start(debug_board);
  load_and_list();
  ASSERT_TRUE(osbdm_binding().osbdm_library_loaded);
  ASSERT_EQ(osbdm_number_of_devices(), 1);
  const OsbdmDevice& device = osbdm_binding().devices[0];
  EXPECT_EQ(device.name, "Embedded S08 OSBDM/OSJTAG Device (Firmware Version 31.2)");
  EXPECT_EQ(device.description, device.name);
  EXPECT_EQ(device.serial, "SER01");
  EXPECT_EQ(device.version[osbdm_version::BUILD_VER], 31);

  EXPECT_TRUE(osbdm_open_device(""));
  EXPECT_TRUE(osbdm_binding().osbdm_device_open);
  EXPECT_EQ(osbdm_binding().last_osbdm_device_name, "");
}

TEST_F(OsbdmBindingTest, BoardInBootloaderModeIsTheOnlyEntry) {
  start(bootloader_board);
  load_and_list();
  ASSERT_EQ(osbdm_number_of_devices(), 1);
  EXPECT_EQ(osbdm_binding().devices[0].name, "Embedded OSBDM/OSJTAG Device - Bootloader Mode");
  EXPECT_EQ(osbdm_binding().devices[0].serial, "");
  EXPECT_EQ(osbdm_binding().devices[0].version, OsbdmVersionBytes{});
  EXPECT_EQ(log().back(), "close");
}

TEST_F(OsbdmBindingTest, BoardWhoseVersionCannotBeReadKeepsTheShortNameAndNoVersion) {
  start(std::string(debug_board) + "refuse_version = yes\n");
  load_and_list();
  ASSERT_EQ(osbdm_number_of_devices(), 1);
  EXPECT_EQ(osbdm_binding().devices[0].name, "Embedded OSBDM/OSJTAG Device");
  EXPECT_EQ(osbdm_binding().devices[0].version, OsbdmVersionBytes{});
  EXPECT_FALSE(osbdm_open_device("SER01"));
  EXPECT_TRUE(osbdm_binding().osbdm_device_open);
}

TEST_F(OsbdmBindingTest, MoreThanNineteenBoardsListNone) {
  std::string scenario;
  for (int i = 0; i < 20; ++i) scenario += debug_board;
  start(scenario);
  load_and_list();
  EXPECT_EQ(osbdm_number_of_devices(), 0);
}

TEST_F(OsbdmBindingTest, NineteenBoardsAndABootloaderTakeNoTwentiethEntry) {
  std::string scenario;
  for (int i = 0; i < 19; ++i) scenario += debug_board;
  start(scenario + bootloader_board);
  load_and_list();
  EXPECT_EQ(osbdm_number_of_devices(), 19);
  EXPECT_EQ(osbdm_binding().devices[18].serial, "SER13");
}

TEST_F(OsbdmBindingTest, AnEnumerationForgetsTheVersionOfABoardThatNoLongerAnswers) {
  start(debug_board);
  load_and_list();
  world_->osbdm_boards().board(0).config.faults.refuse_version = true;
  osbdm_enumerate_usb_devices();
  EXPECT_EQ(osbdm_binding().devices[0].version, OsbdmVersionBytes{});
}

TEST_F(OsbdmBindingTest, MissingUsbLibraryOrEntryLeavesTheUpdatersBuildUnloaded) {
  for (const char* hidden_entry : {"", "osbdm_write_fill"}) {
    SCOPED_TRACE(hidden_entry);
    start(debug_board);
    if (*hidden_entry == '\0') {
      platform::hide_builtin_library("libusb0.dll");
    } else {
      platform::hide_builtin_entry("VXOSBDMV1.DLL", hidden_entry);
    }
    load_and_list();
    EXPECT_FALSE(osbdm_binding().osbdm_library_loaded);
    EXPECT_TRUE(osbdm_binding().osbdm_load_attempted);
    EXPECT_EQ(osbdm_number_of_devices(), 0);
    EXPECT_FALSE(osbdm_open_device(""));
    EXPECT_FALSE(osbdm_get_version());
    EXPECT_FALSE(osbdm_sendpacket(std::vector<std::uint8_t>{7, 0x34}));
    EXPECT_TRUE(log().empty());
    TearDown();
  }
}

TEST_F(OsbdmBindingTest, BoardLeftInItsBootloaderIsReopenedInDebugModeByItsName) {
  start(debug_board);
  load_and_list();
  ASSERT_TRUE(osbdm_open_device(ShortText("SER01")));
  world_->osbdm_boards().board(0).config.bootloader = true;
  ASSERT_TRUE(osbdm_bootloader_open_device_in_bootloader_mode());
  world_->osbdm_boards().board(0).config.bootloader = false;
  EXPECT_TRUE(osbdm_bootloader_reopen_last_osbdm_device_in_debug_mode());
  EXPECT_TRUE(osbdm_binding().osbdm_device_open);
  EXPECT_EQ(osbdm_binding().last_osbdm_device_name, "SER01");
}

TEST_F(OsbdmBindingTest, OldSystemsLoadNoLibrary) {
  start(debug_board);
  platform::set_os_version({platform::OsPlatform::windows_nt, 4, 0, 0, {}});
  load_and_list();
  platform::reset_os_version();
  EXPECT_TRUE(osbdm_binding().osbdm_load_attempted);
  EXPECT_FALSE(osbdm_binding().osbdm_library_loaded);
  EXPECT_TRUE(log().empty());
}

TEST_F(OsbdmBindingTest, ScoutsBuildLoadsWithoutWriteFillAndReadsSevenVersionBytes) {
  start("[osbdm 1]\nversion = 1,1,4,9,0,3,0,6\n", scout_osbdm_build);
  platform::hide_builtin_entry("VXOSBDMV1.DLL", "osbdm_write_fill");
  load_and_list();
  ASSERT_TRUE(osbdm_binding().osbdm_library_loaded);
  ASSERT_EQ(osbdm_number_of_devices(), 1);
  // Target 9 is beyond the scout's names; OSBDM_ID is not read.
  EXPECT_EQ(osbdm_binding().devices[0].name, "Embedded OSBDM/OSJTAG Device");
  EXPECT_EQ(osbdm_binding().osbdm_version_info[osbdm_version::OSBDM_ID], 0);
  EXPECT_EQ(osbdm_binding().osbdm_version_info[osbdm_version::BUILD_VER_REV], 3);
}

// A library of its own that records the exchanges it is given.
struct RecordingBackend : platform::OsbdmBackend {
  std::vector<std::uint8_t> sub_commands;
  std::vector<std::uint32_t> sizes;
  std::vector<std::uint8_t> first_data;
  std::vector<std::uint8_t> answer{0x11, 0x22, 0x33};
  std::uint8_t status = 0;

  std::uint8_t init() override { return 1; }
  std::uint8_t open(std::uint32_t) override { return 0; }
  void close() override {}
  std::uint8_t init_hardware() override { return 0; }
  std::uint8_t exchange(std::uint8_t sub_command, std::uint32_t& size, std::span<std::uint8_t> data) override {
    sub_commands.push_back(sub_command);
    sizes.push_back(size);
    first_data.push_back(data[0]);
    std::copy(answer.begin(), answer.end(), data.begin());
    size = static_cast<std::uint32_t>(answer.size());
    return status;
  }
  std::uint8_t get_version(std::span<std::uint8_t, platform::osbdm_version_buffer_size>) override { return 0; }
  std::uint8_t bootloader_open(std::uint32_t) override { return 1; }
  std::uint8_t erase_flash_block(std::uint32_t, std::uint32_t) override { return 0; }
  std::uint8_t program_flash_block(std::uint32_t, std::span<const std::uint8_t>) override { return 0; }
  std::uint8_t verify_flash_block(std::uint32_t, std::span<const std::uint8_t>) override { return 0; }
};

class OsbdmBridgeTest : public OsbdmBindingTest {
 protected:
  void SetUp() override {
    start("");
    previous_ = platform::install_osbdm_backend(&backend_);
    load_and_list();
    ASSERT_TRUE(osbdm_open_device(""));
  }
  void TearDown() override {
    platform::install_osbdm_backend(previous_);
    OsbdmBindingTest::TearDown();
  }

  std::vector<std::uint8_t> receive() {
    std::array<std::uint8_t, 64> reply{};
    std::uint32_t length = 0;
    EXPECT_TRUE(osbdm_receivepacket(reply, length, 1000));
    return {reply.begin(), reply.begin() + length};
  }

  RecordingBackend backend_;
  platform::OsbdmBackend* previous_ = nullptr;
};

TEST_F(OsbdmBridgeTest, ForwardedPacketReachesTheLibraryWithoutItsFirstTwoBytes) {
  const std::vector<std::uint8_t> packet{7, 0x34, 0xA0, 1, 2, 3, 4, 5, 6, 7};
  EXPECT_TRUE(osbdm_sendpacket(packet));
  ASSERT_EQ(backend_.sub_commands, std::vector<std::uint8_t>{0x34});
  EXPECT_EQ(backend_.sizes, std::vector<std::uint32_t>{8});
  EXPECT_EQ(backend_.first_data, std::vector<std::uint8_t>{0xA0});
  EXPECT_EQ(receive(), (std::vector<std::uint8_t>{0xEE, 0x11, 0x22, 0x33}));
}

TEST_F(OsbdmBridgeTest, RefusedPacketsNeverReachTheLibraryNorAnswerWithAnEarlierAcknowledgement) {
  const std::vector<std::vector<std::uint8_t>> refused{
      {7, 0x35}, {7}, {4, 0x40, 0x58, 4}, std::vector<std::uint8_t>(57, 7)};
  for (const std::vector<std::uint8_t>& packet : refused) {
    SCOPED_TRACE(packet.size());
    ASSERT_TRUE(osbdm_sendpacket(std::vector<std::uint8_t>{7, 0xAA}));
    backend_.sub_commands.clear();
    EXPECT_FALSE(osbdm_sendpacket(packet));
    EXPECT_TRUE(backend_.sub_commands.empty());
    EXPECT_TRUE(receive().empty());
  }
}

TEST_F(OsbdmBridgeTest, LibraryStatusFailsTheExchangeWithoutAReply) {
  backend_.status = 5;
  EXPECT_FALSE(osbdm_sendpacket(std::vector<std::uint8_t>{7, 0x34, 1}));
  EXPECT_EQ(osbdm_binding().osbdm_last_error_status, 5);
  EXPECT_TRUE(receive().empty());
}

TEST_F(OsbdmBridgeTest, ClosingAnOpenPortsBoardSendsTheCloseNoticeFirst) {
  static std::vector<std::string>* events = nullptr;
  std::vector<std::string> seen;
  events = &seen;
  set_osbdm_close_notice([] { events->push_back("notice"); });
  port_state().port_open = true;
  osbdm_close_device();
  EXPECT_EQ(seen, std::vector<std::string>{"notice"});
  EXPECT_FALSE(osbdm_binding().osbdm_device_open);
  // Closed already: no second notice.
  osbdm_close_device();
  EXPECT_EQ(seen.size(), 1u);
}

struct StemCase {
  std::uint8_t target;
  std::uint8_t firmware_type;
  std::uint8_t osbdm_id;
  const char* stem;
};

TEST(OsbdmFirmwareStem, FollowsTargetFirmwareTypeAndId) {
  const StemCase cases[] = {
      {0, 0, 0, "osbdmens_generic_cfv234.*"}, {0, 1, 0, "osbdmens_embedded_cfv234.*"},
      {1, 1, 0, "osbdmens_cfv1.*"},           {2, 1, 0, "osbdmens_s08.*"},
      {2, 1, 6, "Architecture_Not_Supported.*"}, {3, 1, 6, "Architecture_Not_Supported.*"},
      {3, 1, 5, "osbdmens_rs08.*"},          {4, 1, 6, "osbdmens_s12.*"},
      {5, 0, 0, "osbdmens_dsc.*"},           {6, 1, 0, "Architecture_Not_Supported.*"},
      {7, 1, 0, "osbdmens_arm.*"},           {8, 1, 0, "osbdmens_eppc.*"},
      {9, 1, 0, "osbdmens_s12z.*"},          {10, 1, 0, "Architecture_Not_Supported.*"},
  };
  for (const StemCase& c : cases) {
    reset_osbdm_binding();
    OsbdmVersionBytes& version = osbdm_binding().osbdm_version_info;
    version[osbdm_version::TARGET_TYPE] = c.target;
    version[osbdm_version::FIRMWARE_TYPE] = c.firmware_type;
    version[osbdm_version::OSBDM_ID] = c.osbdm_id;
    EXPECT_EQ(osbdm_firmware_stem(), c.stem) << int{c.target} << "/" << int{c.firmware_type} << "/" << int{c.osbdm_id};
  }
}

TEST_F(OsbdmBindingTest, BootloaderCallsReachTheBoardsFlash) {
  start(bootloader_board);
  load_and_list();
  ASSERT_TRUE(osbdm_bootloader_open_device_in_bootloader_mode());
  const std::vector<std::uint8_t> data{1, 2, 3};
  EXPECT_TRUE(osbdm_bootloader_erase_flash_block(0x8000, 0xFFFF));
  EXPECT_TRUE(osbdm_bootloader_program_flash_block(0x8000, data));
  EXPECT_TRUE(osbdm_bootloader_verify_flash_block(0x8000, data));
  EXPECT_FALSE(osbdm_bootloader_verify_flash_block(0x8001, data));
  world_->osbdm_boards().board(0).config.faults.refuse_erase = true;
  EXPECT_FALSE(osbdm_bootloader_erase_flash_block(0x8000, 0xFFFF));
  osbdm_bootloader_close_device();
}

TEST_F(OsbdmBindingTest, BoardsFlashOutlivesTheWorldInItsStateFile) {
  const test::TempDir dir;
  const std::string scenario = std::string(bootloader_board) + "state_file = " + dir.file("board.state") + "\n";
  const std::vector<std::uint8_t> data{0xA5, 0x5A};
  start(scenario);
  load_and_list();
  ASSERT_TRUE(osbdm_bootloader_open_device_in_bootloader_mode());
  EXPECT_TRUE(osbdm_bootloader_program_flash_block(0xC000, data));
  EXPECT_FALSE(osbdm_bootloader_program_flash_block(0xFFFF, data));
  TearDown();

  start(scenario);
  load_and_list();
  ASSERT_TRUE(osbdm_bootloader_open_device_in_bootloader_mode());
  EXPECT_TRUE(osbdm_bootloader_verify_flash_block(0xC000, data));
  TearDown();
}

TEST_F(OsbdmBindingTest, ABoardAnswersTheVersionItsImageCarriesAfterTheJumperAndInItsStateFile) {
  const test::TempDir dir;
  const std::string scenario = std::string(debug_board) + "state_file = " + dir.file("board.state") + "\n";
  const std::vector<std::uint8_t> version{1, 1, 40, 2, 0, 1, 0, 0};
  start(scenario);
  load_and_list();
  ASSERT_EQ(osbdm_binding().devices[0].name, "Embedded S08 OSBDM/OSJTAG Device (Firmware Version 31.2)");
  // Without the jumper the board runs its firmware: no bootloader answers.
  EXPECT_FALSE(osbdm_bootloader_open_device_in_bootloader_mode());
  world_->osbdm_boards().set_jumper(0, true);
  ASSERT_TRUE(osbdm_bootloader_open_device_in_bootloader_mode());
  ASSERT_TRUE(osbdm_bootloader_erase_flash_block(0xFA00, 0xFBFF));
  ASSERT_TRUE(osbdm_bootloader_program_flash_block(sim::SimOsbdmBoards::version_address, version));
  world_->osbdm_boards().set_jumper(0, false);
  // Replugged, the board dropped the bootloader's handle.
  EXPECT_FALSE(osbdm_bootloader_verify_flash_block(sim::SimOsbdmBoards::version_address, version));
  osbdm_enumerate_usb_devices();
  EXPECT_EQ(osbdm_binding().devices[0].name, "Embedded S08 OSBDM/OSJTAG Device (Firmware Version 40.1)");
  TearDown();

  start(scenario);
  load_and_list();
  ASSERT_EQ(osbdm_number_of_devices(), 1);
  EXPECT_EQ(osbdm_binding().devices[0].name, "Embedded S08 OSBDM/OSJTAG Device (Firmware Version 40.1)");
  TearDown();
}

}  // namespace
}  // namespace vx
