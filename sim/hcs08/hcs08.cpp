#include "sim/hcs08/hcs08.h"

#include <algorithm>
#include <utility>

namespace vx::sim {

Hcs08::Hcs08(DeviceConfig config)
    : config_(std::move(config)),
      map_(config_),
      cpu_(*this),
      flash_(config_, map_, memory_),
      clock_(config_.clock),
      cop_(config_) {
  for (const AddressRange& range : config_.flash) {
    std::fill(memory_.begin() + range.first, memory_.begin() + range.last + 1, std::uint8_t{0xFF});
  }
  map_plain_memory(memory_.data(), map_.plain());
}

void Hcs08::power_on(bool bkgd_low) {
  if (powered()) return;
  std::fill(memory_.begin() + config_.ram.first, memory_.begin() + config_.ram.last + 1, std::uint8_t{0});
  cpu_.registers() = CpuRegisters{};
  internal_reset(srs::kPor | srs::kLvd, bkgd_low);
}

void Hcs08::power_off() {
  state_ = RunState::Off;
  self_reset_in_.reset();
}

void Hcs08::reset(bool bkgd_low) {
  if (powered()) internal_reset(srs::kPin, bkgd_low);
}

void Hcs08::internal_reset(std::uint8_t source, bool into_background) {
  catch_up();  // a command that completes before the reset still programs its byte
  ++resets_;
  srs_ = source;
  clock_.reset();
  cop_.reset();
  flash_.reset();
  bdc_.reset(into_background);
  cpu_.reset(config_.reset_vector);
  state_ = into_background ? RunState::Background : RunState::Running;
  skip_breakpoint_ = false;
  next_event_in_ = 0;
}

std::uint64_t Hcs08::sync_pulse_ps() const {
  const std::uint64_t hz = bdc_clock_hz();
  return hz == 0 ? 0 : (std::uint64_t{bdc::kSyncPulseCycles} * 1'000'000'000'000 + hz / 2) / hz;
}

void Hcs08::run_for_ns(std::uint64_t nanoseconds) {
  const std::uint64_t room = (UINT64_MAX - time_.ps()) / 1000;
  const std::uint64_t target = time_.ps() + std::min(nanoseconds, room) * 1000;
  while (time_.ps() < target) {
    switch (state_) {
      case RunState::Off:
      case RunState::Stop:
        time_.advance_to_ps(target);  // no bus clock
        break;
      case RunState::Background:
      case RunState::Wait:
        idle_until(target);
        break;
      case RunState::Running:
        run_until(target);
        break;
    }
  }
  catch_up();
}

// The time reaches target_ps after a number of cycles that holds while the bus clock does, so the
// instructions run against a count of cycles rather than against the time.
void Hcs08::run_until(std::uint64_t target_ps) {
  const std::uint64_t hz = clock_.bus_hz();
  const std::uint64_t end = time_.cycles() + time_.cycles_until(target_ps, hz);
  while (state_ == RunState::Running && time_.cycles() < end && clock_.bus_hz() == hz) execute_instruction();
}

void Hcs08::idle_until(std::uint64_t target_ps) {
  catch_up();  // the bounds below need the COP and the fault as they stand
  std::uint64_t cycles = time_.cycles_until(target_ps, clock_.bus_hz());
  // Stop short at the next event that resets the part, so that it happens on its cycle.
  if (state_ == RunState::Wait) cycles = std::min(cycles, std::max<std::uint64_t>(1, cop_.cycles_left()));
  if (self_reset_in_) cycles = std::min(cycles, std::max<std::uint64_t>(1, *self_reset_in_));
  tick(std::max<std::uint64_t>(1, cycles));
}

void Hcs08::catch_up() {
  if (unticked_ == 0) return;
  const std::uint64_t cycles = std::exchange(unticked_, 0);
  flash_.advance(cycles);
  if (self_reset_in_) {
    if (*self_reset_in_ <= cycles) {
      self_reset_in_.reset();
      internal_reset(srs::kLvd, false);
      return;
    }
    *self_reset_in_ -= cycles;
  }
  if ((state_ == RunState::Running || state_ == RunState::Wait) && cop_.advance(cycles)) {
    internal_reset(srs::kCop, false);
    return;
  }
  next_event_in_ = std::min({flash_.cycles_left(), self_reset_in_.value_or(UINT64_MAX), cop_.cycles_left()});
}

void Hcs08::execute_instruction() {
  const std::uint16_t pc = cpu_.registers().pc;
  if (!skip_breakpoint_ && bdc_.breaks_at(pc)) {
    enter_background();
    return;
  }
  skip_breakpoint_ = false;
  if (map_.at(pc) == Region::Unimplemented) {
    tick(1);  // the failed fetch takes its cycle, so a vector into nowhere cannot stall time
    internal_reset(srs::kIlad, false);
    return;
  }
  const std::uint64_t resets_before = resets_;
  const StepResult step = cpu_.step();
  tick(step.cycles);
  if (step.event != CpuEvent::None) catch_up();  // the cycles before it count in the old state
  if (resets_ != resets_before) return;
  switch (step.event) {
    case CpuEvent::None:
      break;
    case CpuEvent::Background:
      if (bdc_.enabled()) {
        enter_background();
      } else {
        internal_reset(srs::kIlop, false);
      }
      break;
    case CpuEvent::Stop:
      if (cop_.stop_enabled()) {
        flash_.abort_for_stop();
        state_ = RunState::Stop;
      } else {
        internal_reset(srs::kIlop, false);
      }
      break;
    case CpuEvent::Wait:
      state_ = RunState::Wait;
      break;
    case CpuEvent::IllegalOpcode:
      internal_reset(srs::kIlop, false);
      break;
  }
}

void Hcs08::enter_background() {
  catch_up();  // the COP counted the cycles run until now
  if (powered()) state_ = RunState::Background;
}

void Hcs08::go() {
  if (state_ != RunState::Background) return;
  state_ = RunState::Running;
  skip_breakpoint_ = true;
}

BdcReply Hcs08::bdc_command(std::span<const std::uint8_t> bytes) {
  if (!powered()) return {BdcStatus::NoPower, {}};
  return bdc_.execute(*this, bytes);
}

std::uint8_t Hcs08::read_other(std::uint16_t address) {
  if (map_.at(address) != Region::Register) return 0;
  catch_up();
  return read_register(address);
}

void Hcs08::write_other(std::uint16_t address, std::uint8_t value) {
  switch (map_.at(address)) {
    case Region::Flash:
      catch_up();
      flash_.array_write(address, value);
      break;
    case Region::Register:
      write_register(address, value, Accessor::Cpu);
      break;
    default:
      break;
  }
}

std::uint8_t Hcs08::read_register(std::uint16_t address) const {
  const int flash_offset = address - config_.flash_registers;
  if (flash_offset >= 0 && flash_offset < flash::kRegisterCount) return flash_.read_register(flash_offset);
  if (address == config_.srs) return srs_;
  if (address == config_.sopt1) return cop_.sopt1();
  if (address == config_.clock.trim_register) return clock_.trim();
  if (address == config_.clock.fine_trim_register) return clock_.fine_trim_register();
  return memory_[address];  // a register without behaviour here holds what was written
}

void Hcs08::write_register(std::uint16_t address, std::uint8_t value, Accessor who) {
  catch_up();
  next_event_in_ = 0;  // the write may start a flash command or set the COP anew
  const int flash_offset = address - config_.flash_registers;
  if (flash_offset >= 0 && flash_offset < flash::kRegisterCount) {
    flash_.write_register(flash_offset, value, who);
  } else if (address == config_.srs) {
    cop_.refresh();
  } else if (address == config_.sopt1) {
    cop_.write_sopt1(value);
  } else if (address == config_.clock.trim_register) {
    clock_.write_trim(value);
  } else if (address == config_.clock.fine_trim_register) {
    clock_.write_fine_trim_register(value);
  } else {
    memory_[address] = value;
  }
}

// While secured the debug link sees RAM and flash as zeros and cannot write RAM; the array
// write that opens a flash command still reaches the flash module, and registers stay open.
std::uint8_t Hcs08::debug_read(std::uint16_t address) {
  const Region region = map_.at(address);
  if (secured() && (region == Region::Ram || region == Region::Flash)) return 0;
  return read(address);
}

void Hcs08::debug_write(std::uint16_t address, std::uint8_t value) {
  switch (map_.at(address)) {
    case Region::Ram:
      if (!secured()) memory_[address] = value;
      break;
    case Region::Flash:
      catch_up();
      flash_.array_write(address, value);
      break;
    case Region::Register:
      write_register(address, value, Accessor::Debug);
      break;
    default:
      break;
  }
}

}  // namespace vx::sim
