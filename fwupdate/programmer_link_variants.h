#pragma once

#include <cstdint>

// The updater's own versions of a few programmer-link routines: the shift
// speed command, USB opens from the programmer or the trace-interface list,
// and the count of either list.
namespace vx::updater {

inline constexpr std::uint8_t shift_speed_command = 0x1D;

// The reply's status byte.
std::uint8_t sap_set_shift_speed(std::uint16_t speed);
// list: 0 programmers, 1 trace interfaces; anything else has none.
std::int32_t sap_usb_device_count(std::int32_t list);
// n outside 1-19 opens entry 1. 0, 17 failed, 18 exception.
std::int32_t sap_open_usb(std::int32_t n, bool trace_list);

}  // namespace vx::updater
