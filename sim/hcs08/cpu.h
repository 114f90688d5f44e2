#pragma once

#include <cstdint>

#include "sim/hcs08/bus.h"
#include "sim/hcs08/cpu_registers.h"
#include "sim/hcs08/opcode_table.h"

namespace vx::sim {

// What an instruction asks of the rest of the chip.
enum class CpuEvent : std::uint8_t { None, Background, Stop, Wait, IllegalOpcode };

struct StepResult {
  std::uint8_t cycles = 0;
  CpuEvent event = CpuEvent::None;
};

// The HCS08 CPU: executes one instruction per step on the bus it is given.
class Cpu {
 public:
  static constexpr std::uint16_t kSwiVector = 0xFFFC;

  explicit Cpu(Bus& bus) : bus_(bus) {}

  CpuRegisters& registers() { return regs_; }
  const CpuRegisters& registers() const { return regs_; }

  // The reset sequence of the CPU: SP and H as the reference gives them, I set, PC from the vector.
  void reset(std::uint16_t reset_vector);
  StepResult step();

  // Level of the IRQ pin that BIH and BIL test.
  void set_irq_pin_high(bool high) { irq_pin_high_ = high; }

 private:
  std::uint8_t fetch() { return bus_.read(regs_.pc++); }
  std::uint16_t fetch16();
  std::uint16_t read16(std::uint16_t address);
  void write16(std::uint16_t address, std::uint16_t value);
  void push(std::uint8_t value) { bus_.write(regs_.sp--, value); }
  std::uint8_t pull() { return bus_.read(++regs_.sp); }
  void push16(std::uint16_t value);
  std::uint16_t pull16();

  // Fetches the operand bytes of the mode and returns the operand's address; immediate
  // operands are addressed where they stand in the instruction.
  std::uint16_t effective_address(Mode mode);
  std::uint8_t load(Mode mode) { return bus_.read(effective_address(mode)); }
  std::uint8_t read_operand(Mode mode, std::uint16_t address);
  void write_operand(Mode mode, std::uint16_t address, std::uint8_t value);
  void branch_if(bool taken);
  bool condition(Cond cond) const;
  void post_increment(Mode mode);

  Bus& bus_;
  CpuRegisters regs_;
  bool irq_pin_high_ = true;
};

}  // namespace vx::sim
