#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/net.h"
#include "sim/cable/sim_parallel_cable.h"
#include "sim/cable/sim_pci_card.h"
#include "sim/hcs08/hcs08.h"
#include "sim/osbdm/sim_osbdm_boards.h"
#include "sim/pod/pod.h"
#include "sim/programmer/sim_programmer.h"
#include "sim/programmer/sim_programmer_udp.h"
#include "sim/programmer/sim_serial_lines.h"
#include "sim/scenario.h"
#include "sim/sim_clock.h"
#include "sim/usb/sim_ftdi_bus.h"
#include "sim/usb/sim_usb_bus.h"

namespace vx::sim {

// What a scenario describes, built and installed into the platform layers:
// the clock, the FTDI and WinDriver buses, the parallel ports and the PCI
// card driver with an interface firmware per device, the stand-alone
// programmers on loopback UDP, on the WinDriver bus and on ptys reached as
// COM ports, and the one target they all reach. The network settings point
// at loopback, and the process's USB vendor identifier at the scenario's,
// for as long as the world lives. The interfaces' and programmers' flash reaches
// the state file at each write, before the device answers. Uninstalled again, with
// the target's flash saved too, when the world ends; the program closes its USB
// devices and serial ports first.
class SimulatedWorld {
 public:
  explicit SimulatedWorld(const Scenario& scenario);
  ~SimulatedWorld();
  SimulatedWorld(const SimulatedWorld&) = delete;
  SimulatedWorld& operator=(const SimulatedWorld&) = delete;

  SimClock& clock() { return clock_; }
  Hcs08& target() { return target_; }
  Pod& pod(std::size_t interface) { return *pods_.at(interface); }
  SimFtdiBus& ftdi_bus() { return ftdi_; }
  SimUsbBus& usb_bus() { return usb_; }
  // The boards behind the built-in "VXOSBDMV1.DLL".
  SimOsbdmBoards& osbdm_boards() { return osbdm_; }
  // A programmer on a serial line is shared with its line's thread: touch it,
  // its interface and the target only inside with_lines_held.
  SimProgrammer& programmer(std::size_t k) { return *programmers_.at(k); }
  // Runs f while no programmer on a serial line is working.
  void with_lines_held(const std::function<void()>& f) { hold_lines(0, f); }
  // The k-th programmer on the network, in scenario order.
  SimProgrammerUdp& udp_programmer(std::size_t k) { return *servers_.at(k); }
  // The port the UDP programmers listen on; 0 without any.
  std::uint16_t programmer_port() const { return servers_.empty() ? 0 : servers_.front()->port(); }
  // Empty, or why the state file could not be read or written.
  const std::string& state_problem() const { return state_problem_; }

 private:
  void prepare_target(const ScenarioTarget& target);
  void add_interfaces(const Scenario& scenario);
  void add_programmers(const Scenario& scenario);
  void hold_lines(std::size_t first, const std::function<void()>& f);
  // The k-th programmer's flash lives beside the state file, too large to go inside it.
  std::filesystem::path programmer_state_file(std::size_t k) const;
  void restore_programmer(std::size_t k);
  void keep_flash_written();
  void save_target_and_interfaces() const;
  void save_programmer(std::size_t k) const;

  std::filesystem::path state_file_;
  SimClock clock_;
  platform::Clock* previous_clock_;
  Hcs08 target_;
  SimFtdiBus ftdi_;
  SimUsbBus usb_;
  SimParallelPorts parallel_;
  SimPciCardDriver pci_;
  SimOsbdmBoards osbdm_;
  platform::OsbdmBackend* previous_osbdm_ = nullptr;
  // The scenario's interfaces first, then the programmers' own.
  std::vector<std::unique_ptr<Pod>> pods_;
  std::size_t interface_count_ = 0;
  InterfaceFlash interface_flash_;  // as the state file kept it
  platform::NetSettings previous_net_;
  std::optional<std::uint16_t> previous_vendor_;
  std::vector<std::unique_ptr<SimProgrammer>> programmers_;
  std::vector<std::unique_ptr<SimProgrammerUdp>> servers_;
  std::vector<std::unique_ptr<SimProgrammerLine>> lines_;
  platform::SerialBackend* previous_serial_;
  SimSerialLines serial_;
  std::string state_problem_;
};

struct SimulationStart {
  std::unique_ptr<SimulatedWorld> world;  // none without VX_SIM or when the scenario is unusable
  std::string error;                      // why a named scenario could not be used
};

// The hook the programs call at start-up: when VX_SIM names a scenario, its
// world replaces the real backends for the rest of the run.
SimulationStart start_simulation_from_environment();

}  // namespace vx::sim
