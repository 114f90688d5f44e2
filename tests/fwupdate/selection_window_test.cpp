#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "fwupdate/flash_update.h"
#include "loaders/firmware_scrambling.h"
#include "platform/ws/color.h"
#include "platform/ws/shell.h"
#include "selection_window.h"

namespace vx::updater {
namespace {

using test_support::example_file;
using test_support::SelectionWindowTest;

constexpr const char* universal_row = "Quorvex Universal Rev C  (Kinetis Configuration)";
constexpr const char* fx_row = "Quorvex Universal FX Rev B  (Kinetis Configuration)";

TEST_F(SelectionWindowTest, OffersTheBoardsOnlyWithABoardFileBesideTheProgram) {
  start();
  EXPECT_EQ(window_->caption(), "Universal Quorvex Firmware Update and Architecture Selection Utility - Version 1.09");
  EXPECT_EQ(window_->HarwareTypeComboBox().item_count(), 2);
  TearDown();
  SetUp();
  put_board_file("OSBDMENS_S12.x");
  start();
  EXPECT_EQ(window_->caption(), "Quorvex/Osbdm Firmware Update and Architecture Selection Utility - Version 1.09");
  ASSERT_EQ(window_->HarwareTypeComboBox().item_count(), 3);
  EXPECT_EQ(window_->HarwareTypeComboBox().items()[2],
            "OSBDM/OSJTAG - Embedded debug circuitry in Freescale Tower boards");
}

TEST_F(SelectionWindowTest, ListsTheUniversalAndPreselectsItsConfiguration) {
  put_interface_files();
  start();
  ASSERT_EQ(window_->device_rows().size(), 1u) << "the FX and the FTDI interface are not Universals";
  EXPECT_EQ(window_->SelectDeviceCombobox().items(), std::vector<std::string>{universal_row});
  EXPECT_EQ(window_->device_rows()[0].port, 21);
  EXPECT_TRUE(window_->QuorvexUniversalImage().visible());
  EXPECT_FALSE(window_->QuorvexUniversalFxImage().visible());
  EXPECT_EQ(window_->SelectArchitectureComboBox().text(), "Kinetis");
  EXPECT_TRUE(window_->FirmwareFileSelectionPanel().visible());
  EXPECT_EQ(window_->AutomaticFirmwareNameLabel().caption(), "usbqxfs20armens.620");
  EXPECT_EQ(window_->ResultLabel().caption(), "Ready");

  choose_hardware(1);
  EXPECT_EQ(window_->SelectDeviceCombobox().items(), std::vector<std::string>{fx_row});
  EXPECT_EQ(window_->device_rows()[0].port, 22);
  EXPECT_EQ(window_->AutomaticFirmwareNameLabel().caption(), "usbqxfx20armens.620");
}

TEST_F(SelectionWindowTest, UpdatesTheUniversalAndTheFxEndToEnd) {
  put_interface_files();
  start();
  struct Case {
    int hardware;
    std::size_t pod;
    const char* file;
  };
  for (const Case& c : {Case{0, 0, "universal.s19"}, Case{1, 1, "universal-fx.s19"}}) {
    SCOPED_TRACE(c.file);
    choose_hardware(c.hardware);
    press(window_->UpdateFirmwareButton());
    EXPECT_EQ(window_->ResultLabel().caption(), "Last Result = Success");
    EXPECT_EQ(window_->color(), ws::color::green);
    EXPECT_TRUE(window_->UpdateFirmwareButton().enabled());
    EXPECT_TRUE(user_.messages.empty()) << user_.messages.front();
    sim::Pod& pod = world_->pod(c.pod);
    EXPECT_EQ(pod.running_version(), (sim::FirmwareVersion{6, 20}));
    const std::vector<std::uint8_t> block = pod.flash_image();
    EXPECT_EQ(block.at(0x3FFE), 0x88);
    EXPECT_TRUE(pod.memory().key_and_checksum_hold(pod.memory().update_block()));
    EXPECT_EQ(std::string(block.begin() + 0x58, block.begin() + 0x5C), "6.20");
    EXPECT_TRUE(pod.violations().empty()) << pod.violations().front();
    // The list is built anew: the first device step preselected again, the file steps shown for it.
    EXPECT_EQ(window_->SelectDeviceCombobox().item_index(), 0);
    EXPECT_FALSE(fwupdate::firmware_request().use_explicit_file);
  }
  // The FX's logic arrays came from its file: byte n of the logic data is n x 11 + 1.
  EXPECT_EQ(world_->pod(1).fx_logic().main_array().at(0), 0x010C);
  EXPECT_EQ(world_->pod(1).fx_logic().main_array().at(1), 0x1722);
  EXPECT_TRUE(world_->pod(0).fx_logic().packets().empty());
  EXPECT_FALSE(progress_->currentfirmwarelabel().visible());
}

TEST_F(SelectionWindowTest, AfterAnUpdateTheLaterStepsWaitForTheNextDeviceStep) {
  put_interface_files();
  start();
  choose_device(0);  // a second device step after the rebuild preselects nothing
  EXPECT_EQ(window_->SelectArchitectureComboBox().item_index(), -1);
  EXPECT_TRUE(window_->SelectArchitecturePanel().visible());
  window_->RefreshButtonClick();
  EXPECT_EQ(window_->SelectArchitectureComboBox().text(), "Kinetis");
}

TEST_F(SelectionWindowTest, FailuresSayWhatWentWrong) {
  put_interface_files();
  start();
  // The HC16/683xx row has no Universal file.
  choose_architecture(5);
  EXPECT_EQ(window_->AutomaticFirmwareNameLabel().caption(), "Not Found");
  press(window_->UpdateFirmwareButton());
  EXPECT_EQ(user_.messages, std::vector<std::string>{"Error - no firmware file selected."});
  EXPECT_EQ(window_->ResultLabel().caption(), "Ready") << "nothing ran";
  EXPECT_EQ(window_->color(), ws::color::button_face);
  EXPECT_TRUE(window_->UpdateFirmwareButton().enabled());

  // The file went away after it was chosen.
  user_.messages.clear();
  choose_architecture(2);
  std::filesystem::remove(dir_.file("usbqxfs20armens.620"));
  press(window_->UpdateFirmwareButton());
  EXPECT_EQ(window_->ResultLabel().caption(), "Last Result = Failure");
  EXPECT_EQ(window_->color(), ws::color::maroon);
  EXPECT_EQ(world_->pod(0).running_version(), (sim::FirmwareVersion{5, 10}));
}

TEST_F(SelectionWindowTest, AnUpdateThatFailsEndsInFailureAfterTheRetryIsDeclined) {
  put_interface_files();
  std::string bench = test_support::example_file("bench.ini");
  bench.insert(bench.find("universal = yes\n") + 16, "refuse_key = 1\n");
  start(bench);
  press(window_->UpdateFirmwareButton());
  ASSERT_EQ(user_.messages.size(), 1u);
  EXPECT_TRUE(user_.messages[0].ends_with(" Firmware update failed. Retry?")) << user_.messages[0];
  EXPECT_EQ(window_->ResultLabel().caption(), "Last Result = Failure");
  EXPECT_EQ(window_->color(), ws::color::maroon);
  EXPECT_TRUE(window_->UpdateFirmwareButton().enabled());
}

TEST_F(SelectionWindowTest, AnInterfaceThatDoesNotAnswerCannotBeConnected) {
  put_interface_files();
  start();
  world_->pod(0).inject(sim::PodFault::no_ack);
  press(window_->UpdateFirmwareButton());
  EXPECT_EQ(user_.messages, std::vector<std::string>{"Error connecting to hardware."});
  EXPECT_EQ(window_->ResultLabel().caption(), "Last Result = Failure");
  EXPECT_EQ(window_->color(), ws::color::maroon);
  EXPECT_TRUE(window_->UpdateFirmwareButton().enabled());
  EXPECT_FALSE(fwupdate::firmware_request().use_explicit_file);
}

TEST_F(SelectionWindowTest, WithoutDevicesTheWindowSaysHowToFindThem) {
  start("[time]\nmode = virtual\n");
  EXPECT_FALSE(window_->SelectDeviceCombobox().visible());
  EXPECT_TRUE(window_->PortValueInterfaceLabel().visible());
  EXPECT_EQ(window_->PortValueInterfaceLabel().caption(),
            "Undetected. Disconnect/Connect USB cable. Click Refresh List.");
  EXPECT_FALSE(window_->SelectArchitecturePanel().visible());
  EXPECT_FALSE(window_->UpdateFirmwareButton().visible());
  window_->UpdateFirmwareButtonClick();
  EXPECT_TRUE(user_.messages.empty()) << "no device, no update";
}

TEST_F(SelectionWindowTest, AManualFileMustSuitTheHardwareAndStaysWhileItsPatternDoes) {
  put_interface_files();
  std::ofstream(dir_.file("other.620")) << "S9030000FC\r\n";
  start();
  user_.files = {dir_.file("other.620")};
  window_->ManualFirmwareSelectButtonClick();
  EXPECT_EQ(user_.messages, std::vector<std::string>{"The firmware file selected is not valid for this hardware."});
  EXPECT_TRUE(window_->manual_firmware_file().empty());
  ASSERT_EQ(user_.file_dialogs.size(), 1u);
  EXPECT_EQ(user_.file_dialogs[0].title, "Specify Quorvex Kinetis Firmware File");
  EXPECT_EQ(user_.file_dialogs[0].filter, "VLX Quorvex Firmware (usbqxfs20armens.??" "?) | usbqxfs20armens.???");

  user_.files = {dir_.file("usbqxfs20armens.620")};
  window_->ManualFirmwareSelectButtonClick();
  EXPECT_EQ(window_->manual_firmware_file(), dir_.file("usbqxfs20armens.620"));
  EXPECT_TRUE(window_->ManualFirmwareRadiobutton().checked());
  EXPECT_EQ(window_->ManualFirmwareNameLabel().caption(), "usbqxfs20armens.620");
  choose_architecture(2);  // the same pattern keeps the choice
  EXPECT_TRUE(window_->ManualFirmwareRadiobutton().checked());
  EXPECT_FALSE(window_->manual_firmware_file().empty());
  choose_architecture(1);  // another discards it
  EXPECT_TRUE(window_->manual_firmware_file().empty());
  EXPECT_TRUE(window_->AutomaticFirmwareRadiobutton().checked());
  EXPECT_EQ(window_->ManualFirmwareNameLabel().caption(), "Unselected");
}

TEST_F(SelectionWindowTest, TheHc16RowFindsFilesOnlyForTheFx) {
  put_interface_files();
  std::ofstream(dir_.file("usbqxfx201632ens.610")) << "S9030000FC\r\n";
  start();
  choose_architecture(5);
  EXPECT_EQ(window_->AutomaticFirmwareNameLabel().caption(), "Not Found");
  choose_hardware(1);
  choose_architecture(5);
  EXPECT_EQ(window_->AutomaticFirmwareNameLabel().caption(), "usbqxfx201632ens.610");
}

TEST_F(SelectionWindowTest, BoardsAreListedWithTheirArchitecture) {
  put_board_file();
  start();
  choose_hardware(2);
  ASSERT_EQ(window_->device_rows().size(), 2u);
  EXPECT_EQ(window_->device_rows()[1].text, "Embedded OSBDM/OSJTAG Device - Bootloader Mode");
  EXPECT_EQ(window_->device_rows()[0].suggested_architecture, 7);
  EXPECT_EQ(window_->SelectArchitectureComboBox().item_count(), 10);
  EXPECT_EQ(window_->SelectArchitectureComboBox().text(), "S08");
  EXPECT_EQ(window_->AutomaticFirmwareNameLabel().caption(), "osbdmens_s08.400");
  EXPECT_EQ(window_->ManualFirmwareRadiobutton().caption(), "Choose Firmware Update File or S-Record");
  EXPECT_EQ(window_->ManualFirmwareSelectButton().left(), 270);
  EXPECT_TRUE(window_->OSBDMMemo().visible());
}

TEST_F(SelectionWindowTest, LinksOpenTheirPages) {
  put_board_file();
  start();
  ws::reset_shell();
  window_->Label6().click();
  choose_hardware(1);
  window_->Label6().click();
  choose_hardware(2);
  window_->Label6().click();
  window_->Label7().click();
  window_->Image1().click();
  EXPECT_EQ(ws::opened_urls(), (std::vector<std::string>{universal_page, universal_fx_page, osbdm_page, home_page,
                                                         home_page}));
  for (const std::string& url : ws::opened_urls()) EXPECT_NE(url.find(".example/"), std::string::npos);
  // Under the pointer a link shows its white background.
  for (ws::Label* link : {&window_->Label6(), &window_->Label7()}) {
    EXPECT_TRUE(link->transparent());
    link->on_mouse_enter(*link);
    EXPECT_FALSE(link->transparent());
    EXPECT_EQ(link->color(), ws::color::white);
    link->on_mouse_leave(*link);
    EXPECT_TRUE(link->transparent());
  }
}

TEST_F(SelectionWindowTest, ThePanelsTakeTheFormsWidth) {
  start();
  window_->set_bounds(window_->left(), window_->top(), 900, 620);
  const int width = window_->client_rect().width();
  for (ws::Panel* panel : {&window_->Panel1(), &window_->DetectAndSelectDevicePanel(),
                           &window_->SelectArchitecturePanel(), &window_->FirmwareFileSelectionPanel()}) {
    EXPECT_EQ(panel->width(), width);
  }
}

TEST_F(SelectionWindowTest, TheMemosCarryTheirTextsWithTheSingleByteApostrophe) {
  start();
  EXPECT_EQ(window_->QuorvexUniversalMemo().lines().front(),
            "VLX\x92s Quorvex Universal is an all-in-one development interface which");
  EXPECT_EQ(window_->OSBDMMemo().lines().size(), 7u);
  EXPECT_EQ(window_->OSBDMMemo().lines()[4], "");
}

// The example's board image as its S1 records give it.
std::map<std::uint32_t, std::uint8_t> board_file_bytes() {
  std::map<std::uint32_t, std::uint8_t> bytes;
  std::istringstream lines(example_file("osbdm_s08.s19"));
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with("S1")) continue;
    const auto byte_at = [&line](std::size_t k) {
      return static_cast<std::uint8_t>(std::stoul(line.substr(2 + 2 * k, 2), nullptr, 16));
    };
    const std::size_t count = byte_at(0);
    const std::uint32_t address = static_cast<std::uint32_t>(byte_at(1) << 8 | byte_at(2));
    for (std::size_t k = 3; k < count; ++k) bytes[address + static_cast<std::uint32_t>(k - 3)] = byte_at(k);
  }
  return bytes;
}

