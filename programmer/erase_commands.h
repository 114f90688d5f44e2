#pragma once

#include <cstddef>
#include <cstdint>

// EM, EN, EB, EW, BM and BR: erase and blank-check through the algorithm's
// routines. A module erase keeps the preserved ranges: their bytes are
// saved before it and programmed back after it.
namespace vx::programmer {

// Routine entry 9, 7 or 8; start is a device address.
void erase_module(std::size_t routine_entry, std::uint32_t start, std::uint32_t size);
void blank_check_module(std::uint32_t start, std::uint32_t size);

void erase_module_command();
void erase_if_not_blank_command();
void blank_check_module_command();
void blank_check_range();
void erase_byte_range();
void erase_word_range();

}  // namespace vx::programmer
