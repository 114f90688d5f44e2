#include "platform/ws/picture_builder.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace vx::ws {

PictureBuilder::PictureBuilder(int width, int height, Color background) {
  picture_.width = width;
  picture_.height = height;
  picture_.rgb.resize(static_cast<std::size_t>(width * height * 3));
  box(0, 0, width, height, background);
}

void PictureBuilder::box(int left, int top, int width, int height, Color colour) {
  for (int y = std::max(top, 0); y < std::min(top + height, picture_.height); ++y) {
    for (int x = std::max(left, 0); x < std::min(left + width, picture_.width); ++x) dot(x, y, colour);
  }
}

void PictureBuilder::disc(int centre_x, int centre_y, int radius, Color colour) {
  for (int y = std::max(centre_y - radius, 0); y <= std::min(centre_y + radius, picture_.height - 1); ++y) {
    for (int x = std::max(centre_x - radius, 0); x <= std::min(centre_x + radius, picture_.width - 1); ++x) {
      const int dx = x - centre_x, dy = y - centre_y;
      if (dx * dx + dy * dy <= radius * radius) dot(x, y, colour);
    }
  }
}

Picture PictureBuilder::done() { return std::move(picture_); }

void PictureBuilder::dot(int x, int y, Color colour) {
  const auto at = static_cast<std::size_t>((y * picture_.width + x) * 3);
  picture_.rgb[at] = static_cast<std::uint8_t>(colour & 0xFF);
  picture_.rgb[at + 1] = static_cast<std::uint8_t>((colour >> 8) & 0xFF);
  picture_.rgb[at + 2] = static_cast<std::uint8_t>((colour >> 16) & 0xFF);
}

}  // namespace vx::ws
