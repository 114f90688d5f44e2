#pragma once

#include <string>
#include <vector>

#include "e2e/programmer_run.h"

namespace vx::test::desktop {

// The install's settings for a run on the session's display: its bench, runtime and registry
// files, and no VX_HEADLESS.
inline std::vector<std::string> desktop_environment(const ProgrammerInstall& install) {
  std::vector<std::string> environment;
  for (const std::string& setting : install.environment()) {
    if (!setting.starts_with("VX_HEADLESS=")) environment.push_back(setting);
  }
  return environment;
}

}  // namespace vx::test::desktop
