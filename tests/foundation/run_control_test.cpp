#include "foundation/run_control.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "foundation/command_exception.h"
#include "foundation/exit_code.h"
#include "foundation/file_checks.h"
#include "foundation/microsecond_timer.h"
#include "foundation/system_helpers.h"
#include "platform/ws/application.h"
#include "support/recording_list_view.h"
#include "support/scoped_platform.h"
#include "support/screenshot.h"
#include "support/temp_dir.h"

namespace vx {
namespace {

class RecordingRunView final : public RunControlView {
 public:
  void show_result_panel(const ShortText& text, Rgb colour) override {
    panel = text.str();
    panel_colour = colour;
  }
  void activate_cancel_button() override { cancel_active = true; }
  void turn_cancel_into_quit() override { quit_button = true; }
  void show_log_recording(bool recording) override { log_controls_recording = recording; }

  std::string panel;
  Rgb panel_colour;
  bool cancel_active = false;
  bool quit_button = false;
  std::optional<bool> log_controls_recording;
};

// Not headless needs a display the backend can start: a halt beeps on it.
class RunControlTest : private test::OffscreenDisplay, public testing::Test {
 protected:
  void SetUp() override {
    ws::reset_application();
    ws::set_headless(false);
    run_state().view = &view_;
  }
  void TearDown() override { ws::reset_application(); }

  // Runs the halt and returns the message of the exception that ended it.
  std::string halt(std::int32_t code) {
    try {
      internal_prog_halt(code);
    } catch (const CommandException& ended) {
      return ended.what();
    }
    return "returned";
  }

