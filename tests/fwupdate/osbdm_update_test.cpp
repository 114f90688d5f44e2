#include "fwupdate/osbdm_update.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "foundation/program_units.h"
#include "foundation/run_state.h"
#include "fwupdate/flash_update.h"
#include "fwupdate/osbdm_binding.h"
#include "fwupdate/update_decision.h"
#include "fwupdate/update_progress.h"
#include "fwupdate/updater_link.h"
#include "fwupdate/updater_units.h"
#include "fwupdate/updater_usb_ports.h"
#include "fwupdate/usb_classification.h"
#include "interface/byte_protocol.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/drivers/wdusb_library.h"
#include "interface/firmware_request.h"
#include "interface/firmware_update_link.h"
#include "interface/link_state.h"
#include "interface/port_table.h"
#include "interface/programmer_link.h"
#include "loaders/firmware_scrambling.h"
#include "platform/dialogs.h"
#include "platform/dynlib.h"
#include "platform/osbdm.h"
#include "sim/simulated_world.h"
#include "support/pty_pair.h"
#include "support/recording_list_view.h"
#include "support/temp_dir.h"
#include "tests/fwupdate/programmer_images.h"

namespace vx::fwupdate {
namespace {

using test::Bytes;
using test::ImagePiece;

const std::string bootloader_question_start = "The embedded firmware needs to be in bootloader mode";
const std::string run_mode_question_start = "The embedded OSJTAG/OSBDM needs to enter run mode";

// The user at the board: OK at the bootloader question fits the jumper,
// OK at the run-mode question removes it, each with the cable replugged.
class JumperResponder final : public platform::DialogResponder {
 public:
  explicit JumperResponder(sim::SimOsbdmBoards& boards) : boards_(boards) {}
  std::deque<platform::DialogResult> answers;
  std::vector<std::string> asked;

  // OK answers to the run-mode question given before the user gets round to removing the jumper.
  int run_mode_oks_with_jumper_left = 0;
  // What the user does before answering Yes to a retry.
  std::function<void()> before_retry;

  platform::DialogResult message_box(const platform::MessageDialog& dialog) override {
    asked.push_back(dialog.text);
    const platform::DialogResult answer = answers.empty() ? platform::result_cancel : answers.front();
    if (!answers.empty()) answers.pop_front();
    if (answer == platform::result_ok && dialog.text.starts_with(bootloader_question_start)) boards_.set_jumper(0, true);
    if (answer == platform::result_ok && dialog.text.starts_with(run_mode_question_start) &&
        run_mode_oks_with_jumper_left-- <= 0) {
      boards_.set_jumper(0, false);
    }
    if (answer == platform::result_yes && before_retry) before_retry();
    return answer;
  }
  std::optional<std::string> open_file(const platform::FileOpenDialog&) override { return std::nullopt; }
  platform::DialogResult modal_form(const platform::FormDialog&) override { return platform::result_cancel; }

 private:
  sim::SimOsbdmBoards& boards_;
};

struct RecordingProgress final : UpdateProgressView {
  void show_update_window() override { ++shown; }
  void show_update_status(const ShortText& text) override { lines.push_back(text.str()); }
  void close_update_window(const ShortText& message, const ShortText&) override { endings.push_back(message.str()); }
  int shown = 0;
  std::vector<std::string> lines;
  std::vector<std::string> endings;
};

// New firmware 32.0 for an S08 board: code from the window's start, a table
// higher up, and the version bytes where the board's firmware keeps them.
std::vector<ImagePiece> new_firmware() {
  Bytes version{1, 1, 32, 2, 0, 0, 0, 0};
  return {{0x10B0, test::filler(0x350, 3)}, {0x8000, test::filler(0x120, 9)},
          {sim::SimOsbdmBoards::version_address, version}};
}

constexpr const char* debug_board = "[osbdm 1]\nversion = 1,1,31,2,0,2,0,0\n";

class OsbdmUpdateTest : public testing::Test {
 protected:
  void TearDown() override {
    install_update_progress_view(nullptr);
    platform::install_dialog_responder(previous_responder_);
    responder_.reset();
    updater::stop_updater_usb_ports();
    reset();
    world_.reset();
    platform::reset_dynlib();
  }

  static void reset() {
    reset_units(updater::updater_units());
    reset_run_state();
  }

