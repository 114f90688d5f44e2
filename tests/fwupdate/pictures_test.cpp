#include <gtest/gtest.h>

#include <cstdint>

#include "fwupdate/selection_pictures.h"
#include "fwupdate/update_pictures.h"

namespace vx {
namespace {

// FNV-1a over the pixels: any changed pixel changes it.
std::uint64_t pixel_hash(const ws::Picture& picture) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const std::uint8_t byte : picture.rgb) {
    hash ^= byte;
    hash *= 1099511628211ull;
  }
  return hash;
}

// The pictures as they were first drawn: a change of the drawing code must leave every pixel.
TEST(Pictures, EveryPictureKeepsItsPixels) {
  struct Case {
    const char* name;
    ws::Picture (*draw)();
    int width;
    int height;
    std::uint64_t hash;
  };
  const Case cases[] = {
      {"logo", updater::draw_logo, 64, 64, 0x12d3c2ff25a3c101},
      {"selection universal", updater::draw_universal, 150, 110, 0xfe18903a0a676da7},
      {"selection universal fx", updater::draw_universal_fx, 150, 110, 0x018b24733c1dafa7},
      {"selection osbdm board", updater::draw_osbdm_board, 150, 110, 0x5a147969d4b6394b},
      {"parallel cable", fwupdate::draw_parallel_cable, 128, 96, 0x7106793496edcbe1},
      {"usb interface", fwupdate::draw_usb_interface, 128, 96, 0xa8ebad7d45daf9f5},
      {"programmer", fwupdate::draw_programmer, 128, 96, 0x7b19aa1a25aa0fa5},
      {"update osbdm board", fwupdate::draw_osbdm_board, 128, 96, 0x46e0dcf7e0755d91},
      {"update universal fx", fwupdate::draw_universal_fx, 128, 96, 0xa120a7e4241acc75},
  };
  for (const Case& c : cases) {
    const ws::Picture picture = c.draw();
    EXPECT_EQ(picture.width, c.width) << c.name;
    EXPECT_EQ(picture.height, c.height) << c.name;
    EXPECT_EQ(picture.rgb.size(), static_cast<std::size_t>(c.width * c.height * 3)) << c.name;
    EXPECT_EQ(pixel_hash(picture), c.hash) << c.name;
  }
}

}  // namespace
}  // namespace vx
