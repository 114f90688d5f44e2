#include "fwupdate/selection_pictures.h"

#include "platform/ws/picture_builder.h"

namespace vx::updater {
namespace {

constexpr ws::Color white = ws::rgb(255, 255, 255), navy = ws::rgb(20, 40, 110), sky = ws::rgb(70, 140, 220),
                    case_grey = ws::rgb(62, 66, 74), case_blue = ws::rgb(32, 70, 140), metal = ws::rgb(176, 180, 188),
                    cable_black = ws::rgb(28, 28, 28), board_green = ws::rgb(24, 110, 60),
                    chip_black = ws::rgb(36, 36, 40), led_green = ws::rgb(60, 230, 90),
                    led_amber = ws::rgb(240, 170, 40), label_white = ws::rgb(236, 236, 236),
                    gold = ws::rgb(214, 170, 60);

constexpr int picture_width = 150, picture_height = 110;

// A debug interface's box with its USB lead and ribbon header; `shade` tells the models apart.
ws::PictureBuilder interface_box(ws::Color shade) {
  ws::PictureBuilder drawing(picture_width, picture_height, white);
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
  ws::PictureBuilder drawing(64, 64, white);
  drawing.disc(32, 32, 28, navy);
  drawing.disc(32, 32, 21, white);
  drawing.box(20, 36, 6, 12, sky);
  drawing.box(29, 28, 6, 20, sky);
  drawing.box(38, 20, 6, 28, navy);
  return drawing.done();
}

ws::Picture draw_universal() { return interface_box(case_grey).done(); }

ws::Picture draw_universal_fx() {
  ws::PictureBuilder drawing = interface_box(case_blue);
  // The FX's wider header block for its extra target connectors.
  drawing.box(46, 86, 80, 8, cable_black);
  for (int pin = 0; pin < 8; ++pin) drawing.box(52 + pin * 9, 88, 5, 4, gold);
  return drawing.done();
}

ws::Picture draw_osbdm_board() {
  // A development board with the debug circuit's chip and USB socket in one corner.
  ws::PictureBuilder drawing(picture_width, picture_height, white);
  drawing.box(8, 14, 134, 84, board_green);
  drawing.box(14, 20, 28, 16, metal);
  drawing.box(50, 22, 22, 22, chip_black);
  drawing.box(84, 40, 44, 44, chip_black);
  for (int pin = 0; pin < 6; ++pin) drawing.box(20 + pin * 7, 82, 4, 8, gold);
  drawing.disc(60, 62, 4, led_green);
  return drawing.done();
}

}  // namespace vx::updater
