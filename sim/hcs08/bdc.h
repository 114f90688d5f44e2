#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/hcs08/cpu_registers.h"

namespace vx::sim {

namespace bdc {
// BDCSCR bits.
inline constexpr std::uint8_t kEnbdm = 0x80, kBdmact = 0x40, kBkpten = 0x20, kFts = 0x10, kClksw = 0x08, kWs = 0x04,
                              kWsf = 0x02, kDvf = 0x01;
inline constexpr std::uint8_t kWritable = kEnbdm | kBkpten | kFts | kClksw;

// Commands allowed at any time.
inline constexpr std::uint8_t kBackground = 0x90, kReadStatus = 0xE4, kWriteControl = 0xC4, kReadByte = 0xE0,
                              kReadByteWs = 0xE1, kReadLast = 0xE8, kWriteByte = 0xC0, kWriteByteWs = 0xC1,
                              kReadBkpt = 0xE2, kWriteBkpt = 0xC2;
// Commands of active background mode.
inline constexpr std::uint8_t kGo = 0x08, kReadA = 0x68, kReadCcr = 0x69, kReadPc = 0x6B, kReadHx = 0x6C,
                              kReadSp = 0x6F, kReadNext = 0x70, kReadNextWs = 0x71, kWriteA = 0x48, kWriteCcr = 0x49,
                              kWritePc = 0x4B, kWriteHx = 0x4C, kWriteSp = 0x4F, kWriteNext = 0x50,
                              kWriteNextWs = 0x51;

// The sync response: a low pulse of this many BDC clock cycles.
inline constexpr std::uint32_t kSyncPulseCycles = 128;
}  // namespace bdc

// How many bytes follow a command byte from the host and how many the target sends back.
struct BdcCommandShape {
  std::uint8_t host_bytes = 0;
  std::uint8_t target_bytes = 0;
  bool needs_background = false;
};
std::optional<BdcCommandShape> bdc_command_shape(std::uint8_t command);

enum class BdcStatus : std::uint8_t {
  Done,
  NotInBackground,  // an active-background command while the CPU runs: ignored
  Unknown,          // no such command, or the bytes do not fit its shape
  NoPower,
};

struct BdcReply {
  BdcStatus status = BdcStatus::Done;
  std::vector<std::uint8_t> bytes;
};

// What the controller reaches of the chip.
class BdcTarget {
 public:
  virtual ~BdcTarget() = default;
  virtual std::uint8_t debug_read(std::uint16_t address) = 0;
  virtual void debug_write(std::uint16_t address, std::uint8_t value) = 0;
  virtual CpuRegisters& debug_registers() = 0;
  virtual bool in_background() const = 0;
  virtual bool waiting_or_stopped() const = 0;
  virtual void enter_background() = 0;
  virtual void go() = 0;
};

// The background debug controller: BDCSCR, the breakpoint register and the serial commands.
class BackgroundDebugController {
 public:
  // A reset into active background mode (BKGD held low) enables BDM; any other reset clears it.
  void reset(bool into_background);

  std::uint8_t status(const BdcTarget& target) const;
  bool enabled() const { return (control_ & bdc::kEnbdm) != 0; }
  bool clksw() const { return (control_ & bdc::kClksw) != 0; }
  // A breakpoint stops the CPU before the instruction at the breakpoint address.
  bool breaks_at(std::uint16_t pc) const {
    return (control_ & (bdc::kEnbdm | bdc::kBkpten)) == (bdc::kEnbdm | bdc::kBkpten) && pc == breakpoint_;
  }

  // bytes: the command byte and the bytes the host sends with it.
  BdcReply execute(BdcTarget& target, std::span<const std::uint8_t> bytes);

 private:
  BdcReply read_memory(BdcTarget& target, std::uint16_t address, bool with_status);

  std::uint8_t control_ = 0;
  std::uint16_t breakpoint_ = 0;
  std::uint8_t last_read_ = 0;
};

}  // namespace vx::sim
