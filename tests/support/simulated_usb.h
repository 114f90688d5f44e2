#pragma once

#include <optional>
#include <string>
#include <vector>

#include "foundation/program_trace.h"
#include "interface/drivers/ftdi_binding.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/drivers/wdusb_library.h"
#include "interface/interface_units.h"
#include "interface/link_state.h"
#include "interface/port_counts.h"
#include "interface/usb_routing.h"
#include "platform/dynlib.h"
#include "platform/ftdi.h"
#include "platform/osinfo.h"
#include "platform/wdusb.h"
#include "sim/scenario.h"
#include "sim/sim_clock.h"
#include "sim/usb/sim_ftdi_bus.h"
#include "sim/usb/sim_usb_bus.h"

namespace vx::test {

// Both simulated USB buses on virtual time, installed for the life of a
// test, with every USB unit at its start values before and after, and the
// simulated devices' vendor identifier set.
class SimulatedUsb {
 public:
  SimulatedUsb() : previous_clock_(platform::install_clock(&clock)) {
    reset_all();
    platform::install_ftdi_bus(&ftdi);
    platform::install_usb_bus(&usb);
    previous_vendor_ = platform::set_usb_vendor_id(sim::scenario_default_vendor);
    trace_lines().clear();
  }
  ~SimulatedUsb() {
    reset_all();
    platform::set_usb_vendor_id(previous_vendor_);
    platform::install_ftdi_bus(nullptr);
    platform::install_usb_bus(nullptr);
    platform::install_clock(previous_clock_);
  }
  SimulatedUsb(const SimulatedUsb&) = delete;
  SimulatedUsb& operator=(const SimulatedUsb&) = delete;

  // Program-trace lines from now on, without their label and indentation.
  static void record_trace() {
    trace_lines().clear();
    trace_set_receiver([](const char* line) {
      std::string text(line);
      const std::size_t label = text.find("QUILL:");
      trace_lines().push_back(label == std::string::npos ? text : text.substr(label + 6));
    });
  }
  static std::vector<std::string>& trace_lines() {
    static std::vector<std::string> lines;
    return lines;
  }

  sim::SimClock clock;
  sim::SimFtdiBus ftdi{&clock};
  sim::SimUsbBus usb{&clock};

 private:
  static void reset_all() {
    reset_units(interface_units());
    reset_program_trace();
    platform::reset_ftdi_handles();
    platform::reset_dynlib();
    platform::reset_os_version();
  }

  platform::Clock* previous_clock_;
  std::optional<std::uint16_t> previous_vendor_;
};

}  // namespace vx::test
