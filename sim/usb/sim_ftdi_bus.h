#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ftdi.h"
#include "sim/pod/pod.h"
#include "sim/sim_clock.h"

namespace vx::sim {

struct SimFtdiDevice {
  std::string serial;
  std::string description;
  Pod* pod = nullptr;  // nullptr: an FTDI device that is no debug interface
  bool present = true;
  std::uint32_t open_ports = 0;
};

// FTDI devices carrying the interface byte stream: frames 0xAA 0x55, length
// high, length low, payload go in; the interface's answer bytes come out.
// Each frame costs a USB round trip of simulated time and the bus time of its
// and its answer's packets.
class SimFtdiBus final : public platform::FtdiBus {
 public:
  explicit SimFtdiBus(SimClock* clock, std::uint64_t round_trip_ns = 1'000'000);

  // The device stays where it is; unplugging it makes its open ports fail.
  SimFtdiDevice& add(SimFtdiDevice device);
  void unplug(const std::string& serial);

  std::optional<std::vector<platform::FtdiListing>> list() override;
  std::unique_ptr<platform::FtdiPort> open(std::string_view serial) override;

 private:
  SimClock* clock_;
  std::uint64_t round_trip_ns_;
  std::vector<std::shared_ptr<SimFtdiDevice>> devices_;
};

}  // namespace vx::sim
