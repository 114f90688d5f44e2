// The updater's update as the window runs it, seen on the simulated devices' side.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "fwupdate/object_walk.h"
#include "loaders/debug_context.h"
#include "platform/ws/color.h"
#include "selection_window.h"

namespace vx::updater {
namespace {

using test_support::example_file;
using test_support::SelectionWindowTest;

using Command = std::vector<std::uint8_t>;

// A Universal's firmware-control sub-commands carry its base of 128.
const Command boot_original{7, 128 + 15}, boot_updated{7, 128 + 16};

bool is_shift_speed(const sim::WireRecord& record) {
  return record.command.size() == 3 && record.command[0] == 7 && record.command[1] == 10;
}

class UpdaterUpdateTest : public SelectionWindowTest {
 protected:
  // The example bench's Universal updated from the window, its pod's wire log kept.
  const std::vector<sim::WireRecord>& update_the_universal() {
    put_interface_files();
    start();
    sim::Pod& pod = world_->pod(0);
    pod.keep_wire_log(true);
    press(window_->UpdateFirmwareButton());
    EXPECT_EQ(window_->ResultLabel().caption(), "Last Result = Success");
    return pod.wire_log();
  }
};

// The Universal on WinDriver re-attaches after either boot command: the next exchange waits 2 s.
// The flash programmer's loader for older 5.x firmware never reaches it (its original firmware is 5.00).
TEST_F(UpdaterUpdateTest, EachBootCommandIsFollowedByTheWinDriverWait) {
  const std::vector<sim::WireRecord>& log = update_the_universal();
  for (const Command& boot : {boot_original, boot_updated}) {
    const auto sent = std::find_if(log.begin(), log.end(), [&](const sim::WireRecord& r) { return r.command == boot; });
    ASSERT_NE(sent, log.end());
    ASSERT_NE(sent + 1, log.end());
    EXPECT_GE((sent + 1)->answered_ns - sent->answered_ns, 2'000'000'000u) << int(boot[1]);
  }
  EXPECT_TRUE(std::none_of(log.begin(), log.end(), [](const sim::WireRecord& r) { return r.command.front() == 3; }))
      << "no code is run in the interface";
}

// The window's own reset sets the shift speed; the resets inside the update leave it alone.
TEST_F(UpdaterUpdateTest, ResetsInsideAnUpdateSendNoShiftSpeed) {
  const std::vector<sim::WireRecord>& log = update_the_universal();
  const auto update_start =
      std::find_if(log.begin(), log.end(), [](const sim::WireRecord& r) { return r.command == boot_original; });
  ASSERT_NE(update_start, log.end());
  EXPECT_TRUE(std::any_of(log.begin(), update_start, is_shift_speed));
  EXPECT_TRUE(std::none_of(update_start, log.end(), is_shift_speed));
  EXPECT_FALSE(firmware_update_link().busy);
}

// A board plugged in after an update is listed and opened on "Refresh list of devices", no restart needed.
TEST_F(UpdaterUpdateTest, ABoardPluggedInAfterAnUpdateOpensAfterARefresh) {
  put_interface_files();
  put_board_file();
  std::string bench = example_file("bench.ini");
  bench = bench.substr(0, bench.find("[interface 2]"));
  // Plugged in after the listings of the start, the update and the choice of the board type.
  start(bench + "[osbdm 1]\nmode = debug\nversion = 1,1,31,2,1,2,0,0\nplugged_in_after = 10\n");
  press(window_->UpdateFirmwareButton());
  ASSERT_EQ(window_->ResultLabel().caption(), "Last Result = Success");
  choose_hardware(2);
  EXPECT_TRUE(window_->device_rows().empty()) << "not plugged in yet";

  sim::SimOsbdmBoards& boards = world_->osbdm_boards();
  user_.confirmations = {platform::result_ok, platform::result_ok};
  user_.at_the_hardware = [&boards](const std::string& question, platform::DialogResult) {
    boards.set_jumper(0, question.starts_with("The embedded firmware needs to be in bootloader mode"));
  };
  press(window_->RefreshButton());
  ASSERT_EQ(window_->device_rows().size(), 1u);
  EXPECT_EQ(window_->device_rows()[0].port, 22);
  press(window_->UpdateFirmwareButton());
  EXPECT_EQ(window_->ResultLabel().caption(), "Last Result = Success");
  EXPECT_EQ(user_.messages.size(), 2u) << user_.messages.front();
  EXPECT_NE(window_->device_rows()[0].text.view().find("(Firmware Version 32.0)"), std::string::npos);
}

// On the example bench one board already waits in its bootloader: choosing the other one stops
// the update before anything is erased, and neither board is written.
TEST_F(UpdaterUpdateTest, TheDebugBoardBesideAWaitingBootloaderIsRefused) {
  put_board_file();
  start();
  choose_hardware(2);
  ASSERT_EQ(window_->device_rows().size(), 2u);
  ASSERT_EQ(window_->SelectDeviceCombobox().item_index(), 0);
  ASSERT_EQ(window_->SelectDeviceCombobox().text().find("Bootloader"), std::string::npos);
  sim::SimOsbdmBoards& boards = world_->osbdm_boards();
  const auto first = boards.board(0).memory, second = boards.board(1).memory;
  boards.clear_log();
  press(window_->UpdateFirmwareButton());
  EXPECT_EQ(window_->ResultLabel().caption(), "Last Result = Failure");
  EXPECT_EQ(window_->color(), ws::color::maroon);
  EXPECT_EQ(user_.messages, std::vector<std::string>{"Another OSBDM/OSJTAG board is already in bootloader mode. "
                                                     "Unplug it, then update this board again. Firmware update "
                                                     "failed. Retry?"});
  const std::vector<std::string>& log = boards.log();
  EXPECT_TRUE(std::none_of(log.begin(), log.end(), [](const std::string& call) {
    return call.starts_with("erase") || call.starts_with("program");
  }));
  EXPECT_EQ(boards.board(0).memory, first);
  EXPECT_EQ(boards.board(1).memory, second);
}

// The updater's start keeps loaded records in arrival order: a file is sorted once, on its first walk.
TEST_F(UpdaterUpdateTest, TheUpdatersLoadingSortsOnTheFirstWalk) {
  start();
  const std::array<std::uint8_t, 2> bytes{1, 2};
  for (const std::int32_t address : {0x2000, 0x1000}) {
    ASSERT_TRUE(loaders::PUT_OBJECT_RECORD(address, bytes.size(), bytes.data()));
  }
  loaders::ObjectRecordStore& store = loaders::get_object_record_list();
  EXPECT_EQ(store.head()->address, 0x2000);
  EXPECT_TRUE(store.unsorted());
  EXPECT_EQ(fwupdate::sorted_object_record_head_bank1()->address, 0x1000);
  EXPECT_FALSE(store.unsorted());
}

}  // namespace
}  // namespace vx::updater
