#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "loaders/object_image.h"
#include "loaders/srecord_image.h"
#include "platform/clock.h"
#include "production_run.h"
#include "sim/hcs08/device_config.h"
#include "sim/hcs08/state_file.h"

namespace vx::test {
namespace {

namespace fs = std::filesystem;

using Bytes = std::map<std::int32_t, std::uint8_t>;


Bytes srecord_file_bytes(const std::string& path) {
  Bytes bytes;
  EXPECT_TRUE(loaders::read_srecord_image(ShortText(path))) << path;
  loaders::rewind_object_image();
  std::int32_t address = 0;
  std::uint8_t byte = 0;
  while (loaders::next_image_byte(address, byte)) bytes[address] = byte;
  loaders::reset_object_image();
  return bytes;
}

bool contains(const std::string& output, const std::string& text) { return output.find(text) != std::string::npos; }

// The value the status line "(Recommended Trim = $xx)" gave.
int recommended_trim(const std::string& output) {
  const std::string marker = "(Recommended Trim = $";
  const std::size_t at = output.find(marker);
  return at == std::string::npos ? -1 : std::stoi(output.substr(at + marker.size(), 2), nullptr, 16);
}

TEST(ProductionExample, OneBoardEndToEnd) {
  ProductionRun bench;
  const ProgrammerResult result = bench.run_example();
  ASSERT_EQ(result.exit_code, 0) << result.output << result.errors;
  const Flash flash = bench.flash();

  for (const auto& [address, byte] : srecord_file_bytes(bench.install.file("app.s19"))) {
    EXPECT_EQ(flash.at(static_cast<std::size_t>(address)), byte) << std::hex << address;
  }
  const int trim = recommended_trim(result.output);
  ASSERT_GT(trim, 0) << result.output;
  EXPECT_EQ(flash[0xFFAF], trim);
  EXPECT_TRUE(contains(result.output, "Programming serial number 000 at address $0000FF80 Success.\n")) << result.output;
  EXPECT_EQ(flash[0xFF80], '0');
  EXPECT_EQ(flash[0xFF81], '0');
  EXPECT_EQ(flash[0xFF82], '0');
  EXPECT_EQ(bench.text("board.ser"), "030000FF80393030393030393130");

  const Bytes uploaded = srecord_file_bytes(bench.install.file("upload.s19"));
  ASSERT_FALSE(uploaded.empty());
  for (const auto& [address, byte] : uploaded) EXPECT_EQ(flash.at(static_cast<std::size_t>(address)), byte) << std::hex << address;
  EXPECT_EQ(uploaded.count(0xFFAF), 1u);

  EXPECT_TRUE(contains(result.output, "   Checksum Verification Successful. (Cumulative Checksum16+CRC8=$")) << result.output;
  EXPECT_TRUE(contains(result.output, "CMD>GO Frequency ~ ")) << result.output;
}

// A signal at any moment of a run, start-up included: the run ends within a second or so, and
// never with 0 unless its script ran to QU. (The whole example takes about half a second.)
TEST(ProductionExample, ASignalNeverEndsAnUnfinishedRunWithSuccess) {
  for (const int delay_ms : {0, 100, 250, 400}) {
    SCOPED_TRACE(delay_ms);
    ProductionRun bench;
    ChildProcess child(bench.install.program(), bench.arguments(bench.example_script()), bench.install.environment());
    platform::clock().sleep_microseconds(static_cast<std::uint64_t>(delay_ms) * 1000);
    child.signal(SIGTERM);
    const std::uint64_t signalled = platform::clock().monotonic_microseconds();
    const int code = child.wait_for_exit();
    EXPECT_LT(platform::clock().monotonic_microseconds() - signalled, 2'500'000u);
    if (code == 0) {
      EXPECT_TRUE(contains(child.output(), "CMD>QU")) << child.output();
    } else if (code != -1) {
      // The cancel result, or the cancelled command's own.
      EXPECT_TRUE(contains(child.errors(), "ended by a signal before the script completed")) << code << child.errors();
    }
  }
}

// Files that are no regular files are refused before anything reads them, instead of blocking.
TEST(ProductionExample, FilesThatAreNoRegularFilesAreRefused) {
  ProductionRun bench;
  const std::string fifo = bench.install.file("algorithm.S8P");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& name : {fifo, std::string("/dev/zero")}) {
    const ProgrammerResult result = bench.run("CM " + name + "\n");
    EXPECT_NE(result.exit_code, 0) << name << result.output;
  }
  fs::create_directory(bench.install.file("folder.cfg"));
  EXPECT_EQ(run_programmer(bench.install, {"NOSCAN", bench.install.file("folder.cfg"), "USB1"}).exit_code, 43);
}

TEST(ProductionExample, TheNextBoardGetsTheNextNumber) {
  ProductionRun bench;
  ASSERT_EQ(bench.run_example().exit_code, 0);
  const ProgrammerResult second = bench.run_example();
  ASSERT_EQ(second.exit_code, 0) << second.output;
  EXPECT_TRUE(contains(second.output, "Programming serial number 001 at address $0000FF80 Success.\n")) << second.output;
  // EN erased the module, the trim location with it.
  EXPECT_TRUE(contains(second.output, "Programming Trim value $")) << second.output;
  EXPECT_EQ(bench.text("board.ser"), "030000FF80393030393030393230");
}

// Two installed copies program boards at once from one serial-number file (here through a
// symbolic link): each board gets its own number and the file counts on by two.
TEST(ProductionExample, TwoCopiesAtOnceNeverShareASerialNumber) {
  ProductionRun first;
  ProductionRun second;
  fs::remove(second.install.file("board.ser"));
  fs::create_symlink(first.install.file("board.ser"), second.install.file("board.ser"));
  // The delay keeps each run between its read and its rewrite while the other one starts.
  const std::string script = "CM @SIM60_PRODUCTION.S8P\nCS @board.ser\nDE 300\nPS\n";
  ChildProcess one(first.install.program(), first.arguments(script), first.install.environment());
  ChildProcess two(second.install.program(), second.arguments(script), second.install.environment());
  ASSERT_EQ(one.wait_for_exit(), 0) << one.output();
  ASSERT_EQ(two.wait_for_exit(), 0) << two.output();
  const std::string numbers = one.output() + two.output();
  EXPECT_TRUE(contains(numbers, "Programming serial number 000 at address")) << numbers;
  EXPECT_TRUE(contains(numbers, "Programming serial number 001 at address")) << numbers;
  EXPECT_TRUE(fs::is_symlink(second.install.file("board.ser")));
  EXPECT_EQ(first.text("board.ser"), "030000FF80393030393030393230");
}

TEST(ProductionExample, TheLastSerialNumberEndsWith55AndLeavesTheFile) {
  ProductionRun bench;
  const std::string last = "030000FF80393930393930393930";
  bench.install.write("board.ser", last);
  const ProgrammerResult result = bench.run_example();
  EXPECT_EQ(result.exit_code, 55) << result.output;
  EXPECT_TRUE(contains(result.output, "Error - Can NOT update Serial Number.\nERROR 55 during script!\n")) << result.output;
  EXPECT_EQ(bench.text("board.ser"), last);
}

// Unsorted, VM compares the lines PM programs, Intel hex as S-records: a board programmed from
// one file and verified against another stops at the first byte that differs.
TEST(ProductionExample, UnsortedVerifyComparesIntelHexAsPmProgramsIt) {
  struct Case {
    const char* programmed;
    const char* verified;
    const char* option;
    int result;
    const char* lines;
  };
  const char* differs = "Verifying Address $08000. Verify error at address $08000.\nByte in module is $00 and should be $99.\n";
  const Case cases[] = {
      {"a.hex", "b.hex", "NOSORT", 3, differs},
      {"a.s19", "b.s19", "NOSORT", 3, differs},
      {"a.s19", "b.s19", "NOSCAN", 3, differs},
      {"a.hex", "a.hex", "NOSORT", 0, "Verifying Address $0800F. Verified.\n"},
      {"a.hex", "a.s19", "NOSORT", 0, "Verifying Address $0800F. Verified.\n"},
      {"a.hex", "broken.hex", "NOSORT", 5, " Error while loading S-record file.\n"},
  };
  const std::pair<const char*, const char*> files[] = {
      {"a.hex", ":10800000000102030405060708090A0B0C0D0E0FF8\n:00000001FF\n"},
      {"b.hex", ":1080000099999999999999999999999999999999E0\n:00000001FF\n"},
      {"a.s19", "S1138000000102030405060708090A0B0C0D0E0FF4\nS9030000FC\n"},
      {"b.s19", "S113800099999999999999999999999999999999DC\nS9030000FC\n"},
      // The first line matches the board; the second does not read.
      {"broken.hex", ":10800000000102030405060708090A0B0C0D0E0FF8\n:02801000ZZ01FF\n:00000001FF\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.programmed) + " " + c.verified + " " + c.option);
    ProductionRun bench;
    for (const auto& [name, text] : files) bench.install.write(name, text);
    const ProgrammerResult result = bench.run(
        "CM @SIM60_PRODUCTION.S8P\nSS @" + std::string(c.programmed) + "\nEN\nPM\nSS @" + c.verified + "\nVM\n", c.option);
    EXPECT_EQ(result.exit_code, c.result) << result.output;
    EXPECT_TRUE(contains(result.output, c.lines)) << result.output;
  }
}

// Every result a command file can end with: the exit code is the result and the last status
// line says so.
TEST(ProductionExample, FailuresEndWithTheirResultAsExitCodeAndLastLine) {
  struct Case {
    int result;
    const char* script;
    const char* option = "NOSCAN";
  };
  const Case cases[] = {
      {2, "CM @SIM60_PRODUCTION.S8P\nSS @broken.s19\nPM\n"},
      {3, "CM @SIM60_PRODUCTION.S8P\nSS @app.s19\nEN\nPM\nSS @other.s19\nVM\n"},
      {5, "CM @SIM60_PRODUCTION.S8P\nVC\n"},
      {5, "CM @SIM60_PRODUCTION.S8P\nPM\n"},
      {14, "CM @SIM60_NEWER_VERSION.S8P 10B0\n"},
      {15, "CM @SIM60_ENABLE_FAILS.S8P 10B0\n"},
      {16, "CM @SIM60_PRODUCTION.S8P\nCS @none.ser\n"},
      {18, "CM @SIM60_PRODUCTION.S8P\nSS @trim.s19\nEN\nPM\nPT\n"},
      {19, "CM @SIM60_PRODUCTION.S8P\nPB 0100 12\n"},
      {22, "CM @SIM60_WORD.S8P 10B0\nPW 8001 1234\n"},
      {33, "PM\n"},
      {33, "CM @SIM60_NO_CRC.S8P 10B0\nVC\n"},
      {33, "CM @SIM60_NO_SERIALIZE.S8P 10B0\nCS @board.ser\n"},
      {33, "CM @SIM60_BYTE.S8P 10B0\nPT\n"},
      {36, "CM @INVALID.S8P 10B0\n"},
      {39, "CM @SIM60_PRODUCTION.S8P\nVV 0x12\n"},
      {39, "CM @SIM60_BYTE.S8P\n"},
      {41, "CM @NONE.S8P 10B0\n"},
      {44, "DE 0\n"},
      {47, ":FOO 1\n"},
      {50, "CM @SIM60_PRODUCTION.S8P\nSS @outside.s19\nVC\n"},
      {51, "CM @SIM60_PRODUCTION.S8P\nSS @app.s19\nEN\nPM\nSS @other.s19\nVC\n"},
      {52, "CM @SIM60_PRODUCTION.S8P\nSS @app.s19\nVC\n", "NOSORT"},
      {53, "CM @SIM60_PRODUCTION.S8P\nCS @bad.ser\n"},
      {56, "CM @SIM60_PRODUCTION.S8P\nSS @app.s19\nEN\nPM\nCS @board.ser\nPS\nPS\n"},
      {61, "CM @SIM60_PRODUCTION.S8P\nVV 1000000\n"},
      {62, "CM @SIM60_PRODUCTION.S8P\nSS @app.s19\nEN\nPM\nCS @locked.ser\nPS\n"},
  };
  std::vector<std::unique_ptr<ProductionRun>> benches;
  std::vector<ProgrammerLaunch> launches;
  for (const Case& c : cases) {
    ProductionRun& bench = *benches.emplace_back(std::make_unique<ProductionRun>());
    bench.install.write("outside.s19", "S1050100AABB94\nS9030000FC\n");
    bench.install.write("other.s19", "S105FFFE80017C\nS9030000FC\n");
    bench.install.write("bad.ser", "000000FF80");
    // Another value in the trim location.
    bench.install.write("trim.s19", "S104FFAF123B\nS9030000FC\n");
    bench.install.write("broken.s19", "S1078000343434\nS9030000FC\n");
    bench.install.write("INVALID.S8P", "PRESERVE_RANGE=0000XX00/0000EF0F/\r\n" + bench.text("SIM60_BYTE.S8P"));
    // A serial-number file that cannot be rewritten: an input/output failure of the run.
    fs::permissions(bench.install.write("locked.ser", "010000FF80393030"), fs::perms::owner_read);
    launches.push_back({&bench.install, bench.arguments(c.script, c.option)});
  }
  const std::vector<ProgrammerResult> results = run_programmers(launches);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    const ProgrammerResult& result = results[i];
    EXPECT_EQ(result.exit_code, c.result) << c.script << "\n" << result.output;
    const std::string last_line = "ERROR " + std::to_string(c.result) + " during script!\n";
    EXPECT_TRUE(result.output.ends_with(last_line)) << c.script << "\n" << result.output;
  }
}

}  // namespace
}  // namespace vx::test
