#pragma once

#include <cstdint>

#include "sim/hcs08/cpu_registers.h"
#include "sim/hcs08/opcode_table.h"

// Defined here so that they inline into the CPU, which calls one in most instructions.
namespace vx::sim::alu {

inline void set(std::uint8_t& ccr, std::uint8_t bit, bool on) {
  ccr = static_cast<std::uint8_t>(on ? (ccr | bit) : (ccr & ~bit));
}

inline void set_nz(std::uint8_t& ccr, std::uint8_t r) {
  set(ccr, ccr::N, (r & 0x80) != 0);
  set(ccr, ccr::Z, r == 0);
}

// V follows N XOR C after a shift or rotate.
inline std::uint8_t shifted(std::uint8_t& ccr, std::uint8_t r, bool carry) {
  set_nz(ccr, r);
  set(ccr, ccr::C, carry);
  set(ccr, ccr::V, ((r & 0x80) != 0) != carry);
  return r;
}

// Each routine returns its result and sets the condition codes as the CPU reference gives them.
inline std::uint8_t add(std::uint8_t& ccr, std::uint8_t a, std::uint8_t m, bool carry_in) {
  const unsigned sum = a + m + (carry_in ? 1u : 0u);
  const auto r = static_cast<std::uint8_t>(sum);
  const unsigned carries = (a & m) | (m & ~r) | (~r & a);
  set(ccr, ccr::H, (carries & 0x08) != 0);
  set(ccr, ccr::C, (carries & 0x80) != 0);
  set(ccr, ccr::V, ((a ^ r) & (m ^ r) & 0x80) != 0);
  set_nz(ccr, r);
  return r;
}

inline std::uint8_t subtract(std::uint8_t& ccr, std::uint8_t a, std::uint8_t m, bool borrow_in) {
  const auto r = static_cast<std::uint8_t>(a - m - (borrow_in ? 1 : 0));
  const unsigned borrows = (~a & m) | (m & r) | (r & ~a);
  set(ccr, ccr::C, (borrows & 0x80) != 0);
  set(ccr, ccr::V, ((a ^ m) & (a ^ r) & 0x80) != 0);
  set_nz(ccr, r);
  return r;
}

// V cleared, N and Z from the value (loads, stores, logic, MOV).
inline std::uint8_t logic(std::uint8_t& ccr, std::uint8_t value) {
  set(ccr, ccr::V, false);
  set_nz(ccr, value);
  return value;
}

// NEG, COM, the shifts and rotates, DEC, INC, TST and CLR.
inline std::uint8_t modify(Op op, std::uint8_t& ccr, std::uint8_t m) {
  const bool carry = (ccr & ccr::C) != 0;
  switch (op) {
    case Op::Neg: {
      const auto r = static_cast<std::uint8_t>(-m);
      set(ccr, ccr::V, r == 0x80);
      set(ccr, ccr::C, r != 0);
      set_nz(ccr, r);
      return r;
    }
    case Op::Com:
      set(ccr, ccr::C, true);
      return logic(ccr, static_cast<std::uint8_t>(~m));
    case Op::Lsr:
      return shifted(ccr, static_cast<std::uint8_t>(m >> 1), (m & 1) != 0);
    case Op::Asr:
      return shifted(ccr, static_cast<std::uint8_t>((m >> 1) | (m & 0x80)), (m & 1) != 0);
    case Op::Ror:
      return shifted(ccr, static_cast<std::uint8_t>((m >> 1) | (carry ? 0x80 : 0)), (m & 1) != 0);
    case Op::Lsl:
      return shifted(ccr, static_cast<std::uint8_t>(m << 1), (m & 0x80) != 0);
    case Op::Rol:
      return shifted(ccr, static_cast<std::uint8_t>((m << 1) | (carry ? 1 : 0)), (m & 0x80) != 0);
    case Op::Dec: {
      const auto r = static_cast<std::uint8_t>(m - 1);
      set(ccr, ccr::V, m == 0x80);
      set_nz(ccr, r);
      return r;
    }
    case Op::Inc: {
      const auto r = static_cast<std::uint8_t>(m + 1);
      set(ccr, ccr::V, m == 0x7F);
      set_nz(ccr, r);
      return r;
    }
    case Op::Clr:
      return logic(ccr, 0);
    default:  // Tst
      return logic(ccr, m);
  }
}

// CPHX: H:X minus the word.
inline void compare16(std::uint8_t& ccr, std::uint16_t hx, std::uint16_t m) {
  const auto r = static_cast<std::uint16_t>(hx - m);
  const unsigned borrows = (~hx & m) | (m & r) | (r & ~hx);
  set(ccr, ccr::C, (borrows & 0x8000) != 0);
  set(ccr, ccr::V, ((hx ^ m) & (hx ^ r) & 0x8000) != 0);
  set(ccr, ccr::N, (r & 0x8000) != 0);
  set(ccr, ccr::Z, r == 0);
}

// LDHX, STHX: V cleared, N and Z from the word.
inline std::uint16_t load16(std::uint8_t& ccr, std::uint16_t value) {
  set(ccr, ccr::V, false);
  set(ccr, ccr::N, (value & 0x8000) != 0);
  set(ccr, ccr::Z, value == 0);
  return value;
}

// Decimal adjust after a BCD addition: the correction depends on C, H and the nibbles of A.
inline std::uint8_t daa(std::uint8_t& ccr, std::uint8_t a) {
  const bool carry = (ccr & ccr::C) != 0;
  const bool half = (ccr & ccr::H) != 0;
  unsigned correction = 0;
  bool carry_out = carry;
  if (half || (a & 0x0F) > 9) correction |= 0x06;
  if (carry || a > 0x99) {
    correction |= 0x60;
    carry_out = true;
  }
  const auto r = static_cast<std::uint8_t>(a + correction);
  set(ccr, ccr::C, carry_out);
  set_nz(ccr, r);
  return r;
}

}  // namespace vx::sim::alu
