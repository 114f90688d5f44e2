#pragma once

#include <vector>

#include "desktop/x_session.h"

namespace vx::test::desktop {

// A run of pixel rows of a white list that hold something other than white.
struct Band {
  int top = 0;
  int bottom = 0;  // exclusive
  bool one_colour = false;  // every pixel of some row is the same non-white colour
};

// The bands of the white area that column `probe_x` finds between `from_y` and `to_y` (its
// longest white run), looking at each row between `left` and `right`.
std::vector<Band> bands_in_white_area(const ScreenImage& image, int probe_x, int from_y, int to_y, int left, int right);

}  // namespace vx::test::desktop
