#include "sim/hcs08/cpu.h"

namespace vx::sim {

std::uint16_t Cpu::fetch16() {
  const std::uint8_t high = fetch();
  return static_cast<std::uint16_t>((high << 8) | fetch());
}

std::uint16_t Cpu::read16(std::uint16_t address) {
  const std::uint8_t high = bus_.read(address);
  return static_cast<std::uint16_t>((high << 8) | bus_.read(static_cast<std::uint16_t>(address + 1)));
}

void Cpu::write16(std::uint16_t address, std::uint16_t value) {
  bus_.write(address, static_cast<std::uint8_t>(value >> 8));
  bus_.write(static_cast<std::uint16_t>(address + 1), static_cast<std::uint8_t>(value));
}

// The return address goes low byte first, so the high byte ends up at the lower address.
void Cpu::push16(std::uint16_t value) {
  push(static_cast<std::uint8_t>(value));
  push(static_cast<std::uint8_t>(value >> 8));
}

std::uint16_t Cpu::pull16() {
  const std::uint8_t high = pull();
  return static_cast<std::uint16_t>((high << 8) | pull());
}

std::uint16_t Cpu::effective_address(Mode mode) {
  switch (mode) {
    case Mode::Imm8:
      return regs_.pc++;
    case Mode::Imm16: {
      const std::uint16_t at = regs_.pc;
      regs_.pc = static_cast<std::uint16_t>(regs_.pc + 2);
      return at;
    }
    case Mode::Dir:
      return fetch();
    case Mode::Ext:
      return fetch16();
    case Mode::Ix:
    case Mode::IxPlus:
      return regs_.hx;
    case Mode::Ix1:
    case Mode::Ix1Plus:
      return static_cast<std::uint16_t>(regs_.hx + fetch());
    case Mode::Ix2:
      return static_cast<std::uint16_t>(regs_.hx + fetch16());
    case Mode::Sp1:
      return static_cast<std::uint16_t>(regs_.sp + fetch());
    case Mode::Sp2:
      return static_cast<std::uint16_t>(regs_.sp + fetch16());
    default:  // None, RegA, RegX: no memory operand
      return 0;
  }
}

std::uint8_t Cpu::read_operand(Mode mode, std::uint16_t address) {
  if (mode == Mode::RegA) return regs_.a;
  if (mode == Mode::RegX) return regs_.x();
  return bus_.read(address);
}

void Cpu::write_operand(Mode mode, std::uint16_t address, std::uint8_t value) {
  if (mode == Mode::RegA) {
    regs_.a = value;
  } else if (mode == Mode::RegX) {
    regs_.set_x(value);
  } else {
    bus_.write(address, value);
  }
}

void Cpu::post_increment(Mode mode) {
  if (mode == Mode::IxPlus || mode == Mode::Ix1Plus) ++regs_.hx;
}

// The offset byte is always fetched, taken or not, so the cycle count does not depend on it.
void Cpu::branch_if(bool taken) {
  const auto offset = static_cast<std::int8_t>(fetch());
  if (taken) regs_.pc = static_cast<std::uint16_t>(regs_.pc + offset);
}

bool Cpu::condition(Cond cond) const {
  const std::uint8_t c = regs_.ccr;
  const bool carry = (c & ccr::C) != 0;
  const bool zero = (c & ccr::Z) != 0;
  const bool negative = (c & ccr::N) != 0;
  const bool overflow = (c & ccr::V) != 0;
  switch (cond) {
    case Cond::Always: return true;
    case Cond::Never: return false;
    case Cond::Hi: return !carry && !zero;
    case Cond::Ls: return carry || zero;
    case Cond::Cc: return !carry;
    case Cond::Cs: return carry;
    case Cond::Ne: return !zero;
    case Cond::Eq: return zero;
    case Cond::Hcc: return (c & ccr::H) == 0;
    case Cond::Hcs: return (c & ccr::H) != 0;
    case Cond::Pl: return !negative;
    case Cond::Mi: return negative;
    case Cond::Mc: return (c & ccr::I) == 0;
    case Cond::Ms: return (c & ccr::I) != 0;
    case Cond::Il: return !irq_pin_high_;
    case Cond::Ih: return irq_pin_high_;
    case Cond::Ge: return negative == overflow;
    case Cond::Lt: return negative != overflow;
    case Cond::Gt: return !zero && negative == overflow;
    case Cond::Le: return zero || negative != overflow;
  }
  return false;
}

}  // namespace vx::sim
