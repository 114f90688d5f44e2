#include <gtest/gtest.h>

#include <optional>

#include "desktop/x_session.h"
#include "support/child_process.h"

// A desktop step that hangs must fail the test at that step rather than run into the test's time
// limit without a word: the waits on tools and programs end.
namespace vx::test::desktop {
namespace {

TEST(BoundedWaits, AToolStillRunningAtItsLimitIsEndedAndReportsNothing) {
  EXPECT_EQ(run_tool_within({"sleep", "20"}, 1), std::nullopt);
  const std::optional<ToolResult> quick = run_tool_within({"echo", "done"}, 20);
  ASSERT_TRUE(quick.has_value());
  EXPECT_EQ(quick->exit_code, 0);
  EXPECT_EQ(quick->output, "done\n");
}

TEST(BoundedWaits, AProgramStillRunningAtTheLimitHasNoExitCodeYet) {
  ChildProcess running("/bin/sleep", {"20"});
  EXPECT_EQ(running.wait_for_exit_within(100), std::nullopt);
  ChildProcess ending("/bin/sh", {"-c", "exit 3"});
  EXPECT_EQ(ending.wait_for_exit_within(20'000), 3);
}

}  // namespace
}  // namespace vx::test::desktop
