// Damaged firmware files through the updater's window: the Universal's update
// and a board's bootloader update refuse each of them before anything is
// erased, and the window ends in Failure with the device as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "fwupdate/firmware_records.h"
#include "loaders/firmware_scrambling.h"
#include "platform/ws/color.h"
#include "selection_window.h"
#include "tests/fwupdate/damaged_firmware.h"

namespace vx::updater {
namespace {

using test_support::example_file;
using test_support::SelectionWindowTest;

const std::string refused = "Cant find Update file. Firmware update failed. Retry?";

TEST_F(SelectionWindowTest, TheUniversalRefusesADamagedFileBeforeItsBoot) {
  for (const vx::test::Damage& damage : vx::test::firmware_damages()) {
    SCOPED_TRACE(damage.what);
    std::string error;
    ASSERT_TRUE(tools::write_firmware_file(damage.apply(example_file("universal.s19")), dir_.path().string(),
                                           "usbqxfs20armens", "6.20", error))
        << error;
    start();
    user_.messages.clear();
    sim::Pod& pod = world_->pod(0);
    const std::vector<std::uint8_t> before = pod.flash_image();
    pod.keep_wire_log(true);
    press(window_->UpdateFirmwareButton());
    EXPECT_EQ(user_.messages, std::vector<std::string>{refused});
    EXPECT_EQ(window_->ResultLabel().caption(), "Last Result = Failure");
    EXPECT_EQ(window_->color(), ws::color::maroon);
    EXPECT_EQ(pod.flash_image(), before);
    EXPECT_EQ(pod.running_version(), (sim::FirmwareVersion{5, 10}));
    const auto& wire = pod.wire_log();
    EXPECT_TRUE(std::none_of(wire.begin(), wire.end(), [](const auto& entry) {
      return entry.command.size() >= 2 && entry.command[0] == 7 && entry.command[1] == 128 + 15;
    })) << "never booted into its original firmware";
    TearDown();
    SetUp();
  }
}

// The example's plain file refuses with the reading's own text. A scrambled file that is damaged
// is read again plain, as a file whose scrambled reading had nothing for the board; that reading
// decides, and it has nothing either.
TEST_F(SelectionWindowTest, ABoardRefusesADamagedFileInEitherFormBeforeItsErase) {
  const std::string nothing = "ERROR - No data to program! Firmware update failed. Retry?";
  for (const bool scrambled : {false, true}) {
    for (const vx::test::Damage& damage : vx::test::firmware_damages()) {
      SCOPED_TRACE(std::string(damage.what) + (scrambled ? ", scrambled" : ", plain"));
      const std::string text = damage.apply(example_file("osbdm_s08.s19"));
      const std::vector<std::uint8_t> scrambled_bytes = loaders::scramble_firmware_text(text);
      std::ofstream(dir_.file("osbdmens_s08.400"), std::ios::binary)
          << (scrambled ? std::string(scrambled_bytes.begin(), scrambled_bytes.end()) : text);
      start("[time]\nmode = virtual\n[osbdm 1]\nmode = bootloader\n");
      sim::SimOsbdmBoards& boards = world_->osbdm_boards();
      const auto before = boards.board(0).memory;
      user_.messages.clear();
      choose_hardware(2);
      choose_architecture(7);
      boards.clear_log();
      press(window_->UpdateFirmwareButton());
      EXPECT_EQ(user_.messages, std::vector<std::string>{scrambled ? nothing : refused});
      EXPECT_EQ(window_->ResultLabel().caption(), "Last Result = Failure");
      EXPECT_EQ(boards.board(0).memory, before);
      const std::vector<std::string>& log = boards.log();
      EXPECT_TRUE(std::none_of(log.begin(), log.end(), [](const std::string& call) {
        return call.starts_with("erase") || call.starts_with("program");
      }));
      TearDown();
      SetUp();
    }
  }
}

TEST(FirmwareRecords, OneAddressWithTwoValuesIsAConflictAndIdenticalDuplicatesAreNot) {
  using fwupdate::FirmwareRecord;
  struct Case {
    const char* what;
    std::vector<FirmwareRecord> records;
    bool conflict;
  };
  const Case cases[] = {
      {"apart", {{0x8000, {1, 2}}, {0x8002, {3}}}, false},
      {"an identical duplicate", {{0x8000, {1, 2, 3}}, {0x8001, {2, 3}}}, false},
      {"an overlap with another byte", {{0x8000, {1, 2, 3}}, {0x8002, {4}}}, true},
  };
  for (const Case& c : cases) EXPECT_EQ(fwupdate::records_conflict(c.records), c.conflict) << c.what;
}

}  // namespace
}  // namespace vx::updater
