#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/serial/serial_device.h"
#include "sim/programmer/sim_programmer.h"
#include "sim/programmer/sim_programmer_pty.h"

namespace vx::sim {

// A stand-alone programmer on a serial line of its own: a pty whose far end
// the programmer answers on its thread.
class SimProgrammerLine {
 public:
  explicit SimProgrammerLine(SimProgrammer& programmer);
  ~SimProgrammerLine();
  SimProgrammerLine(const SimProgrammerLine&) = delete;
  SimProgrammerLine& operator=(const SimProgrammerLine&) = delete;

  // Empty when no pty could be made.
  const std::string& device_path() const { return device_path_; }
  SimProgrammerPty* line() { return pty_.get(); }

 private:
  int master_;
  std::string device_path_;
  std::unique_ptr<SimProgrammerPty> pty_;
};

// The serial ports of a simulated world: the programmers' lines by COM
// number, every other port through the backend installed before.
class SimSerialLines final : public platform::SerialBackend {
 public:
  explicit SimSerialLines(platform::SerialBackend& fallback) : fallback_(fallback) {}

  void add(std::uint32_t com, std::string device_path) { lines_[com] = std::move(device_path); }
  platform::SerialOpenResult open(std::string_view name) override;

 private:
  platform::SerialBackend& fallback_;
  std::map<std::uint32_t, std::string> lines_;
};

}  // namespace vx::sim
