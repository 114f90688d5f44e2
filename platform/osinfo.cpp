#include "platform/osinfo.h"

#include <sys/utsname.h>

#include <cstdio>

namespace vx::platform {

OsVersion os_version() {
  OsVersion version;
  utsname names{};
  if (uname(&names) == 0) {
    unsigned major = 0;
    unsigned minor = 0;
    if (std::sscanf(names.release, "%u.%u", &major, &minor) == 2) {
      version.major = major;
      version.minor = minor;
    }
  }
  return version;
}

}  // namespace vx::platform
