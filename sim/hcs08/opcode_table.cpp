#include "sim/hcs08/opcode_table.h"

namespace vx::sim {
namespace {

constexpr OpcodeInfo entry(Op op, Mode mode, int cycles, int aux = 0, Mode mode2 = Mode::None) {
  return OpcodeInfo{op, mode, mode2, static_cast<std::uint8_t>(cycles), static_cast<std::uint8_t>(aux)};
}

// Register/memory group: columns 0xA-0xF, and 0x9ED/0x9EE for the stack-relative forms.
constexpr std::array<Op, 16> kMemoryOps = {Op::Sub, Op::Cmp, Op::Sbc, Op::Cpx, Op::And, Op::Bit,
                                           Op::Lda, Op::Sta, Op::Eor, Op::Adc, Op::Ora, Op::Add,
                                           Op::Jmp, Op::Jsr, Op::Ldx, Op::Stx};
constexpr std::array<Mode, 8> kMemoryModes = {Mode::Imm8, Mode::Dir, Mode::Ext, Mode::Ix2,
                                              Mode::Ix1,  Mode::Ix,  Mode::Sp2, Mode::Sp1};
constexpr std::array<int, 8> kReadCycles = {2, 3, 4, 4, 3, 3, 5, 4};
constexpr std::array<int, 8> kStoreCycles = {0, 3, 4, 4, 3, 2, 5, 4};
constexpr std::array<int, 8> kJmpCycles = {0, 3, 4, 4, 3, 3, 0, 0};
constexpr std::array<int, 8> kJsrCycles = {0, 5, 6, 6, 5, 5, 0, 0};

// Read-modify-write group: columns 0x3-0x7 and 0x9E6; columns 1, 2, 5 and E hold other instructions.
constexpr std::array<Op, 16> kRmwOps = {Op::Neg, Op::Invalid, Op::Invalid, Op::Com, Op::Lsr, Op::Invalid,
                                        Op::Ror, Op::Asr,     Op::Lsl,     Op::Rol, Op::Dec, Op::Dbnz,
                                        Op::Inc, Op::Tst,     Op::Invalid, Op::Clr};
constexpr std::array<Mode, 6> kRmwModes = {Mode::Dir, Mode::RegA, Mode::RegX, Mode::Ix1, Mode::Ix, Mode::Sp1};
constexpr std::array<int, 6> kRmwCycles = {5, 1, 1, 5, 4, 6};
constexpr std::array<int, 6> kTstCycles = {4, 1, 1, 4, 3, 5};
constexpr std::array<int, 6> kDbnzCycles = {7, 4, 4, 7, 6, 8};

constexpr OpcodeInfo memory_entry(Op op, std::size_t mode) {
  switch (op) {
    case Op::Sta:
    case Op::Stx:
      return mode == 0 ? OpcodeInfo{} : entry(op, kMemoryModes[mode], kStoreCycles[mode]);
    case Op::Jmp:
      return kJmpCycles[mode] == 0 ? OpcodeInfo{} : entry(op, kMemoryModes[mode], kJmpCycles[mode]);
    case Op::Jsr:
      return kJsrCycles[mode] == 0 ? OpcodeInfo{} : entry(op, kMemoryModes[mode], kJsrCycles[mode]);
    default:
      return entry(op, kMemoryModes[mode], kReadCycles[mode]);
  }
}

constexpr OpcodeInfo rmw_entry(Op op, std::size_t mode) {
  if (op == Op::Invalid) return {};
  if (op == Op::Tst) return entry(op, kRmwModes[mode], kTstCycles[mode]);
  if (op == Op::Dbnz) return entry(op, kRmwModes[mode], kDbnzCycles[mode]);
  return entry(op, kRmwModes[mode], kRmwCycles[mode]);
}

constexpr OpcodeTables build() {
  OpcodeTables t;
  auto& p1 = t.page1;
  auto& p2 = t.page2;

  for (int bit = 0; bit < 8; ++bit) {
    p1[2 * bit] = entry(Op::Brset, Mode::Dir, 5, bit);
    p1[2 * bit + 1] = entry(Op::Brclr, Mode::Dir, 5, bit);
    p1[0x10 + 2 * bit] = entry(Op::Bset, Mode::Dir, 5, bit);
    p1[0x11 + 2 * bit] = entry(Op::Bclr, Mode::Dir, 5, bit);
  }
  for (int cond = 0; cond < 16; ++cond) p1[0x20 + cond] = entry(Op::Branch, Mode::None, 3, cond);

  for (std::size_t low = 0; low < 16; ++low) {
    for (std::size_t row = 0; row < 5; ++row) p1[0x30 + 0x10 * row + low] = rmw_entry(kRmwOps[low], row);
    p2[0x60 + low] = rmw_entry(kRmwOps[low], 5);
    for (std::size_t col = 0; col < 6; ++col) p1[0xA0 + 0x10 * col + low] = memory_entry(kMemoryOps[low], col);
    p2[0xD0 + low] = memory_entry(kMemoryOps[low], 6);
    p2[0xE0 + low] = memory_entry(kMemoryOps[low], 7);
  }

  p1[0x31] = entry(Op::Cbeq, Mode::Dir, 5);
  p1[0x41] = entry(Op::Cbeq, Mode::Imm8, 4);
  p1[0x51] = entry(Op::Cbeqx, Mode::Imm8, 4);
  p1[0x61] = entry(Op::Cbeq, Mode::Ix1Plus, 5);
  p1[0x71] = entry(Op::Cbeq, Mode::IxPlus, 5);
  p2[0x61] = entry(Op::Cbeq, Mode::Sp1, 6);

  p1[0x32] = entry(Op::Ldhx, Mode::Ext, 5);
  p1[0x42] = entry(Op::Mul, Mode::None, 5);
  p1[0x52] = entry(Op::Div, Mode::None, 6);
  p1[0x62] = entry(Op::Nsa, Mode::None, 1);
  p1[0x72] = entry(Op::Daa, Mode::None, 1);

  p1[0x35] = entry(Op::Sthx, Mode::Dir, 4);
  p1[0x45] = entry(Op::Ldhx, Mode::Imm16, 3);
  p1[0x55] = entry(Op::Ldhx, Mode::Dir, 4);
  p1[0x65] = entry(Op::Cphx, Mode::Imm16, 3);
  p1[0x75] = entry(Op::Cphx, Mode::Dir, 5);

  p1[0x3E] = entry(Op::Cphx, Mode::Ext, 6);
  p1[0x4E] = entry(Op::Mov, Mode::Dir, 5, 0, Mode::Dir);
  p1[0x5E] = entry(Op::Mov, Mode::Dir, 5, 0, Mode::IxPlus);
  p1[0x6E] = entry(Op::Mov, Mode::Imm8, 4, 0, Mode::Dir);
  p1[0x7E] = entry(Op::Mov, Mode::IxPlus, 5, 0, Mode::Dir);

  p1[0x80] = entry(Op::Rti, Mode::None, 9);
  p1[0x81] = entry(Op::Rts, Mode::None, 6);
  p1[0x82] = entry(Op::Bgnd, Mode::None, 5);
  p1[0x83] = entry(Op::Swi, Mode::None, 11);
  p1[0x84] = entry(Op::Tap, Mode::None, 1);
  p1[0x85] = entry(Op::Tpa, Mode::None, 1);
  p1[0x86] = entry(Op::Pula, Mode::None, 3);
  p1[0x87] = entry(Op::Psha, Mode::None, 2);
  p1[0x88] = entry(Op::Pulx, Mode::None, 3);
  p1[0x89] = entry(Op::Pshx, Mode::None, 2);
  p1[0x8A] = entry(Op::Pulh, Mode::None, 3);
  p1[0x8B] = entry(Op::Pshh, Mode::None, 2);
  p1[0x8C] = entry(Op::Clrh, Mode::None, 1);
  p1[0x8E] = entry(Op::Stop, Mode::None, 2);
  p1[0x8F] = entry(Op::Wait, Mode::None, 2);

  for (int cond = 0; cond < 4; ++cond) {
    p1[0x90 + cond] = entry(Op::Branch, Mode::None, 3, static_cast<int>(Cond::Ge) + cond);
  }
  p1[0x94] = entry(Op::Txs, Mode::None, 2);
  p1[0x95] = entry(Op::Tsx, Mode::None, 2);
  p1[0x96] = entry(Op::Sthx, Mode::Ext, 5);
  p1[0x97] = entry(Op::Tax, Mode::None, 1);
  p1[0x98] = entry(Op::Clc, Mode::None, 1);
  p1[0x99] = entry(Op::Sec, Mode::None, 1);
  p1[0x9A] = entry(Op::Cli, Mode::None, 1);
  p1[0x9B] = entry(Op::Sei, Mode::None, 1);
  p1[0x9C] = entry(Op::Rsp, Mode::None, 1);
  p1[0x9D] = entry(Op::Nop, Mode::None, 1);
  p1[0x9F] = entry(Op::Txa, Mode::None, 1);

  p1[0xA7] = entry(Op::Ais, Mode::Imm8, 2);
  p1[0xAC] = OpcodeInfo{};
  p1[0xAD] = entry(Op::Bsr, Mode::None, 5);
  p1[0xAF] = entry(Op::Aix, Mode::Imm8, 2);

  p2[0xAE] = entry(Op::Ldhx, Mode::Ix, 5);
  p2[0xBE] = entry(Op::Ldhx, Mode::Ix2, 6);
  p2[0xCE] = entry(Op::Ldhx, Mode::Ix1, 5);
  p2[0xFE] = entry(Op::Ldhx, Mode::Sp1, 5);
  p2[0xFF] = entry(Op::Sthx, Mode::Sp1, 5);
  p2[0xF3] = entry(Op::Cphx, Mode::Sp1, 6);
  return t;
}

}  // namespace

constexpr OpcodeTables kOpcodeTables = build();

}  // namespace vx::sim
