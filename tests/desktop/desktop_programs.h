#pragma once

#include <string>
#include <vector>

#include "e2e/programmer_run.h"

namespace vx::test::desktop {

// How long a program told to end may take: far more than it needs, and short of the test's time
// limit, so a close that went astray fails at its step instead of hanging the run.
constexpr int exit_limit_ms = 30'000;

// The install's settings for a run on the session's display: its bench, runtime and registry
// files, and no VX_HEADLESS.
// The install's bench in real time, so that a delay or a held update takes as long as it says.
inline void use_real_time(const ProgrammerInstall& install) {
  std::string bench = read_file(install.file("bench.ini"));
  bench.replace(bench.find("mode = virtual"), 14, "mode = real");
  install.write("bench.ini", bench);
}

inline std::vector<std::string> desktop_environment(const ProgrammerInstall& install) {
  std::vector<std::string> environment;
  for (const std::string& setting : install.environment()) {
    if (!setting.starts_with("VX_HEADLESS=")) environment.push_back(setting);
  }
  return environment;
}

}  // namespace vx::test::desktop
