#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/osbdm/sim_osbdm_boards.h"
#include "sim/pod/pod.h"
#include "sim/programmer/sim_programmer.h"
#include "sim/sim_clock.h"

namespace vx::sim {

// The vendor identifier of simulated USB devices; the simulated world sets it
// for the programs, and VX_USB_VENDOR_ID still overrides it.
inline constexpr std::uint16_t scenario_default_vendor = 0xFFFF;

struct ScenarioInterface {
  // parallel: a cable on a parallel port; pci: a PCI card (cards 1 upwards in file order).
  enum class Family : std::uint8_t { ftdi, windriver, parallel, pci };
  Family family = Family::ftdi;
  std::string serial;       // FTDI: the serial number
  std::string description;  // FTDI: the description
  std::string information;  // WinDriver: the identification line
  std::uint16_t vendor = scenario_default_vendor;
  std::uint16_t product = 2;
  std::uint16_t base_address = 0x378;  // parallel: the port's data register
  PodConfig firmware;
};

// A stand-alone programmer carrying its own debug interface to the target.
struct ScenarioProgrammer {
  enum class Medium : std::uint8_t { udp, usb, serial };
  Medium medium = Medium::udp;
  std::string address = "127.0.0.1";  // UDP: a loopback address
  bool locked = false;                // UDP: refuses until taken over
  std::uint16_t product = 2;          // USB
  std::uint16_t com = 1;              // serial: the COM port number, 1-19
  SimProgrammerConfig config;
};

struct ScenarioTarget {
  std::filesystem::path state_file;  // flash kept here between runs
  std::filesystem::path image;       // raw bytes at image_address when there is no state yet
  std::uint16_t image_address = 0;
  bool secured = false;
};

struct Scenario {
  SimClock::Mode time_mode = SimClock::Mode::virtual_time;
  std::uint64_t usb_round_trip_ns = 1'000'000;
  ScenarioTarget target;
  std::vector<ScenarioInterface> interfaces;
  std::vector<ScenarioProgrammer> programmers;
  // Boards reached through the OSBDM library.
  std::vector<OsbdmBoardConfig> osbdm_boards;
  // The port every UDP programmer listens on; 0: any free port.
  std::uint16_t programmer_port = 0;
};

struct ScenarioResult {
  std::optional<Scenario> scenario;
  std::string error;  // "line N: ..." when there is no scenario
};

// Files are named relative to `base`, the scenario's directory.
ScenarioResult parse_scenario(std::string_view text, const std::filesystem::path& base);
ScenarioResult load_scenario(const std::filesystem::path& file);

}  // namespace vx::sim