// A board in either mode, updated from the window: the user fits the jumper at the bootloader
// question (a board already in its bootloader is not asked) and removes it at the run-mode
// question; the board then holds the file in its window and lists the file's version.
TEST_F(SelectionWindowTest, ABoardIsUpdatedThroughItsBootloaderAndListsItsNewVersion) {
  struct Case {
    const char* mode;
    std::deque<platform::DialogResult> answers;
    std::size_t questions;
  };
  const Case cases[] = {{"bootloader", {platform::result_ok}, 1},
                        {"debug", {platform::result_ok, platform::result_ok}, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    put_board_file();
    start(std::string("[time]\nmode = virtual\n[osbdm 1]\nmode = ") + c.mode + "\nversion = 1,1,31,2,1,2,0,0\n");
    sim::SimOsbdmBoards& boards = world_->osbdm_boards();
    const auto before = boards.board(0).memory;
    user_.messages.clear();
    user_.confirmations = c.answers;
    user_.at_the_hardware = [&boards](const std::string& question, platform::DialogResult answer) {
      if (answer != platform::result_ok) return;
      if (question.starts_with("The embedded firmware needs to be in bootloader mode")) boards.set_jumper(0, true);
      if (question.starts_with("The embedded OSJTAG/OSBDM needs to enter run mode")) boards.set_jumper(0, false);
    };
    choose_hardware(2);
    choose_architecture(7);
    boards.clear_log();
    press(window_->UpdateFirmwareButton());
    EXPECT_EQ(window_->ResultLabel().caption(), "Last Result = Success");
    EXPECT_EQ(window_->color(), ws::color::green);
    EXPECT_EQ(user_.messages.size(), c.questions);
    const std::vector<std::string>& log = boards.log();
    EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& call) { return call.starts_with("erase "); }),
              118);
    EXPECT_NE(std::find(log.begin(), log.end(), "erase 10B0-11FF"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "erase FA00-FBFF"), log.end());

    const std::map<std::uint32_t, std::uint8_t> file = board_file_bytes();
    const auto& memory = boards.board(0).memory;
    for (std::uint32_t address = 0; address < sim::SimOsbdmBoards::memory_size; ++address) {
      const bool inside = address >= 0x10B0 && address <= 0xFBFF;
      const auto in_file = file.find(address);
      const std::uint8_t expected = !inside ? before[address] : in_file != file.end() ? in_file->second : 0xFF;
      ASSERT_EQ(memory[address], expected) << std::hex << address;
    }
    ASSERT_FALSE(window_->device_rows().empty());
    EXPECT_NE(window_->device_rows()[0].text.view().find("(Firmware Version 32.0)"), std::string::npos)
        << window_->device_rows()[0].text;
    TearDown();
    SetUp();
  }
}

