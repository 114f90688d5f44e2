#pragma once

#include <cstdint>

// What the programmer engine sets from its desktop file and command line
// and the interface layer reads: power switching, the reset delay, the
// background-debug speed divider and the fixed-sync mode.
namespace vx {

struct ConnectionSettings {
  bool power_relays_in_use = true;
  bool power_off_on_exit = false;
  std::uint8_t supply_selection = 0xFF;
  std::int32_t power_down_delay_ms = 250;
  std::int32_t power_up_delay_ms = 250;
  std::uint16_t reset_delay_ms = 0;
  // IO_DELAY_CNT: the interface clocks the background link at base / (divider + 1).
  std::uint16_t io_delay_cnt = 0;
  // "/NCL08": sync with a fixed value instead of the sync parameter.
  bool ncl08_mode = false;
  std::uint16_t ncl08_sync_value = 125;
};

ConnectionSettings& connection_settings();
void reset_connection_settings();

}  // namespace vx
