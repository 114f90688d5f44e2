#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>

#include "fixture_program.h"
#include "flat_bus.h"
#include "sim/hcs08/cpu.h"

namespace vx::sim::test {
namespace {

// Where the peer departs from the CPU reference, the reference holds. Each entry is a byte of
// the final RAM as the reference makes it.
struct ManualCorrection {
  const char* program;
  std::uint16_t address;
  std::uint8_t value;
};

// modes: RSP sets only the low byte of SP to 0xFF (the peer clears the high byte too), so the
// stack of the following subroutine call lands at 0x07FB rather than 0x00FB and TSX gives H = 0x08;
// SWI sets I (the peer leaves it clear), which the handler's records and the stack copy show.
constexpr ManualCorrection kCorrections[] = {
    {"modes", 0x00FB, 0x00}, {"modes", 0x00FC, 0x00}, {"modes", 0x00FD, 0x00}, {"modes", 0x00FE, 0x00},
    {"modes", 0x00FF, 0x00}, {"modes", 0x07FB, 0x08}, {"modes", 0x07FC, 0x61}, {"modes", 0x07FD, 0x1D},
    {"modes", 0x07FE, 0x83}, {"modes", 0x07FF, 0x30}, {"modes", 0x01A2, 0x08}, {"modes", 0x01B0, 0x79},
    {"modes", 0x01B1, 0x79}, {"modes", 0x01B3, 0x79}, {"modes", 0x01B5, 0x79}, {"modes", 0x01B7, 0x79},
    {"modes", 0x10A3, 0x79},
};

// The reference's decimal-adjust table: carry in, range of the upper nibble, half carry in, range
// of the lower nibble -> correction added to A, carry out. Other inputs are left undefined.
struct DaaRow {
  bool carry;
  int high_min, high_max;
  bool half;
  int low_min, low_max;
  std::uint8_t correction;
  bool carry_out;
};
constexpr DaaRow kDaaTable[] = {
    {false, 0x0, 0x9, false, 0x0, 0x9, 0x00, false}, {false, 0x0, 0x8, false, 0xA, 0xF, 0x06, false},
    {false, 0x0, 0x9, true, 0x0, 0x3, 0x06, false},  {false, 0xA, 0xF, false, 0x0, 0x9, 0x60, true},
    {false, 0x9, 0xF, false, 0xA, 0xF, 0x66, true},  {false, 0xA, 0xF, true, 0x0, 0x3, 0x66, true},
    {true, 0x0, 0x2, false, 0x0, 0x9, 0x60, true},   {true, 0x0, 0x2, false, 0xA, 0xF, 0x66, true},
    {true, 0x0, 0x3, true, 0x0, 0x3, 0x66, true},
};

// The daa program stores A and the condition codes for every A under the inputs 0x60, 0x61,
// 0x70 and 0x71. The peer never adjusts A, so the reference's table judges the defined cases
// and the undefined ones are not compared.
void expect_daa_by_the_reference(std::array<std::uint8_t, kCheckedMemory>& expected,
                                 std::array<bool, kCheckedMemory>& unchecked) {
  constexpr std::uint8_t kInputs[] = {0x60, 0x61, 0x70, 0x71};
  for (int input = 0; input < 4; ++input) {
    const std::uint8_t ccr_in = kInputs[input];
    for (int a = 0; a < 256; ++a) {
      const std::size_t at = 0x100 + 2 * (input * 256 + a);
      const DaaRow* row = nullptr;
      for (const DaaRow& candidate : kDaaTable) {
        if (candidate.carry == ((ccr_in & ccr::C) != 0) && candidate.half == ((ccr_in & ccr::H) != 0) &&
            (a >> 4) >= candidate.high_min && (a >> 4) <= candidate.high_max && (a & 0xF) >= candidate.low_min &&
            (a & 0xF) <= candidate.low_max) {
          row = &candidate;
        }
      }
      if (row == nullptr) {
        unchecked[at] = unchecked[at + 1] = true;
        continue;
      }
      const auto result = static_cast<std::uint8_t>(a + row->correction);
      std::uint8_t ccr_out = ccr_in & static_cast<std::uint8_t>(~(ccr::C | ccr::N | ccr::Z));
      if (row->carry_out) ccr_out |= ccr::C;
      if (result & 0x80) ccr_out |= ccr::N;
      if (result == 0) ccr_out |= ccr::Z;
      expected[at] = result;
      expected[at + 1] = ccr_out;
    }
  }
}

std::string describe(const CpuRegisters& r) {
  std::ostringstream out;
  out << std::hex << std::uppercase << "A=" << int(r.a) << " HX=" << r.hx << " SP=" << r.sp << " CCR=" << int(r.ccr);
  return out.str();
}

class CpuCrossCheck : public ::testing::TestWithParam<std::string> {};

// Programs compiled with sdcc -ms08 and hand-written ones run on the CPU from the peer's
// starting registers must end where the peer ended, with the same RAM and registers.
TEST_P(CpuCrossCheck, EndsWithThePeersMemoryAndRegisters) {
  const std::string name = GetParam();
  const auto image = read_intel_hex(hcs08_fixture_path(name + ".ihx"));
  ASSERT_TRUE(image.has_value());
  const auto peer = read_peer_result(hcs08_fixture_path(name + ".peer"));
  ASSERT_TRUE(peer.has_value());

  FlatBus bus;
  for (const auto& chunk : image->chunks) {
    for (std::size_t i = 0; i < chunk.bytes.size(); ++i) bus.memory[(chunk.address + i) & 0xFFFF] = chunk.bytes[i];
  }
  Cpu cpu(bus);
  cpu.registers() = peer->initial;
  cpu.registers().pc = static_cast<std::uint16_t>((bus.memory[0xFFFE] << 8) | bus.memory[0xFFFF]);

  std::uint64_t steps = 0;
  while (cpu.registers().pc != peer->stop && steps < 20'000'000) {
    ASSERT_EQ(cpu.step().event, CpuEvent::None) << "at " << std::hex << cpu.registers().pc;
    ++steps;
  }
  ASSERT_EQ(cpu.registers().pc, peer->stop);

  EXPECT_EQ(describe(cpu.registers()), describe(peer->final_state));

  std::array<std::uint8_t, kCheckedMemory> expected = peer->memory;
  std::array<bool, kCheckedMemory> unchecked{};
  for (const ManualCorrection& correction : kCorrections) {
    if (name == correction.program) expected[correction.address] = correction.value;
  }
  if (name == "daa") expect_daa_by_the_reference(expected, unchecked);
  int reported = 0;
  for (std::size_t address = 0; address < kCheckedMemory; ++address) {
    if (!unchecked[address] && bus.memory[address] != expected[address] && reported++ < 20) {
      ADD_FAILURE() << std::hex << std::uppercase << "at " << address << ": 0x" << int(bus.memory[address])
                    << ", expected 0x" << int(expected[address]);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Programs, CpuCrossCheck,
                         ::testing::Values("alu_add_sub", "alu_logic_mul_div", "alu_unary1", "alu_unary2", "daa",
                                           "branches", "modes", "c_arith", "c_control", "c_checksum",
                                           "bench_loop"));

}  // namespace
}  // namespace vx::sim::test
