#include "platform/osinfo.h"

#include <sys/utsname.h>

#include <cstdio>
#include <optional>

namespace vx::platform {
namespace {

std::optional<OsVersion> pretended_version;

OsVersion this_system() {
  OsVersion version;
  utsname names{};
  unsigned major = 0;
  unsigned minor = 0;
  if (uname(&names) == 0 && std::sscanf(names.release, "%u.%u", &major, &minor) == 2) {
    version.major = major;
    version.minor = minor;
  }
  return version;
}

}  // namespace

OsVersion os_version() { return pretended_version ? *pretended_version : this_system(); }

void set_os_version(OsVersion version) { pretended_version = std::move(version); }

void reset_os_version() { pretended_version.reset(); }

}  // namespace vx::platform
