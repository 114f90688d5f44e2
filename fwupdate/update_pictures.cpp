#include "fwupdate/update_pictures.h"

#include "platform/ws/picture_builder.h"

namespace vx::fwupdate {
namespace {

constexpr int width = 128, height = 96;

constexpr ws::Color background = ws::rgb(212, 208, 200), case_grey = ws::rgb(70, 74, 82),
                    metal = ws::rgb(176, 180, 188), cable_black = ws::rgb(30, 30, 30),
                    board_green = ws::rgb(24, 110, 60), led_green = ws::rgb(60, 230, 90),
                    led_red = ws::rgb(230, 50, 40), label_white = ws::rgb(236, 236, 236),
                    chip_black = ws::rgb(44, 44, 48), solder_gold = ws::rgb(200, 170, 70),
                    jumper_blue = ws::rgb(40, 80, 200), fx_blue = ws::rgb(34, 62, 120);

// Every picture of the window has the same size and background.
ws::PictureBuilder sketch_pad() { return ws::PictureBuilder(width, height, background); }

}  // namespace

ws::Picture draw_parallel_cable() {
  ws::PictureBuilder sketch = sketch_pad();
  // A 25-pin plug, its cable, and the pod at the far end.
  sketch.box(6, 30, 34, 36, metal);
  sketch.box(12, 36, 22, 24, case_grey);
  for (int pin = 0; pin < 5; ++pin) sketch.box(15 + pin * 4, 40, 2, 16, metal);
  sketch.box(40, 46, 44, 4, cable_black);
  sketch.box(84, 28, 38, 40, case_grey);
  sketch.box(90, 34, 26, 8, label_white);
  sketch.box(92, 56, 5, 5, led_green);
  sketch.box(104, 56, 5, 5, led_red);
  return sketch.done();
}

ws::Picture draw_usb_interface() {
  ws::PictureBuilder sketch = sketch_pad();
  // A USB plug, its lead and the interface's box with a ribbon header.
  sketch.box(4, 40, 18, 14, metal);
  sketch.box(8, 44, 10, 6, case_grey);
  sketch.box(22, 45, 30, 4, cable_black);
  sketch.box(52, 22, 58, 52, case_grey);
  sketch.box(60, 30, 42, 10, label_white);
  sketch.box(62, 60, 6, 6, led_green);
  sketch.box(74, 60, 6, 6, led_red);
  sketch.box(110, 40, 14, 16, cable_black);
  return sketch.done();
}

ws::Picture draw_programmer() {
  ws::PictureBuilder sketch = sketch_pad();
  // A stand-alone programmer: a case with a window onto its board and three lights.
  sketch.box(10, 14, 108, 68, case_grey);
  sketch.box(20, 22, 88, 30, board_green);
  sketch.box(30, 28, 20, 16, cable_black);
  sketch.box(60, 30, 36, 6, metal);
  sketch.box(24, 62, 8, 8, led_green);
  sketch.box(40, 62, 8, 8, led_green);
  sketch.box(56, 62, 8, 8, led_red);
  sketch.box(84, 60, 26, 12, label_white);
  return sketch.done();
}

ws::Picture draw_osbdm_board() {
  ws::PictureBuilder sketch = sketch_pad();
  // A bare evaluation board: its mini-USB socket, the debug chip with its
  // bootloader jumper, and the target's chip and header beside it.
  sketch.box(6, 12, 116, 72, board_green);
  sketch.box(2, 38, 14, 16, metal);
  sketch.box(24, 30, 22, 22, chip_black);
  for (int pin = 0; pin < 5; ++pin) sketch.box(26 + pin * 4, 26, 2, 4, solder_gold);
  for (int pin = 0; pin < 5; ++pin) sketch.box(26 + pin * 4, 52, 2, 4, solder_gold);
  sketch.box(26, 64, 4, 10, solder_gold);
  sketch.box(32, 64, 4, 10, solder_gold);
  sketch.box(25, 66, 12, 6, jumper_blue);
  sketch.box(60, 26, 34, 34, chip_black);
  for (int pin = 0; pin < 7; ++pin) sketch.box(62 + pin * 4, 22, 2, 4, solder_gold);
  for (int pin = 0; pin < 7; ++pin) sketch.box(62 + pin * 4, 60, 2, 4, solder_gold);
  for (int pin = 0; pin < 8; ++pin) sketch.box(104, 18 + pin * 7, 10, 4, solder_gold);
  sketch.box(50, 70, 5, 5, led_green);
  sketch.box(62, 70, 5, 5, led_red);
  return sketch.done();
}

ws::Picture draw_universal_fx() {
  ws::PictureBuilder sketch = sketch_pad();
  // The faster interface: a USB lead into a blue case with a wide label,
  // a row of lights, and its ribbon cable leaving on the right.
  sketch.box(2, 42, 16, 12, metal);
  sketch.box(6, 45, 8, 6, case_grey);
  sketch.box(18, 46, 20, 4, cable_black);
  sketch.box(38, 16, 66, 64, fx_blue);
  sketch.box(44, 22, 54, 14, label_white);
  sketch.box(48, 26, 20, 6, fx_blue);
  sketch.box(72, 26, 22, 6, led_red);
  for (int light = 0; light < 4; ++light) sketch.box(46 + light * 13, 62, 6, 6, light == 3 ? led_red : led_green);
  sketch.box(104, 38, 10, 20, cable_black);
  sketch.box(114, 30, 12, 36, metal);
  return sketch.done();
}

}  // namespace vx::fwupdate
