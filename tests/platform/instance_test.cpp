#include "platform/instance.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

namespace vx::platform {
namespace {

class InstanceLockTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vx-instance-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    base_ = pattern;
    runtime_ = base_ / "run";
    setenv("VX_RUNTIME_DIR", runtime_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("VX_RUNTIME_DIR");
    std::filesystem::remove_all(base_);
  }
  std::filesystem::path base_;
  std::filesystem::path runtime_;
};

TEST_F(InstanceLockTest, SecondHolderSeesTheFirstUntilItLetsGo) {
  InstanceLock first;
  InstanceLock second;
  EXPECT_FALSE(first.probe("/opt/vx/CQUILLHCS08.RUN"));
  EXPECT_TRUE(first.held());
  EXPECT_TRUE(second.probe("/opt/vx/CQUILLHCS08.RUN"));
  EXPECT_FALSE(second.held());
  EXPECT_FALSE(second.probe("/opt/vx/other.RUN")) << "another name is another lock";
  first.release();
  EXPECT_FALSE(second.probe("/opt/vx/CQUILLHCS08.RUN"));
  EXPECT_EQ(second.path().rfind(runtime_.string(), 0), 0u);
}

TEST_F(InstanceLockTest, ProbingAgainKeepsOwnLock) {
  InstanceLock lock;
  EXPECT_FALSE(lock.probe("copy"));
  EXPECT_FALSE(lock.probe("copy")) << "the lock this object held is given up before the probe";
  EXPECT_TRUE(lock.held());
}

TEST_F(InstanceLockTest, NoUsableDirectoryMeansNoOtherCopy) {
  std::ofstream(base_ / "plain-file") << "x";
  setenv("VX_RUNTIME_DIR", (base_ / "plain-file").c_str(), 1);
  InstanceLock lock;
  EXPECT_FALSE(lock.probe("copy"));
  EXPECT_FALSE(lock.held());
}

TEST(RuntimeFileName, IsSafeAndShortAndKeepsLongNamesApart) {
  EXPECT_EQ(runtime_file_name("/opt/vx/CQUILLHCS08.RUN"), "_opt_vx_CQUILLHCS08.RUN");
  EXPECT_EQ(runtime_file_name(".."), "_..");
  EXPECT_EQ(runtime_file_name(""), "_");
  const std::string stem(300, 'a');
  const std::string one = runtime_file_name(stem + "1");
  const std::string two = runtime_file_name(stem + "2");
  EXPECT_LE(one.size(), 96u);
  EXPECT_NE(one, two);
}

}  // namespace
}  // namespace vx::platform
