#include "platform/screen.h"

namespace vx::platform {

ScreenMetrics screen_metrics() { return {1280, 1024, 96}; }

}  // namespace vx::platform
