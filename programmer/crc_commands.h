#pragma once

#include <cstdint>

// VC, SC and VV: the device's flash checked by a value that the target
// computes itself, block by block, with the checksum routine in its RAM.
namespace vx::programmer {

// Places and loads the checksum routine; its RAM address. Ends the script with 60 when it
// does not read back.
std::uint16_t load_crc_routine();
// One block of object-file addresses first..last, its pages selected around the run.
std::uint32_t run_target_crc(std::uint16_t routine, std::uint32_t first, std::uint32_t last, std::uint32_t value_in);
// The value of the whole module less its excluded addresses (SC, VV).
std::uint32_t calculate_device_crc();

void verify_crc();
void show_module_crc();
void verify_module_crc_value();

}  // namespace vx::programmer
