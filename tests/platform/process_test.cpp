#include "platform/process.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace vx::platform {
namespace {

TEST(SplitParameters, BlanksSeparateAndQuotesGroup) {
  struct Case {
    const char* text;
    std::vector<std::string> arguments;
  };
  const Case cases[] = {
      {"", {}},
      {"   ", {}},
      {"a b\tc", {"a", "b", "c"}},
      {"  a   b  ", {"a", "b"}},
      {"! \"/a dir/x.cfg\" PORT=USB1", {"!", "/a dir/x.cfg", "PORT=USB1"}},
      {"pre\"fix with\"blank", {"prefix withblank"}},
      {"\"\" x", {"", "x"}},
      {"\"open to the end", {"open to the end"}},
  };
  for (const Case& c : cases) EXPECT_EQ(split_parameters(c.text), c.arguments) << c.text;
}

// Polls until the process ends, at most five seconds.
std::optional<ExitCode> wait_for_end(Process& process) {
  int error = 0;
  for (int pass = 0; pass < 500; ++pass) {
    if (const std::optional<ExitCode> code = process.poll(error)) return code;
    if (error != 0) return std::nullopt;
    process.wait_until_changed(10'000);
  }
  return std::nullopt;
}

TEST(Process, ExitCodesAndSignals) {
  struct Case {
    const char* script;
    ExitCode code;
  };
  for (const Case& c : {Case{"exit 0", 0}, Case{"exit 7", 7}, Case{"kill -9 $$", 137}, Case{"kill -15 $$", 143}}) {
    int error = -1;
    std::optional<Process> process = Process::start("/bin/sh", {"-c", c.script}, error);
    ASSERT_TRUE(process) << c.script;
    EXPECT_EQ(error, 0);
    EXPECT_EQ(wait_for_end(*process), c.code) << c.script;
  }
}

TEST(Process, TheProgramGetsNoDescriptorsBeyondTheStandardStreams) {
  test::TempDir dir;
  const int inheritable = open(dir.file("held").c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(inheritable, 3);
  int error = 0;
  const std::string script = "[ -e /proc/self/fd/" + std::to_string(inheritable) + " ] && exit 1; exit 0";
  std::optional<Process> process = Process::start("/bin/sh", {"-c", script}, error);
  ASSERT_TRUE(process);
  EXPECT_EQ(wait_for_end(*process), 0u);
  close(inheritable);
}

TEST(Process, AStartThatFailsGivesTheErrorNumber) {
  test::TempDir dir;
  std::ofstream(dir.file("plain file")) << "#!/bin/sh\n";
  struct Case {
    std::string program;
    int error;
  };
  for (const Case& c : {Case{dir.file("missing"), 2}, Case{dir.file("plain file"), 13}}) {
    int error = 0;
    EXPECT_FALSE(Process::start(c.program, {}, error)) << c.program;
    EXPECT_EQ(error, c.error) << c.program;
  }
}

TEST(Process, AReleasedProcessIsCollectedOnceItHasEnded) {
  int error = 0;
  std::optional<Process> process = Process::start("/bin/sh", {"-c", "exit 3"}, error);
  ASSERT_TRUE(process);
  const int pid = process->pid();
  const int descriptor = process->release();
  ASSERT_GE(descriptor, 0);
  bool collected = false;
  for (int pass = 0; pass < 500 && !collected; ++pass) {
    collected = collect_released(descriptor);
    if (!collected) usleep(10'000);
  }
  EXPECT_TRUE(collected);
  EXPECT_NE(access(("/proc/" + std::to_string(pid)).c_str(), F_OK), 0) << "no zombie is left";
  EXPECT_FALSE(collect_released(descriptor)) << "a descriptor is collected once";
}

}  // namespace
}  // namespace vx::platform
