#pragma once

#include "platform/ws/color.h"
#include "platform/ws/picture.h"

namespace vx::ws {

// A picture drawn in code from flat boxes and discs in plain colours, each
// clipped to the picture.
class PictureBuilder {
 public:
  PictureBuilder(int width, int height, Color background);

  void box(int left, int top, int width, int height, Color colour);
  // Every pixel no farther from the centre than the radius.
  void disc(int centre_x, int centre_y, int radius, Color colour);
  Picture done();

 private:
  void dot(int x, int y, Color colour);

  Picture picture_;
};

}  // namespace vx::ws
