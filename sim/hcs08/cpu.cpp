#include "sim/hcs08/cpu.h"

#include "sim/hcs08/alu.h"

namespace vx::sim {
namespace {

std::uint16_t signed_offset(std::uint16_t base, std::uint8_t offset) {
  return static_cast<std::uint16_t>(base + static_cast<std::int8_t>(offset));
}

}  // namespace

void Cpu::reset(std::uint16_t reset_vector) {
  regs_.sp = 0x00FF;
  regs_.set_h(0);
  regs_.ccr |= ccr::I | ccr::ONES;
  regs_.pc = read16(reset_vector);
}

StepResult Cpu::step() {
  std::uint8_t opcode = fetch();
  const bool page2 = opcode == 0x9E;
  if (page2) opcode = fetch();
  const OpcodeInfo& info = opcode_info(page2, opcode);
  std::uint8_t& c = regs_.ccr;
  const bool carry = (c & ccr::C) != 0;
  switch (info.op) {
    case Op::Sub: regs_.a = alu::subtract(c, regs_.a, load(info.mode), false); break;
    case Op::Sbc: regs_.a = alu::subtract(c, regs_.a, load(info.mode), carry); break;
    case Op::Cmp: alu::subtract(c, regs_.a, load(info.mode), false); break;
    case Op::Cpx: alu::subtract(c, regs_.x(), load(info.mode), false); break;
    case Op::Add: regs_.a = alu::add(c, regs_.a, load(info.mode), false); break;
    case Op::Adc: regs_.a = alu::add(c, regs_.a, load(info.mode), carry); break;
    case Op::And: regs_.a = alu::logic(c, regs_.a & load(info.mode)); break;
    case Op::Bit: alu::logic(c, regs_.a & load(info.mode)); break;
    case Op::Eor: regs_.a = alu::logic(c, regs_.a ^ load(info.mode)); break;
    case Op::Ora: regs_.a = alu::logic(c, regs_.a | load(info.mode)); break;
    case Op::Lda: regs_.a = alu::logic(c, load(info.mode)); break;
    case Op::Ldx: regs_.set_x(alu::logic(c, load(info.mode))); break;
    case Op::Sta: {
      const std::uint16_t ea = effective_address(info.mode);
      bus_.write(ea, alu::logic(c, regs_.a));
      break;
    }
    case Op::Stx: {
      const std::uint16_t ea = effective_address(info.mode);
      bus_.write(ea, alu::logic(c, regs_.x()));
      break;
    }
    case Op::Jmp:
      regs_.pc = effective_address(info.mode);
      break;
    case Op::Jsr: {
      const std::uint16_t ea = effective_address(info.mode);
      push16(regs_.pc);
      regs_.pc = ea;
      break;
    }

    case Op::Neg: case Op::Com: case Op::Lsr: case Op::Ror: case Op::Asr: case Op::Lsl:
    case Op::Rol: case Op::Dec: case Op::Inc: case Op::Clr: {
      const std::uint16_t ea = effective_address(info.mode);
      write_operand(info.mode, ea, alu::modify(info.op, c, read_operand(info.mode, ea)));
      break;
    }
    case Op::Tst: {
      const std::uint16_t ea = effective_address(info.mode);
      alu::modify(Op::Tst, c, read_operand(info.mode, ea));
      break;
    }
    case Op::Dbnz: {
      const std::uint16_t ea = effective_address(info.mode);
      const auto r = static_cast<std::uint8_t>(read_operand(info.mode, ea) - 1);
      write_operand(info.mode, ea, r);
      branch_if(r != 0);
      break;
    }
    case Op::Cbeq:
    case Op::Cbeqx: {
      const std::uint8_t m = bus_.read(effective_address(info.mode));
      post_increment(info.mode);
      branch_if((info.op == Op::Cbeq ? regs_.a : regs_.x()) == m);
      break;
    }

    case Op::Ldhx:
      regs_.hx = alu::load16(c, read16(effective_address(info.mode)));
      break;
    case Op::Sthx:
      write16(effective_address(info.mode), alu::load16(c, regs_.hx));
      break;
    case Op::Cphx:
      alu::compare16(c, regs_.hx, read16(effective_address(info.mode)));
      break;
    case Op::Aix:
      regs_.hx = signed_offset(regs_.hx, bus_.read(effective_address(info.mode)));
      break;
    case Op::Ais:
      regs_.sp = signed_offset(regs_.sp, bus_.read(effective_address(info.mode)));
      break;

    case Op::Mov: {
      const std::uint8_t value = bus_.read(effective_address(info.mode));
      bus_.write(effective_address(info.mode2), alu::logic(c, value));
      post_increment(info.mode);
      post_increment(info.mode2);
      break;
    }
    case Op::Mul: {
      const unsigned product = regs_.a * regs_.x();
      regs_.a = static_cast<std::uint8_t>(product);
      regs_.set_x(static_cast<std::uint8_t>(product >> 8));
      c = static_cast<std::uint8_t>(c & ~(ccr::H | ccr::C));
      break;
    }
    case Op::Div: {
      // H:A / X: quotient to A, remainder to H; C tells of a zero divisor or a quotient over 0xFF.
      const unsigned dividend = (regs_.h() << 8) | regs_.a;
      const unsigned divisor = regs_.x();
      // The reference leaves A and H undefined then; they keep their values and a zero
      // divisor reads as a zero quotient.
      bool zero = regs_.a == 0;
      if (divisor == 0) {
        c |= ccr::C;
        zero = true;
      } else if (dividend / divisor > 0xFF) {
        c |= ccr::C;
      } else {
        regs_.a = static_cast<std::uint8_t>(dividend / divisor);
        regs_.set_h(static_cast<std::uint8_t>(dividend % divisor));
        c = static_cast<std::uint8_t>(c & ~ccr::C);
        zero = regs_.a == 0;
      }
      c = static_cast<std::uint8_t>(zero ? (c | ccr::Z) : (c & ~ccr::Z));
      break;
    }
    case Op::Nsa:
      regs_.a = static_cast<std::uint8_t>((regs_.a << 4) | (regs_.a >> 4));
      break;
    case Op::Daa:
      regs_.a = alu::daa(c, regs_.a);
      break;

    case Op::Bset:
    case Op::Bclr: {
      const std::uint16_t ea = effective_address(info.mode);
      const std::uint8_t m = bus_.read(ea);
      const auto mask = static_cast<std::uint8_t>(1u << info.aux);
      bus_.write(ea, static_cast<std::uint8_t>(info.op == Op::Bset ? (m | mask) : (m & ~mask)));
      break;
    }
    case Op::Brset:
    case Op::Brclr: {
      const bool bit = ((bus_.read(effective_address(info.mode)) >> info.aux) & 1) != 0;
      c = static_cast<std::uint8_t>(bit ? (c | ccr::C) : (c & ~ccr::C));
      branch_if(bit == (info.op == Op::Brset));
      break;
    }
    case Op::Branch:
      branch_if(condition(static_cast<Cond>(info.aux)));
      break;
    case Op::Bsr: {
      const std::uint8_t offset = fetch();
      push16(regs_.pc);
      regs_.pc = signed_offset(regs_.pc, offset);
      break;
    }

    case Op::Rti:
      c = static_cast<std::uint8_t>(pull() | ccr::ONES);
      regs_.a = pull();
      regs_.set_x(pull());
      regs_.pc = pull16();
      break;
    case Op::Rts:
      regs_.pc = pull16();
      break;
    case Op::Bgnd:
      return {info.cycles, CpuEvent::Background};
    case Op::Swi:
      push16(regs_.pc);
      push(regs_.x());
      push(regs_.a);
      push(c);
      c |= ccr::I;
      regs_.pc = read16(kSwiVector);
      break;
    case Op::Stop:
    case Op::Wait:
      c = static_cast<std::uint8_t>(c & ~ccr::I);
      return {info.cycles, info.op == Op::Stop ? CpuEvent::Stop : CpuEvent::Wait};

    case Op::Tap: c = static_cast<std::uint8_t>(regs_.a | ccr::ONES); break;
    case Op::Tpa: regs_.a = c; break;
    case Op::Pula: regs_.a = pull(); break;
    case Op::Psha: push(regs_.a); break;
    case Op::Pulx: regs_.set_x(pull()); break;
    case Op::Pshx: push(regs_.x()); break;
    case Op::Pulh: regs_.set_h(pull()); break;
    case Op::Pshh: push(regs_.h()); break;
    case Op::Clrh: regs_.set_h(alu::logic(c, 0)); break;
    case Op::Txs: regs_.sp = static_cast<std::uint16_t>(regs_.hx - 1); break;
    case Op::Tsx: regs_.hx = static_cast<std::uint16_t>(regs_.sp + 1); break;
    case Op::Tax: regs_.set_x(regs_.a); break;
    case Op::Txa: regs_.a = regs_.x(); break;
    case Op::Clc: c = static_cast<std::uint8_t>(c & ~ccr::C); break;
    case Op::Sec: c |= ccr::C; break;
    case Op::Cli: c = static_cast<std::uint8_t>(c & ~ccr::I); break;
    case Op::Sei: c |= ccr::I; break;
    case Op::Rsp: regs_.sp = static_cast<std::uint16_t>(regs_.sp | 0x00FF); break;
    case Op::Nop: break;
    case Op::Invalid: return {static_cast<std::uint8_t>(page2 ? 2 : 1), CpuEvent::IllegalOpcode};
  }
  return {info.cycles, CpuEvent::None};
}

}  // namespace vx::sim
