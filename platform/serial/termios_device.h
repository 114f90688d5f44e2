#pragma once

#include "platform/serial/serial_device.h"

namespace vx::platform {

// Ports as tty devices: held exclusively (TIOCEXCL, and flock so that root is
// held off too), raw, non-blocking, at any baud rate.
SerialBackend& termios_backend();

}  // namespace vx::platform
