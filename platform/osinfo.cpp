#include "platform/osinfo.h"

namespace vx::platform {
namespace {

OsVersion reported_version;

}  // namespace

OsVersion os_version() { return reported_version; }

void set_os_version(OsVersion version) { reported_version = version; }

void reset_os_version() { reported_version = OsVersion{}; }

}  // namespace vx::platform
