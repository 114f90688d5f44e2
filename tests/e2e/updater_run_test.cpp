// VXFirmwareUpdater run as a user starts it, from a program directory of its
// own beside the example's firmware files, against the example bench.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "support/child_process.h"
#include "support/temp_dir.h"

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

TEST_F(UpdaterRunTest, HeadlessItBuildsItsWindowAndEndsWithNobodyToAnswer) {
  test::ChildProcess updater(dir_.file("VXFirmwareUpdater"), {},
                             {"VX_SIM=" + dir_.file("bench.ini"), "VX_HEADLESS=1"});
  EXPECT_EQ(updater.wait_for_exit(), 0) << updater.errors();
  EXPECT_EQ(updater.errors(), "");
  EXPECT_TRUE(fs::exists(dir_.file("bench.state"))) << "the simulated bench ran";
}

TEST_F(UpdaterRunTest, AnUnusableScenarioIsNamed) {
  test::ChildProcess updater(dir_.file("VXFirmwareUpdater"), {}, {"VX_SIM=" + dir_.file("missing.ini"), "VX_HEADLESS=1"});
  EXPECT_EQ(updater.wait_for_exit(), 2);
  EXPECT_NE(updater.errors().find("VX_SIM: "), std::string::npos);
}

}  // namespace
}  // namespace vx
