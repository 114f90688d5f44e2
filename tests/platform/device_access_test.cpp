#include "platform/device_access.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "support/unprivileged_child.h"

namespace vx::platform {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// A node only its owner and group may open, as device nodes are made.
std::string make_node(const test::TempDir& dir, const std::string& name, gid_t group) {
  const std::string node = dir.file(name);
  std::ofstream{node} << "x";
  EXPECT_EQ(chown(node.c_str(), 0, group), 0);
  EXPECT_EQ(chmod(node.c_str(), group == 0 ? 0600 : 0660), 0);
  return node;
}

std::string open_as_unprivileged_user(const std::string& node) {
  return test::in_unprivileged_child([&] {
    const int fd = open(node.c_str(), O_RDWR);
    if (fd >= 0) {
      close(fd);
      return std::string("opened");
    }
    return device_open_problem(node, errno);
  });
}

TEST(DeviceAccess, RefusedOpenNamesTheNodeAndWhatTheUserLacks) {
  test::TempDir dir;
  chmod(dir.path().c_str(), 0755);
  const group* dialout = getgrnam("dialout");
  ASSERT_NE(dialout, nullptr);

  const std::string serial = make_node(dir, "ttyUSB0", dialout->gr_gid);
  const std::string line = open_as_unprivileged_user(serial);
  EXPECT_THAT(line, HasSubstr("No permission to open " + serial));
  EXPECT_THAT(line, HasSubstr("group \"dialout\""));
  EXPECT_THAT(line, HasSubstr("usermod -aG dialout"));

  const std::string usb = make_node(dir, "004", 0);
  const std::string usb_line = open_as_unprivileged_user(usb);
  EXPECT_THAT(usb_line, HasSubstr("No permission to open " + usb));
  EXPECT_THAT(usb_line, HasSubstr("udev rule"));
  EXPECT_THAT(usb_line, Not(HasSubstr("group")));
}

TEST(DeviceAccess, InUseOnlyForABusyDevice) {
  struct Case {
    int error;
    DeviceOpenFailure failure;
    const char* says;
  };
  const Case cases[] = {
      {EBUSY, DeviceOpenFailure::in_use, "/dev/ttyS0 is in use by another program"},
      {EWOULDBLOCK, DeviceOpenFailure::in_use, "/dev/ttyS0 is in use by another program"},
      {ENOENT, DeviceOpenFailure::missing, "/dev/ttyS0 does not exist: is the device connected?"},
      {ENXIO, DeviceOpenFailure::missing, "/dev/ttyS0 does not exist: is the device connected?"},
      {EACCES, DeviceOpenFailure::no_permission, "No permission to open /dev/ttyS0"},
      {EIO, DeviceOpenFailure::other, "/dev/ttyS0 cannot be opened: Input/output error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    EXPECT_EQ(classify_open_error(c.error), c.failure);
    EXPECT_THAT(device_open_problem("/dev/ttyS0", c.error), HasSubstr(c.says));
  }
  EXPECT_THAT(device_open_problem("/dev/ttyS0", EACCES), Not(HasSubstr("in use")));
}

TEST(DeviceAccess, UsbNodesHaveThreeDigitBusAndAddress) {
  EXPECT_EQ(usb_device_node(1, 5), "/dev/bus/usb/001/005");
  EXPECT_EQ(usb_device_node(12, 127), "/dev/bus/usb/012/127");
  EXPECT_EQ(usb_device_node(255, 0), "/dev/bus/usb/255/000");
}

// A refused device is handed out once per run, however often its open is refused.
TEST(DeviceAccess, EachRefusedNodeIsHandedOutOnce) {
  reset_refused_devices();
  record_refused_device("/dev/bus/usb/001/004");
  record_refused_device("/dev/bus/usb/002/009");
  record_refused_device("/dev/bus/usb/001/004");
  EXPECT_EQ(take_refused_devices(), (std::vector<std::string>{"/dev/bus/usb/001/004", "/dev/bus/usb/002/009"}));
  EXPECT_TRUE(take_refused_devices().empty());
  record_refused_device("/dev/bus/usb/002/009");
  record_refused_device("/dev/bus/usb/003/001");
  EXPECT_EQ(take_refused_devices(), std::vector<std::string>{"/dev/bus/usb/003/001"});
  reset_refused_devices();
}

}  // namespace
}  // namespace vx::platform
