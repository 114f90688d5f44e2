#pragma once

#include <cstdint>
#include <string>

namespace vx::platform {

// The operating system's family and release numbers: the interface drivers
// choose their driver kind and library paths by it, and the serial dispatch
// log names the system with it. Linux is none of the families they tell apart.
enum class OsPlatform : std::uint8_t { win32s, windows_9x, windows_nt, other };

struct OsVersion {
  OsPlatform platform = OsPlatform::other;
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::string service_text;
};

// This system: another platform, with the kernel's release numbers.
OsVersion os_version();
// Tests pretend to run on another system; reset_os_version returns to the real answer.
void set_os_version(OsVersion version);
void reset_os_version();

}  // namespace vx::platform
