#pragma once

#include <cstdint>

#include "sim/hcs08/opcode_table.h"

namespace vx::sim::alu {

// Each routine returns its result and sets the condition codes as the CPU reference gives them.
std::uint8_t add(std::uint8_t& ccr, std::uint8_t a, std::uint8_t m, bool carry_in);
std::uint8_t subtract(std::uint8_t& ccr, std::uint8_t a, std::uint8_t m, bool borrow_in);
// V cleared, N and Z from the value (loads, stores, logic, MOV).
std::uint8_t logic(std::uint8_t& ccr, std::uint8_t value);
// NEG, COM, the shifts and rotates, DEC, INC, TST and CLR.
std::uint8_t modify(Op op, std::uint8_t& ccr, std::uint8_t m);
// CPHX: H:X minus the word.
void compare16(std::uint8_t& ccr, std::uint16_t hx, std::uint16_t m);
// LDHX, STHX: V cleared, N and Z from the word.
std::uint16_t load16(std::uint8_t& ccr, std::uint16_t value);
std::uint8_t daa(std::uint8_t& ccr, std::uint8_t a);

}  // namespace vx::sim::alu
