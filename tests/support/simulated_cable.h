#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/microsecond_timer.h"
#include "foundation/program_trace.h"
#include "foundation/status_output.h"
#include "interface/cable_handshake.h"
#include "interface/drivers/pci_card.h"
#include "interface/drivers/port_access.h"
#include "interface/drivers/windows_version.h"
#include "interface/interface_units.h"
#include "interface/link_state.h"
#include "interface/port_state.h"
#include "platform/osinfo.h"
#include "platform/pcicard.h"
#include "platform/portio.h"
#include "sim/cable/sim_parallel_cable.h"
#include "sim/cable/sim_pci_card.h"
#include "sim/sim_clock.h"

namespace vx::test {

// A parallel port with a cable and a PCI card, both carrying one interface
// without a target, on virtual time; every unit of the class-0 path at its
// start values before and after.
class SimulatedCable {
 public:
  static constexpr std::uint16_t lpt_base = 0x378, pci_base = 0x100;

  SimulatedCable() : previous_clock_(platform::install_clock(&clock)) {
    reset_all();
    platform::install_parallel_ports(&ports);
    platform::install_pci_card_driver(&cards);
    trace_lines().clear();
  }
  ~SimulatedCable() {
    reset_all();
    platform::install_parallel_ports(nullptr);
    platform::install_pci_card_driver(nullptr);
    platform::install_clock(previous_clock_);
  }
  SimulatedCable(const SimulatedCable&) = delete;
  SimulatedCable& operator=(const SimulatedCable&) = delete;

  // The port unit's part of opening a port, then the interface reset's register steps.
  void open_parallel(std::uint16_t base = lpt_base) {
    port_state().port_kind = PortState::kind_parallel;
    set_port_addresses(base);
    reset_cable();
  }
  void open_pci_card(std::uint8_t card_number = 1) {
    ASSERT_EQ(vxdrv_open(card_number), vxdrv::success);
    port_state().port_kind = PortState::kind_pci_card;
    pci_write_region4(0xFF);
    pci_write_region3(0xFFFFFFFF);
    set_port_addresses(pci_base);
    reset_cable();
  }
  void reset_cable() {
    const auto control = static_cast<std::uint16_t>(port_state().port_control_address);
    port_out(control, 7);
    delay_microseconds(1000);
    port_out(control, 3);
    port_out(static_cast<std::uint16_t>(port_state().port_base_address), 0xAA);
    delay_microseconds(20'000);
    port_out(control, 7);
    link_state().link_status = link_state().reload_value;
  }

  // One command through the handshake; the reply words it was asked for.
  static std::vector<std::uint16_t> command(const std::vector<std::uint8_t>& bytes, std::size_t words,
                                            std::uint32_t timeout_ms = 1250) {
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) SEND8_revB(bytes[i]);
    SEND_CMD_revB(bytes.back(), timeout_ms);
    std::vector<std::uint16_t> replies;
    for (std::size_t i = 0; i < words; ++i) {
      RECV16_RevB();
      replies.push_back(static_cast<std::uint16_t>(link_state().reply_word));
    }
    return replies;
  }

  static void record_trace() {
    trace_lines().clear();
    trace_set_receiver([](const char* line) { trace_lines().push_back(line); });
  }
  static std::vector<std::string>& trace_lines() {
    static std::vector<std::string> lines;
    return lines;
  }
  static bool traced(const std::string& text) {
    for (const std::string& line : trace_lines()) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  }

  sim::SimClock clock;
  sim::Pod pod{sim::PodConfig{}, nullptr, &clock};
  sim::SimParallelPorts ports{&clock};
  sim::SimParallelCable& cable = ports.add(lpt_base, &pod);
  sim::SimPciCardDriver cards;
  sim::SimPciCard& card = cards.add(&pod);

 private:
  static void reset_all() {
    reset_units(interface_units());
    reset_program_trace();
    reset_microsecond_timer();
    reset_status_output();
    platform::release_port_access();
    platform::reset_os_version();
  }

  platform::Clock* previous_clock_;
};

}  // namespace vx::test
