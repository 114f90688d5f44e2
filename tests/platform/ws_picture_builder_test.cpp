#include "platform/ws/picture_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vx::ws {
namespace {

constexpr Color paper = rgb(250, 240, 230), ink = rgb(200, 10, 20), sea = rgb(5, 60, 190);

// The picture as rows of '.' (paper), 'R' (ink) and 'B' (sea); '?' for any other pixel.
std::vector<std::string> rows_of(const Picture& picture) {
  std::vector<std::string> rows;
  for (int y = 0; y < picture.height; ++y) {
    std::string row;
    for (int x = 0; x < picture.width; ++x) {
      const auto at = static_cast<std::size_t>((y * picture.width + x) * 3);
      const Color pixel = rgb(picture.rgb[at], picture.rgb[at + 1], picture.rgb[at + 2]);
      row += pixel == paper ? '.' : pixel == ink ? 'R' : pixel == sea ? 'B' : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

TEST(PictureBuilder, BoxesAndDiscsAreClippedToThePicture) {
  PictureBuilder builder(6, 4, paper);
  builder.box(-2, 2, 4, 5, ink);
  builder.disc(4, 1, 2, sea);
  const Picture picture = builder.done();
  EXPECT_EQ(picture.width, 6);
  EXPECT_EQ(picture.height, 4);
  ASSERT_EQ(picture.rgb.size(), 6u * 4u * 3u);
  EXPECT_EQ(rows_of(picture), (std::vector<std::string>{"...BBB", "..BBBB", "RR.BBB", "RR..B."}));
}

TEST(PictureBuilder, LaterDrawingLiesOnTopAndNothingOutsideIsDrawn) {
  PictureBuilder builder(5, 5, paper);
  builder.disc(2, 2, 2, ink);
  builder.disc(2, 2, 1, sea);
  builder.box(1, 0, 0, 5, ink);
  builder.box(5, 0, 3, 3, ink);
  builder.disc(-4, 2, 2, ink);
  EXPECT_EQ(rows_of(builder.done()), (std::vector<std::string>{"..R..", ".RBR.", "RBBBR", ".RBR.", "..R.."}));
}

}  // namespace
}  // namespace vx::ws
