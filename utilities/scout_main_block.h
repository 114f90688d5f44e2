#pragma once

#include <functional>

namespace vx::utilities::fwscout_form {

class TForm1;

// fwscout from start to end: its builds of the OSBDM binding and the USB
// port list, the device window and the message loop. Headless, the list's
// lines go to stdout once and the program ends. `sit_down` sees the window
// once it is created, before it is shown (a test's user). Returns the exit
// code: 0.
int scout_main_block(const std::function<void(TForm1&)>& sit_down = {});

}  // namespace vx::utilities::fwscout_form
