#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "sim/hcs08/device_config.h"
#include "sim/hcs08/memory_map.h"

namespace vx::sim {

namespace flash {
// Register offsets from DeviceConfig::flash_registers.
inline constexpr int kFcdiv = 0, kFopt = 1, kFcnfg = 3, kFprot = 4, kFstat = 5, kFcmd = 6, kRegisterCount = 7;

inline constexpr std::uint8_t kDivld = 0x80, kPrdiv8 = 0x40;
inline constexpr std::uint8_t kFcbef = 0x80, kFccf = 0x40, kFpviol = 0x20, kFaccerr = 0x10, kFblank = 0x04;
inline constexpr std::uint8_t kKeyacc = 0x20;
inline constexpr std::uint8_t kFpdis = 0x01;

inline constexpr std::uint8_t kBlankCheck = 0x05, kByteProgram = 0x20, kBurstProgram = 0x25, kPageErase = 0x40,
                              kMassErase = 0x41;

// Flash clock cycles of each command; a blank check takes one per page.
inline constexpr std::uint32_t kByteProgramCycles = 9, kBurstCycles = 4, kPageEraseCycles = 4000,
                               kMassEraseCycles = 20000;
}  // namespace flash

// Who writes: the CPU, or the background debug controller (which may not program or page-erase a
// secured part, and alone may write FPROT).
enum class Accessor : std::uint8_t { Cpu, Debug };

// The flash module: its registers, the command sequence and its timing on the flash clock.
class FlashController {
 public:
  using Array = std::array<std::uint8_t, 0x10000>;

  FlashController(const DeviceConfig& config, const MemoryMap& map, Array& memory)
      : config_(config), map_(map), memory_(memory) {}

  // FOPT and FPROT from their non-volatile bytes; the divider unlocked; security as FOPT says.
  void reset();

  std::uint8_t read_register(int offset) const;
  void write_register(int offset, std::uint8_t value, Accessor who);
  // A write to the array is the first step of a command: it latches address and data.
  void array_write(std::uint16_t address, std::uint8_t value);
  // Moves the command in progress on by that many bus cycles.
  void advance(std::uint64_t bus_cycles) {
    if (running_) run(bus_cycles);
  }
  // Bus cycles until the command in progress completes; UINT64_MAX when none is.
  std::uint64_t cycles_left() const { return running_ ? remaining_cycles_ : UINT64_MAX; }
  // Stop mode aborts a command in progress.
  void abort_for_stop();

  // Secured unless FOPT ends in binary 10, or a blank check found the array erased since reset.
  bool secured() const;

 private:
  enum class Step : std::uint8_t { Idle, Latched, CommandWritten };
  struct Command {
    std::uint8_t code = 0;
    std::uint16_t address = 0;
    std::uint8_t data = 0;
  };

  void access_error();
  void launch();
  void start(const Command& command, bool continues_burst);
  void complete(const Command& command);
  void run(std::uint64_t bus_cycles);
  bool protected_address(std::uint16_t address) const;
  // FPS holds bits 15-9 of the last address that may be programmed or erased.
  std::uint16_t last_unprotected() const;
  std::uint64_t prescaler() const;

  const DeviceConfig& config_;
  const MemoryMap& map_;
  Array& memory_;

  std::uint8_t fcdiv_ = 0;
  std::uint8_t fopt_ = 0;
  std::uint8_t fcnfg_ = 0;
  std::uint8_t fprot_ = 0;
  std::uint8_t fstat_ = 0;
  bool unsecured_ = false;

  Step step_ = Step::Idle;
  Command latched_;
  std::optional<Command> running_;
  std::optional<Command> buffered_;
  std::uint64_t remaining_cycles_ = 0;
};

}  // namespace vx::sim
