#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "production_run.h"

namespace vx::test {
namespace {

// A new blank board for each run: the bench keeps no flash from the run before.
class CrashBench {
 public:
  // The serial-number bytes the board holds after a run that dies at `step` of PS (none: a
  // run to its end) and the run's exit code (-1 when it died).
  std::pair<int, std::string> board_after(const std::string& step) {
    std::filesystem::remove(bench.install.file("production.state"));
    return same_board_after(step);
  }
  // The same, on the board of the run before (which kept its flash unless it died).
  std::pair<int, std::string> same_board_after(const std::string& step) {
    std::vector<std::string> environment = bench.install.environment();
    environment.push_back("VX_TEST_KILL_AT=" + step);
    ChildProcess child(bench.install.program(), bench.arguments(script), environment);
    const int code = child.wait_for_exit();
    const std::string errors = child.errors();
    const std::size_t at = errors.rfind("board: ");
    EXPECT_NE(at, std::string::npos) << errors << child.output();
    if (at == std::string::npos) return {code, ""};
    return {code, errors.substr(at + 7, errors.find('\n', at) - at - 7)};
  }

  ProductionRun bench{VX_SERIAL_KILL_HOST};
  const std::string script = "CM @SIM60_PRODUCTION.S8P\nCS @board.ser\nPS\nQU\n";
};

constexpr const char* blank = "FFFFFF";

// Runs that die at each step of PS, each followed by one that runs to its end: no two boards
// ever hold one number. The next number is in the file before a number reaches a board, so a
// run that dies can skip a number but never repeat one.
TEST(SerialNumberCrash, NoStepOfPsAtWhichARunDiesLetsANumberBeProgrammedTwice) {
  constexpr unsigned seed = 42;
  constexpr int rounds = 2;
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  std::vector<std::string> steps{"read", "reserved", "programmed", "read_back", "finished"};
  CrashBench crash;
  std::set<std::string> numbers;
  int boards = 0;
  const auto count = [&](const std::string& board, const std::string& after) {
    if (board == blank) return;
    ++boards;
    EXPECT_TRUE(numbers.insert(board).second) << board << " programmed twice, after " << after;
  };
  for (int round = 0; round < rounds; ++round) {
    std::shuffle(steps.begin(), steps.end(), random);
    for (const std::string& step : steps) {
      SCOPED_TRACE(step);
      const auto [died, dying_board] = crash.board_after(step);
      EXPECT_EQ(died, -1);
      // Before the number reaches the board, the board stays blank.
      EXPECT_EQ(dying_board == blank, step == "read" || step == "reserved") << dying_board;
      count(dying_board, "a run that died");
      const auto [ended, next_board] = crash.board_after("");
      EXPECT_EQ(ended, 0);
      EXPECT_NE(next_board, blank);
      count(next_board, "a run that died at " + step);
    }
  }
  // 20 runs: the two that died before reserving used no number, the two that died right after
  // reserving skipped one each, the other 16 put their number on a board.
  EXPECT_EQ(boards, 16);
  EXPECT_EQ(crash.bench.text("board.ser"), "030000FF80393030393130393830") << "18 numbers used";
}

// A board that fails its read-back gives its number back; a run that dies right after that
// leaves the number to the next board, which is the first to hold it.
TEST(SerialNumberCrash, ARunThatDiesAfterGivingANumberBackLeavesItToTheNextBoard) {
  CrashBench crash;
  ASSERT_EQ(crash.board_after(""), std::make_pair(0, std::string("303030")));
  // 001 over the 000 already on this board does not read back.
  const auto [died, failed_board] = crash.same_board_after("given_back");
  EXPECT_EQ(died, -1);
  EXPECT_EQ(failed_board, "303030");
  EXPECT_EQ(crash.bench.text("board.ser"), "030000FF80393030393030393130");
  EXPECT_EQ(crash.board_after(""), std::make_pair(0, std::string("303031")));
}

}  // namespace
}  // namespace vx::test