  std::optional<test::ScopedStatusOutput> status_{std::in_place};
  RecordingRunView view_;
};

constexpr Rgb maroon{128, 0, 0};
constexpr Rgb navy{0, 0, 128};

TEST_F(RunControlTest, HaltMatrix) {
  struct Case {
    std::int32_t code;
    bool never_exit;
    bool exit_only_on_success;
    bool quit_requested;
    const char* ended_with;
    bool quit_button;
    std::int32_t exit_code;
  };
  const char* halting = CommandException::halting_script;
  const char* exiting = CommandException::exiting_application;
  const Case cases[] = {
      {0, false, false, false, exiting, false, 0},   {18, false, false, false, exiting, false, 18},
      {0, true, false, false, halting, true, -1},    {18, true, false, false, halting, true, -1},
      {0, false, true, false, exiting, false, 0},    {18, false, true, false, halting, true, -1},
      {0, true, false, true, exiting, false, -1},    {18, false, false, true, exiting, false, 18},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "code " << c.code << (c.never_exit ? " ?" : "")
                                    << (c.exit_only_on_success ? " !" : "") << (c.quit_requested ? " quit" : ""));
    ws::reset_application();
    ws::set_headless(false);
    view_ = RecordingRunView{};
    status_.reset();
    status_.emplace();
    RunState& run = run_state();
    run.view = &view_;
    run.exit_code = -1;
    run.never_exit = c.never_exit;
    run.exit_only_on_success = c.exit_only_on_success;
    run.quit_requested = c.quit_requested;

    EXPECT_EQ(halt(c.code), c.ended_with);
    EXPECT_EQ(run.last_script_result, c.code);
    EXPECT_TRUE(run.abort_flag);
    EXPECT_EQ(view_.quit_button, c.quit_button);
    EXPECT_EQ(run.exit_code, c.exit_code);
    EXPECT_EQ(ws::terminated(), c.ended_with == exiting);
    if (c.code == 0) {
      EXPECT_EQ(view_.panel, "SUCCESS - All programming steps completed.");
      EXPECT_EQ(view_.panel_colour, navy);
      EXPECT_TRUE(status_->lines().empty());
    } else {
      EXPECT_EQ(view_.panel, "ERROR 18 during script!");
      EXPECT_EQ(view_.panel_colour, maroon);
      EXPECT_TRUE(view_.cancel_active);
      EXPECT_EQ(status_->lines(), std::vector<std::string>{"ERROR 18 during script!"});
    }
  }
}

TEST_F(RunControlTest, AHaltDuringQuietProgrammingStillSaysWhy) {
  WRITE_TO_DEBUG("Programming");
  twiddle_start();
  status_output().output_suppressed = true;
  halt(7);
  EXPECT_FALSE(status_output().output_suppressed);
  EXPECT_FALSE(status_output().spinner_running);
  EXPECT_EQ(status_->lines(), (std::vector<std::string>{"Programming  ", "ERROR 7 during script!"}));
}

TEST_F(RunControlTest, HeadlessStayOpenEndsAtOnceWithoutATerminal) {
  if (isatty(STDIN_FILENO) == 1) GTEST_SKIP() << "stdin is a terminal";
  ws::set_headless(true);
  run_state().exit_only_on_success = true;
  EXPECT_EQ(halt(18), CommandException::exiting_application);
  EXPECT_EQ(run_state().exit_code, 18);
}

TEST_F(RunControlTest, AbortKeyIsReportedOnceAndCheckAbortKeepsTheFlag) {
  RunState& run = run_state();
  run.abort_flag = true;
  run.last_key = 27;
  EXPECT_TRUE(check_abort());
  EXPECT_TRUE(check_abort());
  EXPECT_EQ(poll_abort_key(), 283);
  EXPECT_EQ(poll_abort_key(), 32);
  EXPECT_FALSE(check_abort());
}

TEST_F(RunControlTest, CheckAbortEndsTheProgramOnceTheApplicationTerminates) {
  ws::terminate();
  EXPECT_THROW(
      {
        try {
          check_abort();
        } catch (const CommandException& ended) {
          EXPECT_TRUE(ended.ends_program());
          throw;
        }
      },
      CommandException);
  EXPECT_TRUE(run_state().program_ending);
}

TEST(ExitCode, NeverReadsAFailureAsSuccess) {
  const std::pair<std::int32_t, int> cases[] = {{0, 0},     {18, 18},     {255, 255}, {256, 255},
                                                {300, 44},  {512, 255},   {-1, 255},  {INT32_MIN, 255}};
  for (auto [result, exit_code] : cases) EXPECT_EQ(process_exit_code(result), exit_code) << result;
}

TEST(DelayMilliseconds, LongDelaysStayPositive) {
  reset_microsecond_timer();
  test::ScopedVirtualClock clock(1'000'000'000, 10'000'000);
  delay_milliseconds(0);
  EXPECT_EQ(clock->now_nanoseconds(), 0u);
  delay_milliseconds(2'200'000);  // 2.2e9 microseconds: past 32 bits
  EXPECT_GE(clock->now_nanoseconds(), 2'200'000ull * 1'000'000);
  EXPECT_LT(clock->now_nanoseconds(), 2'200'100ull * 1'000'000);
  reset_microsecond_timer();
}

class FileChecksTest : public testing::Test {
 protected:
  void SetUp() override {
    start_run_control();
    ShortText program;
    GET_EXE_PATH(program);
    program_dir_ = std::filesystem::path(program.str()).parent_path();
  }
  void TearDown() override { std::filesystem::remove(beside_); }

  test::ScopedStatusOutput status_;
  test::TempDir dir_;
  std::filesystem::path program_dir_;
  std::string bare_ = "resolve-test-" + std::to_string(getpid()) + ".cfg";
  std::filesystem::path beside_;
};

TEST_F(FileChecksTest, WildcardsNeverPassAsFiles) {
  const std::string name = dir_.file("a?.s19");
  std::ofstream(name) << "S9030000FC\n";
  EXPECT_FALSE(valid_file_exists(name));
  std::ofstream(dir_.file("plain.s19")) << "";
  EXPECT_TRUE(check_file_exists(dir_.file("plain.s19")));
  EXPECT_FALSE(valid_file_exists(dir_.path().string()));
  EXPECT_FALSE(valid_file_exists(dir_.file("absent.s19")));
}

TEST_F(FileChecksTest, OnlyAWritableRegularFileNamedWithoutANulCanBeRewritten) {
  namespace fs = std::filesystem;
  const std::string plain = dir_.file("plain.ser");
  std::ofstream(plain) << "010000FF80393030";
  const std::string read_only = dir_.file("read-only.ser");
  std::ofstream(read_only) << "010000FF80393030";
  fs::permissions(read_only, fs::perms::owner_read);
  fs::create_symlink(plain, dir_.file("link.ser"));
  fs::create_symlink(read_only, dir_.file("read-only-link.ser"));
  ASSERT_EQ(mkfifo(dir_.file("fifo.ser").c_str(), 0600), 0);
  const std::pair<std::string, bool> cases[] = {
      {plain, true},
      {dir_.file("link.ser"), true},
      {read_only, false},
      {dir_.file("read-only-link.ser"), false},
      {dir_.file("fifo.ser"), false},
      {dir_.path().string(), false},
      {dir_.file("absent.ser"), false},
      {plain + std::string(1, '\0') + "x", false},
      {"", false},
  };
  for (const auto& [name, rewritable] : cases) EXPECT_EQ(file_can_be_rewritten(ShortText(name)), rewritable) << name;
}

TEST_F(FileChecksTest, DriveFormsAndMissingDirectoriesAreReportedWhenAsked) {
  EXPECT_TRUE(check_drive_ready("/home/x.s19", true));
  EXPECT_FALSE(check_drive_ready("c:\\x.s19", false));
  EXPECT_FALSE(check_drive_ready("C:\\x.s19", true));
  EXPECT_TRUE(check_path_valid("x.s19", true));
  EXPECT_TRUE(check_path_valid(dir_.file("x.s19"), true));
  EXPECT_FALSE(check_path_valid("/no/such/dir/x.s19", true));
  EXPECT_EQ(status_.lines(), (std::vector<std::string>{"Error : Invalid or Not Ready Drive.",
                                                       "Error : Invalid Path.(/no/such/dir/x.s19)"}));
  run_state().path_checks_on = false;
  EXPECT_TRUE(check_drive_ready("C:\\x.s19", true));
  EXPECT_TRUE(check_path_valid("/no/such/dir/x.s19", true));
}

TEST_F(FileChecksTest, ABareNameIsFoundInTheDefaultDirectoryThenBesideTheProgram) {
  beside_ = program_dir_ / bare_;
  std::ofstream(beside_) << "QU\n";
  RunState& run = run_state();
  run.default_directory = dir_.path().string();

  ShortText name = bare_;
  EXPECT_TRUE(resolve_file_name(name, 255));
  EXPECT_EQ(name, beside_.string());

  std::ofstream(dir_.file(bare_)) << "QU\n";
  name = bare_;
  EXPECT_TRUE(resolve_file_name(name, 255));
  EXPECT_EQ(name, dir_.file(bare_));

  name = bare_;
  EXPECT_FALSE(resolve_file_name(name, static_cast<std::uint8_t>(bare_.size() + 1)));
  EXPECT_EQ(name, bare_);

  run.default_directory = "/no/such/directory";
  name = bare_;
  EXPECT_TRUE(resolve_file_name(name, 255));
  EXPECT_EQ(run.default_directory, run.program_directory);
}

}  // namespace
}  // namespace vx
