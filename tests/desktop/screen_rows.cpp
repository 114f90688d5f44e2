#include "desktop/screen_rows.h"

namespace vx::test::desktop {
namespace {

constexpr unsigned white = 0xFFFFFF;

}  // namespace

std::vector<Band> bands_in_white_area(const ScreenImage& image, int probe_x, int from_y, int to_y, int left, int right) {
  // The list is the longest white run of the column; bevels have white lines too.
  int top = from_y, bottom = from_y;
  for (int y = from_y; y < to_y;) {
    if (image.pixel(probe_x, y) != white) {
      ++y;
      continue;
    }
    const int start = y;
    while (y < to_y && image.pixel(probe_x, y) == white) ++y;
    if (y - start > bottom - top) top = start, bottom = y;
  }
  std::vector<Band> bands;
  bool inside = false;
  // Clear of a focus rectangle along the edges.
  for (int y = top + 2; y < bottom - 2; ++y) {
    bool marked = false;
    bool one_colour = true;
    const unsigned first = image.pixel(left, y);
    for (int x = left; x < right; ++x) {
      const unsigned colour = image.pixel(x, y);
      marked = marked || colour != white;
      one_colour = one_colour && colour == first;
    }
    if (marked && !inside) bands.push_back({y, y + 1, false});
    if (marked) {
      bands.back().bottom = y + 1;
      bands.back().one_colour = bands.back().one_colour || one_colour;
    }
    inside = marked;
  }
  return bands;
}

}  // namespace vx::test::desktop
