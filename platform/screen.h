#pragma once

namespace vx::platform {

struct ScreenMetrics {
  int width_pixels;
  int height_pixels;
  int pixels_per_inch;
};

// The screen the windows are placed on; fixed values when there is no display.
ScreenMetrics screen_metrics();

}  // namespace vx::platform