  // The board listed as port 21 and opened as the updater opens it.
  void start(const std::string& scenario, bool open_port = true) {
    reset();
    progress_ = RecordingProgress{};
    const sim::ScenarioResult loaded = sim::parse_scenario(scenario, ".");
    ASSERT_TRUE(loaded.scenario) << loaded.error;
    world_ = std::make_unique<sim::SimulatedWorld>(*loaded.scenario);
    responder_ = std::make_unique<JumperResponder>(world_->osbdm_boards());
    previous_responder_ = platform::install_dialog_responder(responder_.get());
    install_update_progress_view(&progress_);
    run_state().program_directory = dir_.path().string();
    updater::start_updater_usb_ports();
    port_table().ethernet_scan_enabled = false;
    SCAN_PORTS();
    if (open_port) {
      ASSERT_TRUE(LOAD_PORT_DRIVER(21));
    } else {
      updater::updater_usb_ports().usb_device_family = updater::UpdaterUsbPorts::family_osbdm;
    }
    link_state().interface_class = InterfaceClass::usb_interface;
    link_state().link_status = LinkState::reload_start;
    reset_update_decision(EngineBuild::updater);
    update_decision().steps = &flash_update_engine();
    firmware_request().update_link_kind = usb_link;
  }

  void choose(const std::string& text, bool scrambled) {
    const std::string name = (dir_.path() / "osbdmens_s08.3200").string();
    std::ofstream out(name, std::ios::binary);
    const Bytes bytes = scrambled ? loaders::scramble_firmware_text(text) : Bytes(text.begin(), text.end());
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    update_decision().update_file_name = ShortText(name);
    update_decision().update_file_version = 3200;
  }

  sim::SimOsbdmBoards::Board& board() { return world_->osbdm_boards().board(0); }
  std::size_t calls_starting(const std::string& start) const {
    const std::vector<std::string>& log = world_->osbdm_boards().log();
    return static_cast<std::size_t>(
        std::count_if(log.begin(), log.end(), [&](const std::string& l) { return l.starts_with(start); }));
  }
  bool has_line(const std::string& line) const {
    return std::find(progress_.lines.begin(), progress_.lines.end(), line) != progress_.lines.end();
  }

  test::TempDir dir_;
  test::ScopedStatusOutput status_;
  test::ScopedSerialMapping registry_;
  std::unique_ptr<sim::SimulatedWorld> world_;
  std::unique_ptr<JumperResponder> responder_;
  platform::DialogResponder* previous_responder_ = nullptr;
  RecordingProgress progress_;
};

TEST_F(OsbdmUpdateTest, TheWindowKeepsTheBytesInsideItAndCutsRecordsAtItsEdges) {
  struct Case {
    std::uint32_t address;
    std::size_t length;
    std::uint32_t kept_address;  // 0: nothing kept
    std::size_t kept_length;
  };
  const Case cases[] = {
      {0x1000, 0x80, 0, 0},          {0x1000, 0x100, 0x10B0, 0x50}, {0x10B0, 0x10, 0x10B0, 0x10},
      {0xFBF8, 0x10, 0xFBF8, 0x08},  {0xFC00, 0x10, 0, 0},          {0xFFFFFFF8, 0x10, 0, 0},
      {0x0F00, 0xF000, 0x10B0, 0xEB50},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    const FirmwareRecord record{c.address, test::filler(c.length, 1)};
    const std::vector<FirmwareRecord> kept = osbdm_window_records(std::span(&record, 1));
    if (c.kept_address == 0) {
      EXPECT_TRUE(kept.empty());
      continue;
    }
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].address, c.kept_address);
    const auto from = record.bytes.begin() + (c.kept_address - c.address);
    EXPECT_EQ(kept[0].bytes, Bytes(from, from + static_cast<std::ptrdiff_t>(c.kept_length)));
  }
}

