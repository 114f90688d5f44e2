#pragma once

#include <cstdint>

// The device's flash controller driven register by register over the debug
// interface, without a routine in RAM: the clock divider, and the blank
// check, mass erase and option-byte program that unsecure a device.
namespace vx::programmer {

namespace flash {
inline constexpr std::uint32_t FCDIV = 0x1820;
inline constexpr std::uint32_t NVOPT = 0xFFBF;
inline constexpr std::uint8_t unsecured_option = 0xFE;
inline constexpr std::uint8_t blank_check = 0x05;
inline constexpr std::uint8_t byte_program = 0x20;
inline constexpr std::uint8_t mass_erase = 0x41;
}  // namespace flash

// The FCDIV value for a bus frequency in Hz; below 175 kHz it is -1.
std::int32_t flash_clock_divider(std::int32_t bus_frequency);
// Clears the error flags and writes FCDIV; returns FCDIV read back.
std::uint8_t set_flash_clock_divider(std::int32_t bus_frequency);
// Register set 0, or 1 with DEVICE_HAS_EEPROM. A time-out of 0 counts as 1 ms and ends the
// wait silently: callers judge by the security state afterwards.
void launch_flash_command(int register_set, std::uint32_t address, std::uint8_t data, std::int32_t timeout_ms,
                          std::uint8_t command);
void flash_blank_check();
void flash_mass_erase();
void flash_unsecure();

}  // namespace vx::programmer
