#include "interface/drivers/windows_version.h"

#include <gtest/gtest.h>

#include "platform/osinfo.h"

namespace vx {
namespace {

TEST(WindowsVersionCode, FromPlatformAndVersion) {
  using platform::OsPlatform;
  struct Case {
    OsPlatform platform;
    std::uint32_t major;
    std::uint32_t minor;
    std::uint8_t code;
    bool usb;
  };
  const Case cases[] = {
      {OsPlatform::win32s, 3, 10, 0, false},     {OsPlatform::windows_9x, 4, 0, 1, false},
      {OsPlatform::windows_9x, 4, 10, 2, true},  {OsPlatform::windows_9x, 4, 90, 3, true},
      {OsPlatform::windows_9x, 4, 5, 8, true},   {OsPlatform::windows_nt, 4, 0, 4, false},
      {OsPlatform::windows_nt, 3, 51, 4, false}, {OsPlatform::windows_nt, 5, 0, 6, true},
      {OsPlatform::windows_nt, 5, 1, 5, true},   {OsPlatform::windows_nt, 5, 2, 7, true},
      {OsPlatform::windows_nt, 5, 3, 8, true},   {OsPlatform::windows_nt, 6, 0, 8, true},
      {OsPlatform::windows_nt, 10, 0, 8, true},  {OsPlatform::other, 0, 0, 8, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.platform) << " " << c.major << "." << c.minor);
    platform::set_os_version({c.platform, c.major, c.minor, 0, {}});
    EXPECT_EQ(windows_version_code(), c.code);
    EXPECT_EQ(usb_libraries_allowed(), c.usb);
  }
  platform::reset_os_version();
  EXPECT_EQ(windows_version_code(), 8);
}

}  // namespace
}  // namespace vx
