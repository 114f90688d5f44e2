#include "foundation/status_output.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "foundation/error_messages.h"
#include "foundation/headless_status_sink.h"
#include "foundation/run_state.h"
#include "platform/ws/shell.h"
#include "support/recording_list_view.h"
#include "support/temp_dir.h"

namespace vx {
namespace {

class StatusOutputTest : public testing::Test {
 protected:

  void record_log_to(const std::string& path) {
    ASSERT_TRUE(status_output().log_file.create(path));
    run_state().gui_status->set_log_recording(true);
  }
  std::string log_text() {
    status_output().log_file.close();
    return test::read_file(log_path_);
  }
  const std::deque<std::string>& lines() { return status_output().lines; }

  std::optional<test::ScopedStatusOutput> status_{std::in_place};
  test::RecordingListView& view_ = status_->view;
  test::TempDir dir_;
  std::string log_path_ = dir_.file("run.log");
};

TEST_F(StatusOutputTest, KeepsTheNewest2000LinesAndShowsTheLastAtTheBottom) {
  for (int i = 1; i <= 2001; ++i) WRITELN_TO_DEBUG(std::to_string(i));
  ASSERT_EQ(lines().size(), 2000u);
  EXPECT_EQ(lines().front(), "2");
  EXPECT_EQ(lines().back(), "2001");
  EXPECT_EQ(view_.count, 2000);
  EXPECT_EQ(view_.top, 1999);
  EXPECT_EQ(view_.redrawn.back(), 1999);
  EXPECT_EQ(view_.update_depth, 0);
}

TEST_F(StatusOutputTest, AnOpenLineIsCompletedOnceInWindowAndLog) {
  record_log_to(log_path_);
  WRITE_TO_DEBUG("Erasing");
  WRITELN_TO_DEBUG("Done");
  WRITELN_TO_DEBUG("Next");
  EXPECT_EQ(std::vector<std::string>(lines().begin(), lines().end()), (std::vector<std::string>{"ErasingDone", "Next"}));
  EXPECT_EQ(view_.finished, (std::vector<std::string>{"ErasingDone", "Next"}));
  EXPECT_EQ(log_text(), "ErasingDone\r\nNext\r\n");
}

TEST_F(StatusOutputTest, SpinnerLeavesTwoBlanksAndLogsOnlyItsStart) {
  record_log_to(log_path_);
  WRITE_TO_DEBUG("Erasing");
  twiddle_start();
  for (int i = 0; i < 3; ++i) twiddle_tick();
  twiddle_stop();
  twiddle_tick();
  EXPECT_EQ(lines().back(), "Erasing  ");
  END_DEBUG_LINE();
  EXPECT_EQ(view_.finished, std::vector<std::string>{"Erasing  "});
  EXPECT_EQ(log_text(), "Erasing -\r\n");
}

TEST_F(StatusOutputTest, BackspacesEraseAndBellsBeepOnlyOnAnOpenLine) {
  const unsigned beeps = ws::beep_count();
  WRITELN_TO_DEBUG("AB\b\bC");
  WRITELN_TO_DEBUG("\bX");
  WRITELN_TO_DEBUG("ring\a");
  EXPECT_EQ(ws::beep_count(), beeps);
  WRITE_TO_DEBUG("Verify");
  WRITE_TO_DEBUG("\b\b\b\bied\a\a");
  EXPECT_EQ(ws::beep_count(), beeps + 2);
  EXPECT_EQ(std::vector<std::string>(lines().begin(), lines().end()),
            (std::vector<std::string>{"C", "X", "ring", "Veied"}));
}

TEST_F(StatusOutputTest, ColourMarkersStayInTheWindowButNotInTheLog) {
  record_log_to(log_path_);
  WRITELN_TO_DEBUG("CM\x01 ok\x02\x03");
  EXPECT_EQ(lines().back(), "CM\x01 ok\x02\x03");
  EXPECT_EQ(log_text(), "CM ok\r\n");
}

TEST_F(StatusOutputTest, NothingIsWrittenWhileQuietGoneOrEnding) {
  struct Case {
    const char* name;
    void (*make_silent)();
  };
  const Case cases[] = {
      {"quiet", [] { status_output().output_suppressed = true; }},
      {"window destroyed", [] { status_output().window_destroyed = true; }},
      {"no window", [] { status_output().view = nullptr; }},
      {"ending", [] { run_state().program_ending = true; }},
      {"no status object", [] { run_state().gui_status.reset(); }},
  };
  for (const Case& c : cases) {
    status_.reset();
    status_.emplace();
    c.make_silent();
    WRITELN_TO_DEBUG("dropped");
    WRITE_TO_DEBUG("dropped");
    ERROR_MESSAGE(5);
    EXPECT_TRUE(lines().empty()) << c.name;
  }
}

TEST_F(StatusOutputTest, BeforeTheStatusWindowExistsLinesGoToStderr) {
  status_output().view = nullptr;
  testing::internal::CaptureStderr();
  WRITE_TO_DEBUG("Error in desktop file.");
  WRITELN_TO_DEBUG("\x01" "ERROR 97 during script!");
  status_output().window_destroyed = true;
  WRITELN_TO_DEBUG("after the window is gone");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error in desktop file.ERROR 97 during script!\n");
  EXPECT_TRUE(lines().empty());
}

TEST_F(StatusOutputTest, ErrorMessagesByNumber) {
  ERROR_MESSAGE(40);
  ERROR_MESSAGE(35);
  ERROR_MESSAGE(0);
  ERROR_MESSAGE(67);
  EXPECT_EQ(std::vector<std::string>(lines().begin(), lines().end()),
            (std::vector<std::string>{"Ignoring extra parameters.", "Command invalid while in \"running\" mode.",
                                      "Invalid error call - consult system programmer.",
                                      "Invalid error call - consult system programmer."}));
}

TEST_F(StatusOutputTest, LocationMessagesLeaveTheLineOpenWithTheAddressDigits) {
  run_state().address_digit_count = 5;
  ERROR_MESSAGE(98);
  EXPECT_TRUE(status_output().line_open);
  WRITELN_TO_DEBUG("Verify failed.");
  status_output().current_location = 0x12345678;
  run_state().address_digit_count = 8;
  ERROR_MESSAGE(99);
  END_DEBUG_LINE();
  EXPECT_EQ(lines()[0], "At location 00000 - Verify failed.");
  EXPECT_EQ(lines()[1], "At location 12345678 - ");
}

TEST_F(StatusOutputTest, AFailingLogClosesOnceAndTheRunGoesOn) {
  record_log_to("/dev/full");
  WRITE_TO_DEBUG("Programming");
  WRITELN_TO_DEBUG(" Done");
  WRITELN_TO_DEBUG("Verifying");
  EXPECT_FALSE(run_state().gui_status->log_recording());
  EXPECT_FALSE(status_output().log_file.is_open());
  EXPECT_EQ(std::vector<std::string>(lines().begin(), lines().end()),
            (std::vector<std::string>{"Error in Logfile - Closing", "Programming Done", "Verifying"}));
}

TEST_F(StatusOutputTest, AThrowingListBoxLeavesUpdatesBalanced) {
  view_.throw_on_set_num_items = true;
  EXPECT_THROW(WRITELN_TO_DEBUG("x"), std::runtime_error);
  EXPECT_EQ(view_.update_depth, 0);
  EXPECT_FALSE(status_output().in_output);
}

TEST_F(StatusOutputTest, KeysGoToTheCommandBoxOrBeep) {
  std::vector<char> seen;
  status_output().command_key_press = [&](char& key) { seen.push_back(key); };
  char key = 27;
  STATUS_KEY_PRESS(key);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(seen, std::vector<char>{27});

  const unsigned beeps = ws::beep_count();
  run_state().program_ending = true;
  key = 'a';
  STATUS_KEY_PRESS(key);
  EXPECT_EQ(key, 'a');
  EXPECT_EQ(ws::beep_count(), beeps + 1);
}

TEST(HeadlessStatusSink, PrintsFinishedLinesWithoutMarkers) {
  reset_status_output();
  reset_run_state();
  run_state().gui_status = std::make_unique<Tgui_status>();
  test::TempDir dir;
  std::FILE* out = std::fopen(dir.file("out.txt").c_str(), "w+");
  HeadlessStatusSink sink(out);
  status_output().view = &sink;
  WRITELN_TO_DEBUG("CM\x01 ok");
  WRITE_TO_DEBUG("Erasing");
  twiddle_start();
  twiddle_tick();
  twiddle_stop();
  WRITE_TO_DEBUG(" Done");
  finish_open_status_line();
  std::fclose(out);
  EXPECT_EQ(test::read_file(dir.file("out.txt")), "CM ok\nErasing   Done\n");
  reset_status_output();
  reset_run_state();
}

}  // namespace
}  // namespace vx
