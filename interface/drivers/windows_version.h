#pragma once

#include <cstdint>

namespace vx {

// 0 Win32s, 1 Windows 95, 2 98, 3 ME, 4 NT before 5.0, 5 XP, 6 2000, 7 version 5.2, 8 anything else.
std::uint8_t windows_version_code();
// The USB libraries load on every system but Win32s, Windows 95 and NT before 5.0.
bool usb_libraries_allowed();

// This system counts as Windows NT: it is neither Win32s nor Windows 9x.
// The first call of a run says so on the status output.
bool is_windows_nt();

struct WindowsReport {
  bool reported = false;
};
void reset_windows_report();

}  // namespace vx
