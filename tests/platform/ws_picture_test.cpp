#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/ws/controls.h"
#include "platform/ws/picture.h"

namespace vx::ws {
namespace {

const std::filesystem::path fixture = std::filesystem::path(VX_TEST_FIXTURES) / "tiny.jpg";

std::vector<std::uint8_t> fixture_bytes() {
  std::ifstream file(fixture, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(JpegDecode, SmallPictureDecodesToItsColours) {
  const std::optional<Picture> picture = load_jpeg_file(fixture.string());
  ASSERT_TRUE(picture.has_value());
  ASSERT_EQ(picture->width, 16);
  ASSERT_EQ(picture->height, 16);
  ASSERT_EQ(picture->rgb.size(), 16u * 16u * 3u);
  struct Sample {
    int x;
    int y;
    int red;
    int green;
    int blue;
  };
  const Sample samples[] = {{2, 2, 255, 0, 0}, {12, 2, 0, 255, 0}, {2, 12, 0, 0, 255}, {12, 12, 255, 255, 255}};
  for (const Sample& s : samples) {
    const std::size_t at = (static_cast<std::size_t>(s.y) * 16 + static_cast<std::size_t>(s.x)) * 3;
    EXPECT_NEAR(picture->rgb[at], s.red, 24) << s.x << "," << s.y;
    EXPECT_NEAR(picture->rgb[at + 1], s.green, 24) << s.x << "," << s.y;
    EXPECT_NEAR(picture->rgb[at + 2], s.blue, 24) << s.x << "," << s.y;
  }
}

TEST(JpegDecode, DataThatIsNoPictureGivesNothing) {
  const std::vector<std::uint8_t> empty;
  const std::vector<std::uint8_t> garbage(64, 0x5A);
  EXPECT_FALSE(decode_jpeg(empty));
  EXPECT_FALSE(decode_jpeg(garbage));
  EXPECT_FALSE(load_jpeg_file((fixture.parent_path() / "missing.jpg").string()));
}

TEST(JpegDecode, HugeClaimedSizeIsRefusedBeforeAllocating) {
  std::vector<std::uint8_t> bytes = fixture_bytes();
  ASSERT_GT(bytes.size(), 20u);
  bool patched = false;
  for (std::size_t i = 0; i + 8 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC1)) {
      bytes[i + 5] = bytes[i + 7] = 0xFF;  // height and width 65500-ish
      bytes[i + 6] = bytes[i + 8] = 0xD0;
      patched = true;
      break;
    }
  }
  ASSERT_TRUE(patched);
  EXPECT_FALSE(decode_jpeg(bytes));
}

TEST(JpegDecode, CutOffPictureNeverReadsPastItsData) {
  const std::vector<std::uint8_t> bytes = fixture_bytes();
  for (std::size_t length = 1; length < bytes.size(); length += 7) {
    const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
    const std::optional<Picture> picture = decode_jpeg(cut);
    if (picture) {
      EXPECT_EQ(picture->rgb.size(), static_cast<std::size_t>(picture->width * picture->height * 3));
    }
  }
}

TEST(JpegDecode, ImageControlKeepsItsPictureWhenNewDataFails) {
  Image image(nullptr);
  ASSERT_TRUE(image.load_jpeg(fixture_bytes()));
  EXPECT_EQ(image.picture().width, 16);
  const std::vector<std::uint8_t> garbage(10, 1);
  EXPECT_FALSE(image.load_jpeg(garbage));
  EXPECT_EQ(image.picture().width, 16);
}

}  // namespace
}  // namespace vx::ws
