#pragma once

#include <cstdint>

// The target's background-debug clock measured by sync, and the speed
// divider the interface clocks the background link with.
namespace vx {

struct SyncState {
  std::int32_t sync_parameter = 10;
  bool sync_ok = false;
  std::uint32_t last_frequency = 0;
  // The interface's timer, from the last sync of firmware 3.30 and later.
  std::uint32_t cable_timer_frequency = 0;
};

SyncState& sync_state();
void reset_sync_state();

void SET_TARGET_TYPE(std::uint8_t type);
// Sends the sync request; the caller reads the replies.
void SEND_SYNC_COMMAND(std::int32_t parameter);
// The target's background clock in Hz; 0 when the sync failed.
std::uint32_t do_sync_return_frequency(std::int32_t parameter);
std::uint32_t sync_with_retry(std::int32_t parameter);
std::uint16_t bdm_speed_divider(std::uint32_t frequency);
// Sends the connection settings' divider; true when the link held.
bool SET_SPEED_NO_RESET();
void sync_and_set_speed(std::int32_t parameter);

}  // namespace vx
