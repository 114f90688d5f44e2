#pragma once

#include <cstdint>

namespace vx {

// What the last port scan found.
struct PortCounts {
  std::int32_t found_lpt_count = 0;
  std::int32_t found_pci_count = 0;
  std::int32_t found_usb_interface_count = 0;
  std::int32_t found_usb_programmer_count = 0;
  std::int32_t found_ethernet_count = 0;
  // Trace interfaces (the firmware updater's build).
  std::int32_t found_ethernet_trace_count = 0;
  std::int32_t found_usb_trace_count = 0;
};

PortCounts& port_counts();
void reset_port_counts();

}  // namespace vx
