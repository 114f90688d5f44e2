#include "sim/programmer/sim_serial_lines.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include "platform/serial/termios_device.h"

namespace vx::sim {

SimProgrammerLine::SimProgrammerLine(SimProgrammer& programmer)
    : master_(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
  if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
  const char* name = ::ptsname(master_);
  if (name == nullptr) return;
  device_path_ = name;
  pty_ = std::make_unique<SimProgrammerPty>(programmer, master_);
}

SimProgrammerLine::~SimProgrammerLine() {
  pty_.reset();
  if (master_ >= 0) ::close(master_);
}

platform::SerialOpenResult SimSerialLines::open(std::string_view name) {
  const auto line = lines_.find(platform::com_port_number(name));
  if (line == lines_.end()) return fallback_.open(name);
  return platform::open_termios_device(line->second);
}

}  // namespace vx::sim
