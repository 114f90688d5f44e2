#include "utilities/desktop_required.h"

#include <cstdio>

#include "platform/ws/application.h"

namespace vx::utilities {

bool desktop_usable(const char* program) {
  if (!ws::headless()) return true;
  std::fprintf(stderr,
               "%s needs a desktop: it has no use without its window, and no display can be used here "
               "(VX_HEADLESS=1, or no DISPLAY or WAYLAND_DISPLAY that answers).\n",
               program);
  return false;
}

}  // namespace vx::utilities
