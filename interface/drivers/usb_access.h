#pragma once

namespace vx {

// Writes one status line for each USB device the system refused to open
// since the last call, naming its node and what to change; a device is named
// once per run.
void write_refused_usb_devices();

}  // namespace vx
