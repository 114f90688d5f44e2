#include "fwupdate/selection_pictures.h"

#include <algorithm>
#include <cstdint>

namespace vx::updater {
namespace {

struct Rgb {
  std::uint8_t r, g, b;
};

constexpr Rgb white{255, 255, 255}, navy{20, 40, 110}, sky{70, 140, 220}, case_grey{62, 66, 74},
    case_blue{32, 70, 140}, metal{176, 180, 188}, cable_black{28, 28, 28}, board_green{24, 110, 60},
    chip_black{36, 36, 40}, led_green{60, 230, 90}, led_amber{240, 170, 40}, label_white{236, 236, 236},
    gold{214, 170, 60};

// A canvas of flat boxes and discs, clipped to its size.
class Drawing {
 public:
  Drawing(int width, int height, Rgb background) {
    picture_.width = width;
    picture_.height = height;
    picture_.rgb.resize(static_cast<std::size_t>(width * height * 3));
    box(0, 0, width, height, background);
  }
  void box(int left, int top, int w, int h, Rgb colour) {
    for (int y = std::max(top, 0); y < std::min(top + h, picture_.height); ++y) {
      for (int x = std::max(left, 0); x < std::min(left + w, picture_.width); ++x) dot(x, y, colour);
    }
  }
  void disc(int centre_x, int centre_y, int radius, Rgb colour) {
    for (int y = centre_y - radius; y <= centre_y + radius; ++y) {
      for (int x = centre_x - radius; x <= centre_x + radius; ++x) {
        const int dx = x - centre_x, dy = y - centre_y;
        if (dx * dx + dy * dy <= radius * radius && x >= 0 && y >= 0 && x < picture_.width && y < picture_.height) {
          dot(x, y, colour);
        }
      }
    }
  }
  ws::Picture done() { return std::move(picture_); }

 private:
  void dot(int x, int y, Rgb colour) {
    const std::size_t at = static_cast<std::size_t>((y * picture_.width + x) * 3);
    picture_.rgb[at] = colour.r;
    picture_.rgb[at + 1] = colour.g;
    picture_.rgb[at + 2] = colour.b;
  }
  ws::Picture picture_;
};

constexpr int picture_width = 150, picture_height = 110;

// A debug interface's box with its USB lead and ribbon header; `shade` tells the models apart.
Drawing interface_box(Rgb shade) {
  Drawing drawing(picture_width, picture_height, white);
  drawing.box(4, 50, 20, 14, metal);
  drawing.box(24, 55, 22, 4, cable_black);
  drawing.box(46, 24, 80, 62, shade);
  drawing.box(56, 32, 60, 12, label_white);
  drawing.disc(62, 72, 4, led_green);
  drawing.disc(76, 72, 4, led_amber);
  drawing.box(126, 44, 18, 26, cable_black);
  for (int pin = 0; pin < 3; ++pin) drawing.box(130, 48 + pin * 7, 10, 3, gold);
  return drawing;
}

}  // namespace

ws::Picture draw_logo() {
  // Three rising bars beside a ring: the maker's mark.
  Drawing drawing(64, 64, white);
  drawing.disc(32, 32, 28, navy);
  drawing.disc(32, 32, 21, white);
  drawing.box(20, 36, 6, 12, sky);
  drawing.box(29, 28, 6, 20, sky);
  drawing.box(38, 20, 6, 28, navy);
  return drawing.done();
}

ws::Picture draw_universal() { return interface_box(case_grey).done(); }

ws::Picture draw_universal_fx() {
  Drawing drawing = interface_box(case_blue);
  // The FX's wider header block for its extra target connectors.
  drawing.box(46, 86, 80, 8, cable_black);
  for (int pin = 0; pin < 8; ++pin) drawing.box(52 + pin * 9, 88, 5, 4, gold);
  return drawing.done();
}

ws::Picture draw_osbdm_board() {
  // A development board with the debug circuit's chip and USB socket in one corner.
  Drawing drawing(picture_width, picture_height, white);
  drawing.box(8, 14, 134, 84, board_green);
  drawing.box(14, 20, 28, 16, metal);
  drawing.box(50, 22, 22, 22, chip_black);
  drawing.box(84, 40, 44, 44, chip_black);
  for (int pin = 0; pin < 6; ++pin) drawing.box(20 + pin * 7, 82, 4, 8, gold);
  drawing.disc(60, 62, 4, led_green);
  return drawing.done();
}

}  // namespace vx::updater
