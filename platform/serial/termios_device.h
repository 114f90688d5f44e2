#pragma once

#include <string>

#include "platform/serial/serial_device.h"

namespace vx::platform {

// Ports as tty devices: held exclusively (TIOCEXCL, and flock so that root is
// held off too), raw, non-blocking, at any baud rate.
SerialBackend& termios_backend();
// The tty at `path`, opened as the backend opens a COM port.
SerialOpenResult open_termios_device(const std::string& path);

}  // namespace vx::platform
