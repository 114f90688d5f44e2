#include <gtest/gtest.h>
#include <signal.h>

#include <string>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace vx {
namespace {

const std::vector<std::string> headless{"VX_HEADLESS=1"};

struct HaltCase {
  const char* code;
  const char* switch_text;
  int exit_code;
  const char* panel;
};

TEST(RunControlProcess, ScriptResultBecomesTheExitCodeWithoutWaitingForAUser) {
  const HaltCase cases[] = {
      {"18", "!", 18, "ERROR 18 during script!"},
      {"18", "?", 18, "ERROR 18 during script!"},
      {"0", "", 0, "SUCCESS - All programming steps completed."},
      {"256", "", 255, "ERROR 256 during script!"},
      {"-3", "", 255, "ERROR -3 during script!"},
  };
  for (const HaltCase& c : cases) {
    test::ChildProcess host(VX_RUN_CONTROL_HOST, {"halt", c.code, c.switch_text}, headless);
    EXPECT_EQ(host.wait_for_exit(), c.exit_code) << c.code << c.switch_text;
    EXPECT_EQ(host.errors(), std::string(c.panel) + "\n");
    if (c.exit_code != 0) {
      EXPECT_EQ(host.output(), std::string(c.panel) + "\n");
    }
  }
}

TEST(RunControlProcess, InterruptWhileACommandPollsIsTheEscapeKey) {
  test::ChildProcess host(VX_RUN_CONTROL_HOST, {"poll"}, headless);
  ASSERT_TRUE(host.wait_for_output("polling", 10'000));
  host.signal(SIGINT);
  EXPECT_EQ(host.wait_for_exit(), 0);
  EXPECT_EQ(host.output(), "polling\nkey 283\n");
}

TEST(RunControlProcess, AFullLogMediumIsReportedOnceAndTheRunGoesOn) {
  test::ChildProcess host(VX_RUN_CONTROL_HOST, {"log", "/dev/full"}, headless);
  EXPECT_EQ(host.wait_for_exit(), 0);
  EXPECT_EQ(host.output(), "Error in Logfile - Closing\nfirst line\nsecond line\n");
}

TEST(RunControlProcess, ALogReceivesEveryLineOnce) {
  test::TempDir dir;
  test::ChildProcess host(VX_RUN_CONTROL_HOST, {"log", dir.file("run.log")}, headless);
  EXPECT_EQ(host.wait_for_exit(), 0);
  EXPECT_EQ(test::read_file(dir.file("run.log")), "first line\r\nsecond line\r\n");
}

}  // namespace
}  // namespace vx
