#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "sim/hcs08/bdc.h"
#include "sim/hcs08/bus.h"
#include "sim/hcs08/bus_clock.h"
#include "sim/hcs08/cop.h"
#include "sim/hcs08/cpu.h"
#include "sim/hcs08/device_config.h"
#include "sim/hcs08/flash_controller.h"
#include "sim/hcs08/memory_map.h"
#include "sim/hcs08/sim_time.h"
#include "sim/hcs08/state_file.h"

namespace vx::sim {

enum class RunState : std::uint8_t { Off, Running, Background, Wait, Stop };

// Reset sources as SRS shows them.
namespace srs {
inline constexpr std::uint8_t kPor = 0x80, kPin = 0x40, kCop = 0x20, kIlop = 0x10, kIlad = 0x08, kLvd = 0x02;
}

// A simulated HCS08 microcontroller: CPU, memory map, flash module, background debug
// controller, trimmed bus clock and COP. Nothing runs by itself: the owner moves simulated
// time on (run_for_ns) and maps it onto its clock; the chip counts bus cycles.
class Hcs08 final : private Bus, private BdcTarget {
 public:
  explicit Hcs08(DeviceConfig config = default_device());
  Hcs08(const Hcs08&) = delete;
  Hcs08& operator=(const Hcs08&) = delete;

  const DeviceConfig& config() const { return config_; }

  // Power and pins. A reset with BKGD held low enters active background mode.
  void power_on(bool bkgd_low = false);
  void power_off();
  bool powered() const { return state_ != RunState::Off; }
  void reset(bool bkgd_low);
  void set_irq_pin_high(bool high) { cpu_.set_irq_pin_high(high); }
  // The part resets itself (as a low-voltage reset) after that many more bus cycles.
  void inject_self_reset(std::uint64_t after_cycles) {
    self_reset_in_ = after_cycles;
    next_event_in_ = 0;
  }

  // Simulated time.
  void run_for_ns(std::uint64_t nanoseconds);
  std::uint64_t cycles() const { return time_.cycles(); }
  std::uint64_t elapsed_ns() const { return time_.ps() / 1000; }
  std::uint64_t bus_clock_hz() const { return clock_.bus_hz(); }
  std::uint64_t bdc_clock_hz() const { return clock_.bdc_hz(bdc_.clksw()); }
  // Length of the target's answer to a sync request.
  std::uint64_t sync_pulse_ps() const;

  RunState state() const { return state_; }
  const CpuRegisters& registers() const { return cpu_.registers(); }
  std::uint8_t reset_source() const { return srs_; }
  bool secured() const { return flash_.secured(); }

  // One background debug command: the command byte and what the host sends with it.
  BdcReply bdc_command(std::span<const std::uint8_t> bytes);

  // Direct access for fixtures: no security, no flash command; flash bytes are set as if the
  // part came programmed.
  std::uint8_t peek(std::uint16_t address) { return read(address); }
  void poke(std::uint16_t address, std::uint8_t value) { memory_[address] = value; }

  // With the interfaces' flash that the file keeps beside the device's.
  StateFileResult save_flash(const std::string& path, const InterfaceFlash& interfaces = {}) const {
    return save_flash_state(path, config_, memory_, interfaces);
  }
  // Takes effect on the array at once; FOPT and FPROT follow at the next reset.
  StateFileResult load_flash(const std::string& path, InterfaceFlash* interfaces = nullptr) {
    return load_flash_state(path, config_, memory_, interfaces);
  }

 private:
  // The CPU's bus beyond RAM and flash reads.
  std::uint8_t read_other(std::uint16_t address) override;
  void write_other(std::uint16_t address, std::uint8_t value) override;
  std::uint8_t read_register(std::uint16_t address) const;
  void write_register(std::uint16_t address, std::uint8_t value, Accessor who);

  // The debug controller's view.
  std::uint8_t debug_read(std::uint16_t address) override;
  void debug_write(std::uint16_t address, std::uint8_t value) override;
  CpuRegisters& debug_registers() override { return cpu_.registers(); }
  bool in_background() const override { return state_ == RunState::Background; }
  bool waiting_or_stopped() const override { return state_ == RunState::Wait || state_ == RunState::Stop; }
  void enter_background() override;
  void go() override;

  void internal_reset(std::uint8_t source, bool into_background);
  void run_until(std::uint64_t target_ps);
  void execute_instruction();
  void idle_until(std::uint64_t target_ps);
  // Bus cycles pass. The flash module, the self-reset fault and the COP follow when their next
  // event is due, or when something may see them (catch_up).
  void tick(std::uint64_t cycles) {
    time_.add_cycles(cycles, clock_.bus_hz());
    unticked_ += cycles;
    if (unticked_ >= next_event_in_) catch_up();
  }
  // The flash module, the self-reset fault and the COP move on by the cycles they have not seen;
  // may reset the part.
  void catch_up();

  DeviceConfig config_;
  MemoryMap map_;
  std::array<std::uint8_t, 0x10000> memory_{};
  Cpu cpu_;
  FlashController flash_;
  BackgroundDebugController bdc_;
  BusClock clock_;
  Cop cop_;
  SimTime time_;
  RunState state_ = RunState::Off;
  std::uint8_t srs_ = 0;
  std::optional<std::uint64_t> self_reset_in_;
  std::uint64_t unticked_ = 0;
  // Cycles after the last catch_up before the flash module, the self-reset fault or the COP can
  // next change anything; 0 once something has changed them since.
  std::uint64_t next_event_in_ = 0;
  bool skip_breakpoint_ = false;  // GO at a breakpoint executes that instruction first
  std::uint64_t resets_ = 0;
};

}  // namespace vx::sim
