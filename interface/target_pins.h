#pragma once

#include <cstdint>

// The interface's lines to the target: BKGD, the reset line and its latch,
// the target voltage and the target supply.
namespace vx {

// The target voltage code (volts = code x 5 / 255); 255 where it cannot be read.
std::uint8_t READ_VOLTAGE();
// 0 reset held low or no target voltage, 1 a reset was seen (latch cleared), 2 running.
std::uint8_t READ_RESET_LINE();
void DRIVE_BKGD_LOW();
void RELEASE_BKGD();
void CLEAR_RESET_LATCH();
void set_target_voltage(std::uint8_t selection);
void interface_power_down();

}  // namespace vx
