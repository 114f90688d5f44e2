#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>

namespace vx {

// The port-access component: on this system it reads the parallel ports'
// base addresses and grants register access through platform/portio.
class TVicHw32 {
 public:
  static constexpr std::uint16_t default_base = 0x378;

  TVicHw32() = default;
  ~TVicHw32();
  TVicHw32(const TVicHw32&) = delete;
  TVicHw32& operator=(const TVicHw32&) = delete;

  bool open_driver();
  void close_driver();
  bool ActiveHW() const { return active_; }
  // Ignored unless the driver is open and n is at most the port count.
  void set_LPTNumber(std::uint8_t n);
  std::uint8_t LPTNumber() const { return lpt_number_; }
  void set_HardAccess(bool flag) { hard_access_ = flag; }
  bool HardAccess() const { return hard_access_; }
  std::uint8_t port_count() const { return port_count_; }
  std::uint16_t base_address() const { return base_address_; }

 private:
  bool active_ = false;
  std::array<std::uint16_t, 3> table_{};
  std::uint8_t port_count_ = 0;
  std::uint16_t base_address_ = default_base;
  std::uint8_t lpt_number_ = 1;
  bool hard_access_ = true;
};

struct PortAccessState {
  bool set_up = false;
  bool giveio_opened = false;
  std::unique_ptr<TVicHw32> component;
};

PortAccessState& port_access_state();
// Closes the component when it is open.
void reset_port_access_state();

// Register access is granted on first use of a port here.
bool open_giveio();
// The driver's service needs no registry entry here.
void write_vichw11_service_key();
// table: the port-table values of ports 1 upwards (at least three).
bool init_lpt_ports(std::span<std::uint32_t> table);
void close_lpt_ports();

}  // namespace vx
