#pragma once

// The updater and fwrescue are nothing but their windows: where no display can
// be used (VX_HEADLESS=1, or no display that answers) nobody could ever work
// them, so they end before anything starts.
namespace vx::utilities {

inline constexpr int no_desktop_exit_code = 3;

// True when the program can show its windows; otherwise one line on stderr
// names `program` and what it needs.
bool desktop_usable(const char* program);

}  // namespace vx::utilities
