#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/loader_trace.h"
#include "foundation/microsecond_timer.h"
#include "foundation/program_trace.h"
#include "support/scoped_platform.h"
#include "support/temp_dir.h"

namespace vx {
namespace {

class ProgramTraceTest : public testing::Test {
 protected:
  void SetUp() override { reset_program_trace(); }
  void TearDown() override { reset_program_trace(); }

  void open_plain(bool buffered) {
    ASSERT_TRUE(trace_open(file_));
    program_trace().scramble = false;
    program_trace().buffered = buffered;
  }

  void run_routines_with_one_exit_too_many() {
    trace_enter("RESET_CABLE");
    trace_line("Result = $00");
    trace_enter("SEND_CMD");
    trace_exit();
    trace_exit();
    trace_exit();
  }

  test::TempDir dir_;
  std::string file_ = dir_.file("trace.txt");
};

constexpr const char* expected_routine_lines =
    "RESET_CABLE\r\n"
    "     Result = $00\r\n"
    "     SEND_CMD\r\n"
    "DEBUGORIS : error in keeping routine depth\r\n"
    "Done.\r\n";

TEST_F(ProgramTraceTest, IndentsByDepthAndReportsADepthError) {
  for (bool buffered : {true, false}) {
    reset_program_trace();
    open_plain(buffered);
    run_routines_with_one_exit_too_many();
    trace_finish();
    EXPECT_EQ(test::read_file(file_), expected_routine_lines) << (buffered ? "buffered" : "immediate");
    EXPECT_FALSE(trace_active());
  }
}

TEST_F(ProgramTraceTest, OffByDefaultAndThenTouchesNothing) {
  EXPECT_FALSE(trace_active());
  trace_enter("LOAD_PORT_DRIVER");
  trace_line("RESULT = TRUE");
  EXPECT_EQ(program_trace().depth, 0);
  EXPECT_FALSE(program_trace().lines.has_value());
}

std::vector<std::string> received;
void receive(const char* line) { received.emplace_back(line); }

TEST_F(ProgramTraceTest, ReceiverGetsLabelledIndentedCopiesWithoutAFile) {
  received.clear();
  trace_set_receiver(receive);
  ASSERT_TRUE(trace_active());
  trace_enter("RESET_CABLE");
  trace_line("RESULT = FALSE");
  trace_exit();
  EXPECT_EQ(received, (std::vector<std::string>{"QUILL:RESET_CABLE", "     QUILL:RESULT = FALSE"}));
}

// Undoes the file scrambling with the registers' start values and step.
std::string unscramble(const std::string& scrambled) {
  std::uint8_t previous = ProgramTrace{}.scramble_previous;
  std::uint8_t addend = ProgramTrace{}.scramble_addend;
  std::string plain;
  for (char c : scrambled) {
    const auto value = static_cast<std::uint8_t>(static_cast<std::uint8_t>(c) - addend) ^ previous;
    plain += static_cast<char>(value);
    previous = static_cast<std::uint8_t>(value);
    addend = static_cast<std::uint8_t>(addend + 0x1D);
  }
  return plain;
}

TEST_F(ProgramTraceTest, ScrambledFileCarriesItsRegistersFromLineToLine) {
  ASSERT_TRUE(trace_open(file_));
  trace_line("SAME");
  trace_line("SAME");
  trace_close();
  const std::string scrambled = test::read_file(file_);
  ASSERT_EQ(scrambled.size(), 12u);
  EXPECT_NE(scrambled.substr(0, 6), scrambled.substr(6, 6));
  EXPECT_EQ(unscramble(scrambled), "SAME\r\nSAME\r\n");
}

TEST_F(ProgramTraceTest, TimestampsShowTheTimerReadings) {
  reset_microsecond_timer();
  test::ScopedVirtualClock clock(1'000'000);
  open_plain(false);
  program_trace().timestamps = true;
  elapsed_microseconds();
  clock->advance_nanoseconds(0x2A * 1000);
  trace_line("SYNC");
  trace_close();
  EXPECT_EQ(test::read_file(file_), "[0000002A]    SYNC\r\n");

  open_plain(true);
  program_trace().timestamps = true;
  trace_line("SYNC");
  trace_close();
  reset_microsecond_timer();

  const std::string buffered_line = test::read_file(file_);
  EXPECT_EQ(buffered_line,
            "[0000002A(OSCount=$000000000000002A(AppCount=$000000000000002A,uS=$000000000000002A)]    SYNC\r\n");
}

TEST_F(ProgramTraceTest, AFullLengthLineKeepsItsLineEnd) {
  open_plain(false);
  trace_line(ShortText(std::string(300, 'x')));
  trace_close();
  EXPECT_EQ(test::read_file(file_), std::string(255, 'x') + "\r\n");
}

TEST(LoaderTrace, PrefixesTimeIndentsByDepthAndReportsADepthError) {
  reset_loader_trace();
  test::TempDir dir;
  ASSERT_TRUE(debugtext_open(dir.file("loader.txt")));
  debugtext_enter("PUT_OBJECT_RECORD");
  debugtext_line("address $8000");
  debugtext_exit();
  debugtext_exit();
  debugtext_finish();
  EXPECT_EQ(test::read_file(dir.file("loader.txt")),
            "[00000000]    PUT_OBJECT_RECORD\r\n"
            "[00000000]         address $8000\r\n"
            "[00000000]    DEBUGTEXT : error in keeping routine depth\r\n"
            "[00000000]    Done.\r\n");
  EXPECT_FALSE(loader_trace().on);
  reset_loader_trace();
}

TEST(LoaderTrace, OffByDefaultKeepsNoLines) {
  reset_loader_trace();
  debugtext_enter("LOAD");
  debugtext_queue_line("continued");
  EXPECT_EQ(loader_trace().depth, 0);
  EXPECT_TRUE(loader_trace().lines.has_value());
  EXPECT_TRUE(loader_trace().lines->empty());
  debugtext_finish();
  reset_loader_trace();
}

}  // namespace
}  // namespace vx