TEST_F(OsbdmUpdateTest, ADebugModeBoardIsUpdatedThroughItsBootloaderFromEitherFileForm) {
  for (const bool scrambled : {true, false}) {
    SCOPED_TRACE(scrambled);
    start(debug_board);
    // Outside the window the board keeps what it has.
    std::fill(board().memory.begin(), board().memory.begin() + 0x10B0, std::uint8_t{0x5A});
    std::fill(board().memory.begin() + 0xFC00, board().memory.end(), std::uint8_t{0xA5});
    std::fill(board().memory.begin() + 0x2000, board().memory.begin() + 0x3000, std::uint8_t{0x11});
    const Bytes before(board().memory.begin(), board().memory.end());
    choose(test::s3_records(new_firmware()), scrambled);
    responder_->answers = {platform::result_ok, platform::result_ok};

    EXPECT_TRUE(flash_update_engine().update_cable_firmware());

    EXPECT_EQ(progress_.endings, std::vector<std::string>{"Firmware update successful."});
    ASSERT_EQ(responder_->asked.size(), 2u);
    EXPECT_TRUE(responder_->asked[0].starts_with(bootloader_question_start));
    EXPECT_TRUE(responder_->asked[1].starts_with(run_mode_question_start));
    EXPECT_EQ(calls_starting("erase "), 118u);
    EXPECT_EQ(calls_starting("erase 10B0-11FF"), 1u);
    EXPECT_EQ(calls_starting("erase FA00-FBFF"), 1u);
    EXPECT_TRUE(has_line("Erasing Address $0000FA00"));
    EXPECT_EQ(std::count(progress_.lines.begin(), progress_.lines.end(), "Success."), scrambled ? 2 : 3);
    EXPECT_TRUE(has_line("Programming MCU flash bytes at Address $000010B0 : Success."));
    EXPECT_TRUE(has_line("Verifying MCU flash bytes at Address $0000FBF0 : Success."));
    EXPECT_TRUE(has_line("All steps completed successfully."));

    Bytes expected = before;
    std::fill(expected.begin() + osbdm_window_first, expected.begin() + osbdm_window_last + 1, std::uint8_t{0xFF});
    for (const ImagePiece& piece : new_firmware()) std::copy(piece.bytes.begin(), piece.bytes.end(), expected.begin() + piece.address);
    EXPECT_EQ(Bytes(board().memory.begin(), board().memory.end()), expected);

    // Back in debug mode under its new version.
    EXPECT_TRUE(osbdm_binding().osbdm_device_open);
    EXPECT_EQ(osbdm_binding().devices[0].name, "Embedded S08 OSBDM/OSJTAG Device (Firmware Version 32.0)");
    TearDown();
  }
}

TEST_F(OsbdmUpdateTest, ABoardAlreadyInItsBootloaderIsUpdatedWithoutTheFirstQuestion) {
  start("[osbdm 1]\nmode = bootloader\nversion = 1,1,31,2,0,2,0,0\n", false);
  choose(test::s3_records(new_firmware()), true);
  responder_->answers = {platform::result_ok};
  EXPECT_TRUE(flash_update_engine().update_cable_firmware());
  ASSERT_EQ(responder_->asked.size(), 1u);
  EXPECT_TRUE(responder_->asked[0].starts_with(run_mode_question_start));
  EXPECT_EQ(osbdm_number_of_devices(), 1);
  EXPECT_EQ(osbdm_binding().devices[0].name, "Embedded S08 OSBDM/OSJTAG Device (Firmware Version 32.0)");
  EXPECT_TRUE(osbdm_binding().osbdm_device_open);
}

TEST_F(OsbdmUpdateTest, CancelAtEitherQuestionClosesTheBoardAndDropsTheLink) {
  struct Case {
    std::deque<platform::DialogResult> answers;
    bool result;
    std::vector<std::string> lines;  // the first lines
    const char* ending;
  };
  const Case cases[] = {
      {{platform::result_cancel}, false, {"Error. Check Port, Power, and Connections."}, "Firmware update failed."},
      {{platform::result_ok, platform::result_cancel}, true, {"", "Booting OSBDM to bootloader (please wait) ... "},
       "Firmware update successful."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answers.size());
    start(debug_board);
    choose(test::s3_records(new_firmware()), true);
    responder_->answers = c.answers;
    EXPECT_EQ(flash_update_engine().update_cable_firmware(), c.result);
    ASSERT_GE(progress_.lines.size(), c.lines.size());
    EXPECT_EQ(std::vector<std::string>(progress_.lines.begin(), progress_.lines.begin() + c.lines.size()), c.lines);
    EXPECT_EQ(progress_.endings, std::vector<std::string>{c.ending});
    EXPECT_FALSE(osbdm_binding().osbdm_device_open);
    EXPECT_EQ(link_state().link_status, 0u);
    TearDown();
  }
}

