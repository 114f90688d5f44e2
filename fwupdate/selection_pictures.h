#pragma once

#include "platform/ws/picture.h"

// The selection window's logo and its pictures of the three hardware types, drawn in code.
namespace vx::updater {

ws::Picture draw_logo();
ws::Picture draw_universal();
ws::Picture draw_universal_fx();
ws::Picture draw_osbdm_board();

}  // namespace vx::updater
