// VXFirmwareUpdater run as a user starts it, from a program directory of its
// own beside the example's firmware files, against the example bench.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "support/child_process.h"
#include "support/temp_dir.h"
#include "tests/utilities/desktop_refusal.h"

namespace vx {
namespace {

namespace fs = std::filesystem;

class UpdaterRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path built(VX_UPDATER_BINARY);
    fs::copy_file(built, dir_.path() / "VXFirmwareUpdater");
    for (const char* file : {"usbqxfs20armens.620", "usbqxfx20armens.620", "osbdmens_s08.400"}) {
      fs::copy_file(built.parent_path() / file, dir_.path() / file);
    }
    fs::copy_file(fs::path(VX_UPDATER_EXAMPLE) / "bench.ini", dir_.path() / "bench.ini");
  }
  test::TempDir dir_;
};

TEST_F(UpdaterRunTest, WithoutADesktopItSaysSoAndEndsBeforeTheBenchStarts) {
  test::expect_refused_without_desktop(dir_.file("VXFirmwareUpdater"), "VXFirmwareUpdater",
                                       {"VX_SIM=" + dir_.file("bench.ini")});
  EXPECT_FALSE(fs::exists(dir_.file("bench.state")));
}

// The user's program stands in for the updater in its directory: the same main block, with a user at the window.
TEST_F(UpdaterRunTest, AUserUpdatesTheUniversalAtTheWindow) {
  fs::copy_file(VX_UPDATER_USER_HOST, dir_.path() / "updater_user");
  fs::create_directories(VX_SCREENSHOTS);
  test::ChildProcess user(dir_.file("updater_user"), {},
                          {"VX_SIM=" + dir_.file("bench.ini"), "QT_QPA_PLATFORM=offscreen",
                           std::string("VX_TEST_SCREENSHOTS=") + VX_SCREENSHOTS + "/updater-user"});
  EXPECT_EQ(user.wait_for_exit(), 0) << user.errors();
  const std::string said = user.errors();
  for (const char* line : {
           "user: caption \"Quorvex/Osbdm Firmware Update and Architecture Selection Utility - Version 1.09\"",
           "user: row \"Quorvex Universal Rev C  (Kinetis Configuration)\"",
           "user: automatic file \"usbqxfs20armens.620\"",
           "user: result \"Last Result = Success\" on 008000",
           "user: closed the window",
       }) {
    EXPECT_NE(said.find(line), std::string::npos) << line << "\n" << said;
  }
  EXPECT_EQ(said.find("the dialog"), std::string::npos) << said;
}

TEST_F(UpdaterRunTest, AnUnusableScenarioIsNamed) {
  test::ChildProcess updater(dir_.file("VXFirmwareUpdater"), {},
                             {"VX_SIM=" + dir_.file("missing.ini"), "QT_QPA_PLATFORM=offscreen"});
  EXPECT_EQ(updater.wait_for_exit(), 2);
  EXPECT_NE(updater.errors().find("VX_SIM: "), std::string::npos);
}

}  // namespace
}  // namespace vx