TEST_F(OsbdmUpdateTest, EachFailureEndsTheAttemptOnceWithItsLine) {
  struct Case {
    const char* what;
    std::string fault;
    std::vector<ImagePiece> firmware;
    bool file_present;
    bool scrambled;
    std::string line;
    bool link_dropped;
  };
  const Case cases[] = {
      {"refused erase", "refuse_erase = yes\n", new_firmware(), true, true, "Flash Erase Failed.", true},
      {"refused program", "refuse_program = yes\n", new_firmware(), true, true,
       "Programming MCU flash bytes at Address $000010B0 : ERROR!!!!", false},
      {"verify mismatch", "verify_mismatch = yes\n", new_firmware(), true, true,
       "Verifying MCU flash bytes at Address $000010B0 : ERROR!!!!", false},
      {"nothing in the window", "", {{0xFC00, test::filler(0x40, 2)}, {0x1000, test::filler(0xB0, 2)}}, true, false,
       "ERROR - No data to program!", true},
      {"no file", "", {}, false, true, "Cant find Update file.", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    start(debug_board + c.fault);
    if (c.file_present) {
      choose(test::s3_records(c.firmware), c.scrambled);
    } else {
      update_decision().update_file_name = ShortText((dir_.path() / "osbdmens_s08.3300").string());
      update_decision().update_file_version = 3200;
    }
    responder_->answers = {platform::result_ok, platform::result_ok};
    EXPECT_FALSE(flash_update_engine().update_cable_firmware());
    ASSERT_FALSE(progress_.lines.empty());
    EXPECT_EQ(progress_.lines.back(), c.line);
    EXPECT_EQ(progress_.endings, std::vector<std::string>{"Firmware update failed."});
    // The failure ending's reset cannot reach a board in its bootloader either.
    if (c.link_dropped) {
      EXPECT_EQ(link_state().link_status, 0u);
    }
    EXPECT_EQ(responder_->asked.size(), 1u);
    TearDown();
  }
}

TEST_F(OsbdmUpdateTest, ARecordOverTheWindowsEdgeHasOnlyItsInsideBytesWritten) {
  start(debug_board);
  std::fill(board().memory.begin(), board().memory.begin() + 0x10B0, std::uint8_t{0x5A});
  const Bytes low = test::filler(0x200, 4), high = test::filler(0x20, 6);
  choose(test::s3_records({{0x1000, low}, {0xFBF0, high}}), true);
  responder_->answers = {platform::result_ok, platform::result_ok};
  EXPECT_TRUE(flash_update_engine().update_cable_firmware());
  EXPECT_TRUE(std::all_of(board().memory.begin() + 0x1000, board().memory.begin() + 0x10B0,
                          [](std::uint8_t b) { return b == 0x5A; }));
  EXPECT_TRUE(std::equal(low.begin() + 0xB0, low.end(), board().memory.begin() + 0x10B0));
  EXPECT_TRUE(std::equal(high.begin(), high.begin() + 0x10, board().memory.begin() + 0xFBF0));
  EXPECT_TRUE(std::all_of(board().memory.begin() + 0xFC00, board().memory.begin() + 0xFC10,
                          [](std::uint8_t b) { return b == 0xFF; }));
  EXPECT_TRUE(has_line("Programming MCU flash bytes at Address $000010B0 : Success."));
}

TEST_F(OsbdmUpdateTest, TheFlashProgrammersBuildNeverReachesTheBootloader) {
  start(debug_board);
  update_decision().build = EngineBuild::programmer;
  choose(test::s3_records(new_firmware()), true);
  world_->osbdm_boards().clear_log();
  EXPECT_FALSE(flash_update_engine().update_cable_firmware());
  EXPECT_EQ(calls_starting("bootloader_open"), 0u);
  EXPECT_TRUE(responder_->asked.empty());
}

TEST_F(OsbdmUpdateTest, ABoardWithABlankFirmwareAreaIsListedInBootloaderModeOnly) {
  start(debug_board);
  std::fill(board().memory.begin() + osbdm_window_first, board().memory.begin() + osbdm_window_last + 1,
            std::uint8_t{0xFF});
  osbdm_enumerate_usb_devices();
  ASSERT_EQ(osbdm_number_of_devices(), 1);
  EXPECT_EQ(osbdm_binding().devices[0].name, "Embedded OSBDM/OSJTAG Device - Bootloader Mode");
}

// The updater's reset of the open board finds the newer file beside the
// program and runs the update; a failure asks for a retry.
TEST_F(OsbdmUpdateTest, TheUpdatersResetOfTheBoardStartsTheUpdateAndOffersARetryAfterAFailure) {
  struct Case {
    std::string fault;
    std::deque<platform::DialogResult> answers;
    bool done;
    std::size_t questions;
  };
  const Case cases[] = {
      {"", {platform::result_ok, platform::result_ok}, true, 2},
      // OK at the bootloader question, then No to the retry.
      {"refuse_erase = yes\n", {platform::result_ok, platform::result_no}, false, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    start(debug_board + c.fault);
    FirmwareUpdateServices services = firmware_update_link().services;
    services.ask_update_firmware = ask_update_firmware_after_reset;
    register_firmware_update_services(services);
    choose(test::s3_records(new_firmware()), true);
    responder_->answers = c.answers;
    updater::RESET_CABLE();
    EXPECT_EQ(update_decision().update_done, c.done);
    EXPECT_EQ(update_decision().update_failed, !c.done);
    EXPECT_EQ(update_decision().update_file_name, ShortText((dir_.path() / "osbdmens_s08.3200").string()));
    ASSERT_EQ(responder_->asked.size(), c.questions);
    if (!c.done) {
      EXPECT_EQ(responder_->asked[1], "Flash Erase Failed. Firmware update failed. Retry?");
    }
    TearDown();
  }
}

// Yes to the retry runs the update again: the board, still in its bootloader, is reached without
// the jumper question and erased a second time; once the fault is gone the retry succeeds.
TEST_F(OsbdmUpdateTest, ARetryAnsweredYesErasesTheBoardAgain) {
  struct Case {
    bool fault_cleared;
    std::deque<platform::DialogResult> answers;
    bool done;
    std::vector<std::string> questions;  // their starts
  };
  const std::string retry = "Flash Erase Failed. Firmware update failed. Retry?";
  const Case cases[] = {
      {true, {platform::result_ok, platform::result_yes, platform::result_ok}, true,
       {bootloader_question_start, retry, run_mode_question_start}},
      {false, {platform::result_ok, platform::result_yes, platform::result_no}, false,
       {bootloader_question_start, retry, retry}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault_cleared);
    start(debug_board + std::string("refuse_erase = yes\n"));
    FirmwareUpdateServices services = firmware_update_link().services;
    services.ask_update_firmware = ask_update_firmware_after_reset;
    register_firmware_update_services(services);
    choose(test::s3_records(new_firmware()), true);
    responder_->answers = c.answers;
    if (c.fault_cleared) responder_->before_retry = [this] { board().config.faults.refuse_erase = false; };
    updater::RESET_CABLE();
    EXPECT_EQ(calls_starting("erase 10B0-11FF"), 2u);
    EXPECT_EQ(update_decision().update_done, c.done);
    EXPECT_EQ(update_decision().update_failed, !c.done);
    ASSERT_EQ(responder_->asked.size(), c.questions.size());
    for (std::size_t i = 0; i < c.questions.size(); ++i) EXPECT_TRUE(responder_->asked[i].starts_with(c.questions[i]));
    if (c.done) {
      EXPECT_EQ(progress_.endings, (std::vector<std::string>{"Firmware update failed.", "Firmware update successful."}));
      const Bytes code = new_firmware()[0].bytes;
      EXPECT_TRUE(std::equal(code.begin(), code.end(), board().memory.begin() + 0x10B0));
      EXPECT_TRUE(osbdm_binding().osbdm_device_open);
    }
    TearDown();
  }
}

// The run-mode question comes again while the board cannot be reopened in debug mode.
TEST_F(OsbdmUpdateTest, TheRunModeQuestionRepeatsUntilTheBoardRunsItsFirmwareAgain) {
  start(debug_board);
  choose(test::s3_records(new_firmware()), true);
  responder_->answers = {platform::result_ok, platform::result_ok, platform::result_ok, platform::result_ok};
  responder_->run_mode_oks_with_jumper_left = 2;
  EXPECT_TRUE(flash_update_engine().update_cable_firmware());
  ASSERT_EQ(responder_->asked.size(), 4u);
  for (std::size_t i = 1; i < 4; ++i) EXPECT_TRUE(responder_->asked[i].starts_with(run_mode_question_start));
  EXPECT_TRUE(osbdm_binding().osbdm_device_open);
  EXPECT_NE(link_state().link_status, 0u);
  EXPECT_EQ(osbdm_binding().devices[0].name, "Embedded S08 OSBDM/OSJTAG Device (Firmware Version 32.0)");
}

// The bootloader open reaches whichever board waits first: with another board waiting, the
// chosen board could not be told from it, so the update stops before anything is erased.
TEST_F(OsbdmUpdateTest, ABoardThatAnotherWaitingBootloaderHidesIsRefusedBeforeAnyErase) {
  struct Case {
    const char* what;
    std::string scenario;
    bool open_port;  // the chosen board runs its debug firmware
    bool reopen_refused = false;
  };
  const std::string waiting = "[osbdm 2]\nmode = bootloader\nversion = 1,1,31,2,0,2,0,0\n";
  const Case cases[] = {
      {"a debug-mode board chosen", debug_board + waiting, true},
      {"two boards in bootloader mode", "[osbdm 1]\nmode = bootloader\n" + waiting, false},
      {"a debug-mode board that does not open again", debug_board + waiting, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    start(c.scenario, c.open_port);
    board().config.faults.refuse_open = c.reopen_refused;
    const auto first = board().memory, second = world_->osbdm_boards().board(1).memory;
    choose(test::s3_records(new_firmware()), true);
    responder_->answers = {platform::result_ok, platform::result_ok};
    world_->osbdm_boards().clear_log();
    EXPECT_FALSE(flash_update_engine().update_cable_firmware());
    EXPECT_TRUE(responder_->asked.empty());
    EXPECT_EQ(progress_.lines, std::vector<std::string>{
                                   "Another OSBDM/OSJTAG board is already in bootloader mode. Unplug it, then "
                                   "update this board again."});
    EXPECT_EQ(progress_.endings, std::vector<std::string>{"Firmware update failed."});
    EXPECT_EQ(calls_starting("erase"), 0u);
    EXPECT_EQ(calls_starting("program"), 0u);
    EXPECT_EQ(board().memory, first);
    EXPECT_EQ(world_->osbdm_boards().board(1).memory, second);
    // A debug-mode board is open again as the user chose it, so that a retry checks the same;
    // without it no retry is offered.
    EXPECT_EQ(osbdm_binding().osbdm_device_open, c.open_port && !c.reopen_refused);
    EXPECT_EQ(update_decision().update_failed, c.reopen_refused);
    TearDown();
  }
}

// The simulated boards behind a library whose programming call throws.
struct ThrowingLibrary final : platform::OsbdmBackend {
  explicit ThrowingLibrary(sim::SimOsbdmBoards& simulated_boards) : boards(simulated_boards) {}
  sim::SimOsbdmBoards& boards;
  std::uint8_t init() override { return boards.init(); }
  std::uint8_t open(std::uint32_t index) override { return boards.open(index); }
  void close() override { boards.close(); }
  std::uint8_t init_hardware() override { return boards.init_hardware(); }
  std::uint8_t exchange(std::uint8_t sub_command, std::uint32_t& size, std::span<std::uint8_t> data) override {
    return boards.exchange(sub_command, size, data);
  }
  std::uint8_t get_version(std::span<std::uint8_t, platform::osbdm_version_buffer_size> buffer) override {
    return boards.get_version(buffer);
  }
  std::uint8_t bootloader_open(std::uint32_t index) override { return boards.bootloader_open(index); }
  std::uint8_t erase_flash_block(std::uint32_t first, std::uint32_t last) override {
    return boards.erase_flash_block(first, last);
  }
  std::uint8_t program_flash_block(std::uint32_t, std::span<const std::uint8_t>) override {
    throw std::runtime_error("library fault");
  }
  std::uint8_t verify_flash_block(std::uint32_t address, std::span<const std::uint8_t> data) override {
    return boards.verify_flash_block(address, data);
  }
};

TEST_F(OsbdmUpdateTest, AnExceptionDuringTheUpdateEndsItWithErrorAndTheFailureEnding) {
  start(debug_board);
  ThrowingLibrary library(world_->osbdm_boards());
  platform::OsbdmBackend* previous = platform::install_osbdm_backend(&library);
  choose(test::s3_records(new_firmware()), true);
  responder_->answers = {platform::result_ok};
  EXPECT_FALSE(flash_update_engine().update_cable_firmware());
  platform::install_osbdm_backend(previous);
  EXPECT_EQ(progress_.lines.back(), "Error.");
  EXPECT_EQ(progress_.endings, std::vector<std::string>{"Firmware update failed."});
}

}  // namespace
}  // namespace vx::fwupdate
