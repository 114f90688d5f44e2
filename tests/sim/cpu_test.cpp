#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "flat_bus.h"
#include "sim/hcs08/cpu.h"

namespace vx::sim::test {
namespace {

constexpr std::uint16_t kCode = 0x8000;

struct CpuFixture {
  FlatBus bus;
  Cpu cpu{bus};

  explicit CpuFixture(std::initializer_list<std::uint8_t> code) {
    std::uint16_t at = kCode;
    for (std::uint8_t byte : code) bus.memory[at++] = byte;
    cpu.registers().pc = kCode;
    cpu.registers().sp = 0x10AF;
    cpu.registers().hx = 0x0200;
  }
};

struct CycleCase {
  std::vector<std::uint8_t> code;
  int cycles;
};

// Bus cycles from the HCS08 instruction set summary, one or more per addressing family.
TEST(Cpu, InstructionsTakeTheReferenceBusCycles) {
  const CycleCase cases[] = {
      {{0xA6, 0x01}, 2},             {{0xB6, 0x80}, 3},           {{0xC6, 0x12, 0x34}, 4},
      {{0xD6, 0x00, 0x10}, 4},       {{0xE6, 0x10}, 3},           {{0xF6}, 3},
      {{0x9E, 0xD6, 0x00, 0x01}, 5}, {{0x9E, 0xE6, 0x01}, 4},     {{0xF7}, 2},
      {{0xB7, 0x80}, 3},             {{0x9E, 0xE7, 0x01}, 4},     {{0x30, 0x80}, 5},
      {{0x40}, 1},                   {{0x60, 0x01}, 5},           {{0x70}, 4},
      {{0x9E, 0x60, 0x01}, 6},       {{0x3D, 0x80}, 4},           {{0x7D}, 3},
      {{0x9E, 0x6D, 0x01}, 5},       {{0x3F, 0x80}, 5},           {{0x7F}, 4},
      {{0x45, 0x12, 0x34}, 3},       {{0x55, 0x80}, 4},           {{0x32, 0x12, 0x34}, 5},
      {{0x9E, 0xAE}, 5},             {{0x9E, 0xCE, 0x01}, 5},     {{0x9E, 0xBE, 0x00, 0x01}, 6},
      {{0x9E, 0xFE, 0x01}, 5},       {{0x35, 0x80}, 4},           {{0x96, 0x12, 0x34}, 5},
      {{0x9E, 0xFF, 0x01}, 5},       {{0x65, 0x12, 0x34}, 3},     {{0x75, 0x80}, 5},
      {{0x3E, 0x12, 0x34}, 6},       {{0x9E, 0xF3, 0x01}, 6},     {{0x4E, 0x80, 0x81}, 5},
      {{0x5E, 0x80}, 5},             {{0x6E, 0x01, 0x80}, 4},     {{0x7E, 0x80}, 5},
      {{0x31, 0x80, 0x00}, 5},       {{0x41, 0x00, 0x00}, 4},     {{0x51, 0x00, 0x00}, 4},
      {{0x61, 0x00, 0x00}, 5},       {{0x71, 0x00}, 5},           {{0x9E, 0x61, 0x01, 0x00}, 6},
      {{0x3B, 0x80, 0x00}, 7},       {{0x4B, 0x00}, 4},           {{0x6B, 0x00, 0x00}, 7},
      {{0x7B, 0x00}, 6},             {{0x9E, 0x6B, 0x01, 0x00}, 8}, {{0x00, 0x80, 0x00}, 5},
      {{0x10, 0x80}, 5},             {{0x20, 0x00}, 3},           {{0x21, 0x00}, 3},
      {{0xAD, 0x00}, 5},             {{0xBD, 0x80}, 5},           {{0xCD, 0x90, 0x00}, 6},
      {{0xFD}, 5},                   {{0xBC, 0x80}, 3},           {{0xCC, 0x90, 0x00}, 4},
      {{0x81}, 6},                   {{0x80}, 9},                 {{0x83}, 11},
      {{0x42}, 5},                   {{0x52}, 6},                 {{0x62}, 1},
      {{0x72}, 1},                   {{0x86}, 3},                 {{0x87}, 2},
      {{0x94}, 2},                   {{0x95}, 2},                 {{0xA7, 0x01}, 2},
      {{0xAF, 0x01}, 2},             {{0x8C}, 1},                 {{0x9C}, 1},
      {{0x82}, 5},
  };
  for (const CycleCase& c : cases) {
    FlatBus bus;
    Cpu cpu(bus);
    for (std::size_t i = 0; i < c.code.size(); ++i) bus.memory[kCode + i] = c.code[i];
    cpu.registers().pc = kCode;
    cpu.registers().sp = 0x10AF;
    EXPECT_EQ(cpu.step().cycles, c.cycles) << "opcode " << std::hex << int(c.code[0]) << " " << int(c.code[1 % c.code.size()]);
  }
}

TEST(Cpu, UnusedOpcodesAreIllegal) {
  for (const auto& code : {std::vector<std::uint8_t>{0x8D}, {0xAC}, {0x9E, 0x00}, {0x9E, 0x62}, {0x9E, 0xDC},
                           {0x9E, 0xED}, {0x9E, 0xA6}, {0x9E, 0xF0}}) {
    FlatBus bus;
    Cpu cpu(bus);
    for (std::size_t i = 0; i < code.size(); ++i) bus.memory[kCode + i] = code[i];
    cpu.registers().pc = kCode;
    EXPECT_EQ(cpu.step().event, CpuEvent::IllegalOpcode) << std::hex << int(code.back());
  }
}

TEST(Cpu, BgndAsksForBackgroundModeWithPcOnTheNextInstruction) {
  CpuFixture f({0x82, 0x9D});
  const StepResult result = f.cpu.step();
  EXPECT_EQ(result.event, CpuEvent::Background);
  EXPECT_EQ(f.cpu.registers().pc, kCode + 1);
}

TEST(Cpu, StopAndWaitClearTheInterruptMask) {
  for (const std::uint8_t opcode : {std::uint8_t{0x8E}, std::uint8_t{0x8F}}) {
    CpuFixture f({opcode});
    f.cpu.registers().ccr |= ccr::I;
    EXPECT_EQ(f.cpu.step().event, opcode == 0x8E ? CpuEvent::Stop : CpuEvent::Wait);
    EXPECT_EQ(f.cpu.registers().ccr & ccr::I, 0);
  }
}

TEST(Cpu, SwiStacksPcXACcrAndSetsTheMask) {
  CpuFixture f({0x83});
  f.bus.memory[0xFFFC] = 0x91;
  f.bus.memory[0xFFFD] = 0x23;
  f.cpu.registers().a = 0xA1;
  f.cpu.registers().hx = 0x55C3;
  f.cpu.registers().ccr = ccr::ONES | ccr::C;
  f.cpu.step();
  const CpuRegisters& r = f.cpu.registers();
  EXPECT_EQ(r.pc, 0x9123);
  EXPECT_EQ(r.sp, 0x10AF - 5);
  EXPECT_NE(r.ccr & ccr::I, 0);
  const std::vector<std::uint8_t> stack(f.bus.memory.begin() + 0x10AB, f.bus.memory.begin() + 0x10B0);
  EXPECT_EQ(stack, (std::vector<std::uint8_t>{ccr::ONES | ccr::C, 0xA1, 0xC3, 0x80, 0x01}));
}

TEST(Cpu, RspSetsOnlyTheLowByteOfTheStackPointer) {
  CpuFixture f({0x9C});
  f.cpu.registers().sp = 0x0812;
  f.cpu.step();
  EXPECT_EQ(f.cpu.registers().sp, 0x08FF);
}

TEST(Cpu, ResetLoadsPcFromTheVectorAndPresetsSpHAndTheMask) {
  FlatBus bus;
  Cpu cpu(bus);
  bus.memory[0xFFFE] = 0xC0;
  bus.memory[0xFFFF] = 0x10;
  cpu.registers().hx = 0x1234;
  cpu.registers().sp = 0x0400;
  cpu.registers().ccr = ccr::ONES;
  cpu.reset(0xFFFE);
  EXPECT_EQ(cpu.registers().pc, 0xC010);
  EXPECT_EQ(cpu.registers().sp, 0x00FF);
  EXPECT_EQ(cpu.registers().hx, 0x0034);
  EXPECT_NE(cpu.registers().ccr & ccr::I, 0);
}

struct DivCase {
  std::uint8_t h, a, x;
  std::uint8_t a_after, h_after;
  bool carry, zero;
};

TEST(Cpu, DivSetsCarryOnAZeroDivisorOrAQuotientOver255) {
  const DivCase cases[] = {
      {0x01, 0x00, 0x10, 0x10, 0x00, false, false},  // 256 / 16
      {0x00, 0x07, 0x08, 0x00, 0x07, false, true},   // zero quotient
      {0x10, 0x00, 0x10, 0x00, 0x10, true, true},    // 4096 / 16 overflows, A and H kept
      {0x00, 0x05, 0x00, 0x05, 0x00, true, true},    // zero divisor
  };
  for (const DivCase& c : cases) {
    CpuFixture f({0x52});
    f.cpu.registers().set_h(c.h);
    f.cpu.registers().a = c.a;
    f.cpu.registers().set_x(c.x);
    f.cpu.step();
    EXPECT_EQ(f.cpu.registers().a, c.a_after);
    EXPECT_EQ(f.cpu.registers().h(), c.h_after);
    EXPECT_EQ((f.cpu.registers().ccr & ccr::C) != 0, c.carry);
    EXPECT_EQ((f.cpu.registers().ccr & ccr::Z) != 0, c.zero);
  }
}

TEST(Cpu, BihAndBilFollowTheIrqPin) {
  for (const bool high : {true, false}) {
    CpuFixture f({0x2F, 0x10});
    f.cpu.set_irq_pin_high(high);
    f.cpu.step();
    EXPECT_EQ(f.cpu.registers().pc, high ? kCode + 0x12 : kCode + 2);
  }
}

}  // namespace
}  // namespace vx::sim::test
