#include "interface/drivers/windows_version.h"

#include "foundation/status_output.h"
#include "platform/osinfo.h"

namespace vx {
namespace {

WindowsReport report;

}  // namespace

void reset_windows_report() { report = WindowsReport{}; }

std::uint8_t windows_version_code() {
  const platform::OsVersion version = platform::os_version();
  switch (version.platform) {
    case platform::OsPlatform::win32s: return 0;
    case platform::OsPlatform::windows_9x:
      if (version.minor == 0) return 1;
      if (version.minor == 10) return 2;
      if (version.minor == 90) return 3;
      return 8;
    case platform::OsPlatform::windows_nt:
      if (version.major < 5) return 4;
      if (version.major > 5) return 8;
      if (version.minor == 0) return 6;
      if (version.minor == 1) return 5;
      if (version.minor == 2) return 7;
      return 8;
    case platform::OsPlatform::other: return 8;
  }
  return 8;
}

bool usb_libraries_allowed() {
  const std::uint8_t code = windows_version_code();
  return code != 0 && code != 1 && code != 4;
}

}  // namespace vx

namespace vx {

bool is_windows_nt() {
  const platform::OsPlatform platform = platform::os_version().platform;
  const bool nt = platform != platform::OsPlatform::win32s && platform != platform::OsPlatform::windows_9x;
  if (!report.reported) {
    report.reported = true;
    WRITELN_TO_DEBUG(nt ? "Windows NT detected." : "Windows 3.1x/95 detected.");
  }
  return nt;
}

}  // namespace vx
