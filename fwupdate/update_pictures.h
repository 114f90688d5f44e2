#pragma once

#include "platform/ws/picture.h"

// The progress window's pictures of the interfaces, drawn in code.
namespace vx::fwupdate {

ws::Picture draw_parallel_cable();
ws::Picture draw_usb_interface();
ws::Picture draw_programmer();
ws::Picture draw_osbdm_board();
ws::Picture draw_universal_fx();

}  // namespace vx::fwupdate
