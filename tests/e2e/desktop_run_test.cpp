#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "production_run.h"
#include "support/child_process.h"

// The production example with its windows on a display (Qt's offscreen
// platform) and someone at them, whose keys and clicks travel as the
// display's own events.
namespace vx::test {
namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The n of "ERROR n during script!", or 0 when the script succeeded.
int script_error(const std::string& output) {
  std::smatch found;
  return std::regex_search(output, found, std::regex("ERROR (-?[0-9]+) during script!")) ? std::stoi(found[1]) : 0;
}

class DesktopRun : public ::testing::Test {
 protected:
  DesktopRun() : bench(VX_DESKTOP_RUN_HOST) {}

  // "?" keeps the windows open after the script, as for someone at the desk.
  ProgrammerResult run(const std::string& user, const std::string& script, std::vector<std::string> extra = {}) {
    std::vector<std::string> environment = bench.install.environment(true);
    environment.push_back("VX_TEST_USER=" + user);
    environment.insert(environment.end(), extra.begin(), extra.end());
    ChildProcess child(bench.install.program(), bench.arguments(script, "?"), environment);
    ProgrammerResult result;
    result.exit_code = child.wait_for_exit();
    result.output = child.output();
    result.errors = child.errors();
    return result;
  }

  ProductionRun bench;
};

TEST_F(DesktopRun, TheExampleRunsWithItsWindowsOnTheDisplay) {
  const ProgrammerResult result = run("watch", bench.example_script());
  EXPECT_EQ(result.exit_code, 0) << result.output << result.errors;
  EXPECT_TRUE(contains(result.errors, "user: window \"9S08JM60 Programmer\"")) << result.errors;
  EXPECT_TRUE(contains(result.output, "CMD>QU")) << result.output;
  EXPECT_FALSE(contains(result.errors, "answered")) << "no dialog was answered for the user: " << result.errors;
}

TEST_F(DesktopRun, EscapeStopsTheCommandWaitingForTheTarget) {
  const ProgrammerResult result = run("escape", bench.example_script());
  ASSERT_TRUE(contains(result.errors, "user: the status list has the focus; pressed Esc")) << result.errors;
  EXPECT_TRUE(contains(result.errors, "user: the button reads \"Quit\"; clicked it")) << result.errors;
  const int error = script_error(result.output);
  EXPECT_NE(error, 0) << result.output;
  EXPECT_EQ(result.exit_code, error) << result.output;
  EXPECT_TRUE(contains(result.output, "Canceling ... Error during programming.")) << result.output;
  EXPECT_FALSE(contains(result.output, "CMD>VM")) << "the script stopped at PM: " << result.output;
}

TEST_F(DesktopRun, TheCancelButtonTurnsIntoQuitAndQuitEndsTheProgram) {
  const ProgrammerResult result = run("cancel", bench.example_script());
  ASSERT_TRUE(contains(result.errors, "user: clicked \"Cancel\"")) << result.errors;
  EXPECT_TRUE(contains(result.errors, "user: the button reads \"Quit\"; clicked it")) << result.errors;
  EXPECT_FALSE(contains(result.output, "CMD>VM")) << result.output;
  EXPECT_NE(result.exit_code, 0);
  EXPECT_EQ(result.exit_code, script_error(result.output)) << result.output;
}

TEST_F(DesktopRun, ClosingTheWindowDuringTheScriptEndsTheRunWithOne) {
  const ProgrammerResult result = run("close", bench.example_script());
  ASSERT_TRUE(contains(result.errors, "user: closed the main window")) << result.errors;
  EXPECT_EQ(result.exit_code, 1) << result.output;
  EXPECT_FALSE(contains(result.output, "CMD>VM")) << result.output;
}

TEST_F(DesktopRun, AfterTheScriptTheWindowShowsItsResult) {
  std::string script = bench.example_script();
  script.erase(script.find("QU\n"));
  std::filesystem::create_directories(VX_SCREENSHOTS);
  const std::string picture = std::string(VX_SCREENSHOTS) + "/desktop_run_after_production_example.png";
  std::filesystem::remove(picture);
  const ProgrammerResult result = run("screenshot", script, {"VX_TEST_SCREENSHOT=" + picture});
  EXPECT_EQ(result.exit_code, 0) << result.output << result.errors;
  EXPECT_TRUE(contains(result.errors, "user: saved the main window")) << result.errors;
  EXPECT_TRUE(contains(result.errors, "user: the status panel reads \"SUCCESS - All programming steps completed.\""))
      << result.errors;
  EXPECT_TRUE(std::filesystem::exists(picture));
}

// Without a display and without VX_HEADLESS the run is headless and never
// starts Qt: Qt would name the plugins it looks at when asked to.
TEST(HeadlessRun, WithoutADisplayNoQtStarts) {
  ProductionRun bench;
  std::vector<std::string> environment = bench.install.environment();
  std::erase(environment, std::string("VX_HEADLESS=1"));
  environment.insert(environment.end(), {"QT_DEBUG_PLUGINS=1", "QT_QPA_PLATFORM="});
  // The test programs' main has taken the desktop's display away.
  ASSERT_EQ(std::getenv("DISPLAY"), nullptr);
  ASSERT_EQ(std::getenv("WAYLAND_DISPLAY"), nullptr);
  ChildProcess child(bench.install.program(), bench.arguments(bench.example_script()), environment);
  EXPECT_EQ(child.wait_for_exit(), 0) << child.output() << child.errors();
  EXPECT_TRUE(contains(child.output(), "CMD>QU")) << child.output();
  EXPECT_FALSE(contains(child.errors(), "qt.")) << child.errors();
}

}  // namespace
}  // namespace vx::test
