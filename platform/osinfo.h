#pragma once

#include <cstdint>
#include <string>

namespace vx::platform {

// The operating system's version record.
struct OsVersion {
  // 0 Win32s, 1 the Windows 9x family, 2 the NT family, anything else another system.
  std::uint32_t platform_id = 3;
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::string service_text;
};

// This system: another platform, with the kernel's release numbers.
OsVersion os_version();

}  // namespace vx::platform
