#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "platform/ws/shell.h"
#include "tests/platform/ws_test_support.h"

namespace vx::ws {
namespace {

using ShellTest = testing_support::WindowSystemTest;

TEST_F(ShellTest, BeepHelpAndScreenHeadless) {
  beep();
  beep();
  EXPECT_EQ(beep_count(), 2u);
  EXPECT_FALSE(show_help("Status_Window"));
  EXPECT_EQ(help_requests(), (std::vector<std::string>{"Status_Window"}));
  EXPECT_EQ(screen_width(), 1280);
  EXPECT_EQ(screen_height(), 1024);
  EXPECT_EQ(screen_pixels_per_inch(), 96);
}

TEST_F(ShellTest, WebAddressIsOnlyRecordedHeadless) {
  EXPECT_TRUE(open_url("https://example.invalid/quorvex"));
  EXPECT_EQ(opened_urls(), (std::vector<std::string>{"https://example.invalid/quorvex"}));
}

TEST_F(ShellTest, WithADisplayTheAddressGoesToXdgOpenAsOneArgument) {
  char pattern[] = "/tmp/vx-shell-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::filesystem::path directory = pattern;
  const std::filesystem::path opener = directory / "xdg-open";
  const std::filesystem::path record = directory / "opened";
  std::ofstream(opener) << "#!/bin/sh\nprintf '%s' \"$1\" > \"" << record.string() << ".tmp\"\nmv \""
                        << record.string() << ".tmp\" \"" << record.string() << "\"\n";
  chmod(opener.c_str(), 0700);
  const std::string old_path = getenv("PATH") != nullptr ? getenv("PATH") : "";
  setenv("PATH", (directory.string() + ":" + old_path).c_str(), 1);
  set_headless(false);

  const std::string address = "https://example.invalid/a b;$(touch pwned)";
  EXPECT_TRUE(open_url(address));
  platform::MonotonicClock real;
  for (int round = 0; round < 5'000 && !std::filesystem::exists(record); ++round) real.sleep_microseconds(1'000);
  std::ifstream opened(record);
  const std::string got((std::istreambuf_iterator<char>(opened)), std::istreambuf_iterator<char>());
  EXPECT_EQ(got, address);
  EXPECT_FALSE(std::filesystem::exists("pwned"));

  setenv("PATH", old_path.c_str(), 1);
  std::filesystem::remove_all(directory);
}

}  // namespace
}  // namespace vx::ws
