#pragma once

#include <array>
#include <cstdint>

namespace vx::sim {

// One entry per operation, not per opcode: the addressing mode says where the operand is.
enum class Op : std::uint8_t {
  Invalid,
  Sub, Cmp, Sbc, Cpx, And, Bit, Lda, Sta, Eor, Adc, Ora, Add, Jmp, Jsr, Ldx, Stx,
  Neg, Com, Lsr, Ror, Asr, Lsl, Rol, Dec, Inc, Tst, Clr,
  Cbeq, Cbeqx, Dbnz,
  Ldhx, Sthx, Cphx, Aix, Ais,
  Mov, Mul, Div, Nsa, Daa,
  Bset, Bclr, Brset, Brclr, Branch, Bsr,
  Rti, Rts, Bgnd, Swi, Tap, Tpa, Pula, Psha, Pulx, Pshx, Pulh, Pshh, Clrh, Stop, Wait,
  Txs, Tsx, Tax, Txa, Clc, Sec, Cli, Sei, Rsp, Nop,
};

enum class Mode : std::uint8_t {
  None, Imm8, Imm16, Dir, Ext, Ix, Ix1, Ix2, Sp1, Sp2,
  RegA, RegX,       // the inherent forms of the read-modify-write group
  IxPlus, Ix1Plus,  // H:X is incremented after the operation (CBEQ, MOV)
};

// Branch conditions in opcode order: 0x20-0x2F, then BGE, BLT, BGT, BLE (0x90-0x93).
enum class Cond : std::uint8_t {
  Always, Never, Hi, Ls, Cc, Cs, Ne, Eq, Hcc, Hcs, Pl, Mi, Mc, Ms, Il, Ih, Ge, Lt, Gt, Le,
};

struct OpcodeInfo {
  Op op = Op::Invalid;
  Mode mode = Mode::None;
  Mode mode2 = Mode::None;   // MOV destination
  std::uint8_t cycles = 0;   // bus cycles, the 0x9E prefix included
  std::uint8_t aux = 0;      // bit number (BSET/BCLR/BRSET/BRCLR) or Cond
};

struct OpcodeTables {
  std::array<OpcodeInfo, 256> page1{};
  std::array<OpcodeInfo, 256> page2{};
};
extern const OpcodeTables kOpcodeTables;

// page2: the opcode followed the 0x9E prefix.
inline const OpcodeInfo& opcode_info(bool page2, std::uint8_t opcode) {
  return page2 ? kOpcodeTables.page2[opcode] : kOpcodeTables.page1[opcode];
}

}  // namespace vx::sim