// A board update that fails names its step in the retry question; declined, the window ends maroon.
TEST_F(SelectionWindowTest, AFailedBoardUpdateNamesItsStepAndEndsInFailure) {
  struct Case {
    const char* knob;
    std::string file;
    const char* last_line;
  };
  // Two bytes at 0xFC00, outside the board's window, in the engine's scrambled form: read
  // either way, nothing lies inside the window.
  const std::vector<std::uint8_t> scrambled = loaders::scramble_firmware_text("S105FC00AA55FF\r\nS9030000FC\r\n");
  const std::string outside_the_window(scrambled.begin(), scrambled.end());
  const Case cases[] = {
      {"refuse_erase = yes\n", example_file("osbdm_s08.s19"), "Flash Erase Failed."},
      {"verify_mismatch = yes\n", example_file("osbdm_s08.s19"),
       "Verifying MCU flash bytes at Address $000010B0 : ERROR!!!!"},
      {"", outside_the_window, "ERROR - No data to program!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.last_line);
    std::ofstream(dir_.file("osbdmens_s08.400"), std::ios::binary) << c.file;
    start(std::string("[time]\nmode = virtual\n[osbdm 1]\nmode = bootloader\n") + c.knob);
    user_.messages.clear();
    choose_hardware(2);
    choose_architecture(7);
    press(window_->UpdateFirmwareButton());
    EXPECT_EQ(user_.messages, std::vector<std::string>{std::string(c.last_line) + " Firmware update failed. Retry?"});
    EXPECT_EQ(window_->ResultLabel().caption(), "Last Result = Failure");
    EXPECT_EQ(window_->color(), ws::color::maroon);
    TearDown();
    SetUp();
  }
}

// Cancel at the bootloader question: nothing is erased, the board is closed, the update failed.
TEST_F(SelectionWindowTest, CancellingTheBootloaderQuestionEndsInFailure) {
  put_board_file();
  start("[time]\nmode = virtual\n[osbdm 1]\nmode = debug\nversion = 1,1,31,2,1,2,0,0\n");
  user_.confirmations = {platform::result_cancel};
  choose_hardware(2);
  choose_architecture(7);
  world_->osbdm_boards().clear_log();
  press(window_->UpdateFirmwareButton());
  EXPECT_EQ(window_->ResultLabel().caption(), "Last Result = Failure");
  EXPECT_EQ(window_->color(), ws::color::maroon);
  const std::vector<std::string>& log = world_->osbdm_boards().log();
  EXPECT_TRUE(std::none_of(log.begin(), log.end(), [](const std::string& call) { return call.starts_with("erase"); }));
  EXPECT_EQ(log.back(), "close");
}

TEST_F(SelectionWindowTest, ABoardInBootloaderModeIsOpenedThroughItsBootloader) {
  put_board_file();
  start("[time]\nmode = virtual\n[osbdm 1]\nmode = bootloader\n");
  choose_hardware(2);
  ASSERT_EQ(window_->SelectDeviceCombobox().text(), "Embedded OSBDM/OSJTAG Device - Bootloader Mode");
  choose_architecture(7);
  world_->osbdm_boards().clear_log();
  press(window_->UpdateFirmwareButton());
  const std::vector<std::string>& log = world_->osbdm_boards().log();
  // Nothing before the bootloader's open but the close of whatever was open: no port load, no reset.
  const auto opened = std::find(log.begin(), log.end(), "bootloader_open 0");
  ASSERT_NE(opened, log.end());
  EXPECT_TRUE(std::all_of(log.begin(), opened, [](const std::string& call) { return call == "close"; }));
  EXPECT_NE(window_->ResultLabel().caption(), "Updating ...");
}

}  // namespace
}  // namespace vx::updater
