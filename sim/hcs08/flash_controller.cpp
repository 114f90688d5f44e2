#include "sim/hcs08/flash_controller.h"

#include <algorithm>

namespace vx::sim {

using namespace flash;

void FlashController::reset() {
  fcdiv_ = 0;
  fopt_ = memory_[config_.nvopt];
  fprot_ = memory_[config_.nvprot];
  fcnfg_ = 0;
  fstat_ = kFcbef | kFccf;
  unsecured_ = false;
  step_ = Step::Idle;
  running_.reset();
  buffered_.reset();
  remaining_cycles_ = 0;
}

bool FlashController::secured() const { return !unsecured_ && (fopt_ & 0x03) != 0x02; }

std::uint8_t FlashController::read_register(int offset) const {
  switch (offset) {
    case kFcdiv: return fcdiv_;
    case kFopt: return fopt_;
    case kFcnfg: return fcnfg_;
    case kFprot: return fprot_;
    case kFstat: return fstat_;
    default: return 0;  // FCMD reads as 0, the reserved register too
  }
}

void FlashController::access_error() {
  fstat_ |= kFaccerr;
  step_ = Step::Idle;
}

void FlashController::write_register(int offset, std::uint8_t value, Accessor who) {
  // Between the array write and the launch only FCMD (once) and FSTAT may be written.
  if ((step_ == Step::Latched && offset != kFcmd && offset != kFstat) ||
      (step_ == Step::CommandWritten && offset != kFstat)) {
    access_error();
    return;
  }
  switch (offset) {
    case kFcdiv:
      if ((fcdiv_ & kDivld) == 0) fcdiv_ = static_cast<std::uint8_t>(kDivld | (value & 0x7F));
      break;
    case kFcnfg:
      fcnfg_ = value & kKeyacc;
      break;
    case kFprot:
      if (who == Accessor::Debug) fprot_ = value;
      break;
    case kFstat:
      fstat_ = static_cast<std::uint8_t>(fstat_ & ~(value & (kFpviol | kFaccerr)));
      if ((value & kFcbef) != 0) {
        if (step_ == Step::CommandWritten) {
          launch();
        } else if (step_ == Step::Latched) {
          access_error();
        }
      } else if (step_ != Step::Idle) {
        access_error();  // writing 0 to FCBEF cancels a partial command
      }
      break;
    case kFcmd: {
      const bool known = value == kBlankCheck || value == kByteProgram || value == kBurstProgram ||
                         value == kPageErase || value == kMassErase;
      const bool changes_cells = value == kByteProgram || value == kBurstProgram || value == kPageErase;
      if (step_ != Step::Latched || !known || (who == Accessor::Debug && secured() && changes_cells)) {
        access_error();
      } else {
        latched_.code = value;
        step_ = Step::CommandWritten;
      }
      break;
    }
    default:  // FOPT and the reserved register are read-only
      break;
  }
}

void FlashController::array_write(std::uint16_t address, std::uint8_t value) {
  if ((fstat_ & (kFaccerr | kFpviol)) != 0) return;  // no command until the errors are cleared
  if ((fcdiv_ & kDivld) == 0 || (fstat_ & kFcbef) == 0 || step_ != Step::Idle) {
    access_error();
    return;
  }
  latched_ = Command{0, address, value};
  step_ = Step::Latched;
}

std::uint16_t FlashController::last_unprotected() const {
  if ((fprot_ & kFpdis) != 0) return 0xFFFF;
  return static_cast<std::uint16_t>(((fprot_ >> 1) << 9) | 0x01FF);
}

bool FlashController::protected_address(std::uint16_t address) const { return address > last_unprotected(); }

void FlashController::launch() {
  step_ = Step::Idle;
  const Command command = latched_;
  const bool violates = command.code == kMassErase ? last_unprotected() != 0xFFFF
                                                   : command.code != kBlankCheck && protected_address(command.address);
  if (violates) {
    fstat_ |= kFpviol;
    return;
  }
  fstat_ = static_cast<std::uint8_t>(fstat_ & ~(kFcbef | kFccf | kFblank));
  if (running_) {
    buffered_ = command;
  } else {
    start(command, false);
  }
}

std::uint64_t FlashController::prescaler() const {
  return std::uint64_t{(fcdiv_ & 0x3Fu) + 1u} * ((fcdiv_ & kPrdiv8) != 0 ? 8u : 1u);
}

void FlashController::start(const Command& command, bool continues_burst) {
  std::uint64_t flash_cycles = kByteProgramCycles;
  switch (command.code) {
    case kBlankCheck: {
      std::uint64_t bytes = 0;
      for (const AddressRange& range : config_.flash) bytes += range.size();
      const std::uint64_t page = std::max<std::uint64_t>(1, config_.flash_page_size);
      flash_cycles = (bytes + page - 1) / page;
      break;
    }
    case kBurstProgram: flash_cycles = continues_burst ? kBurstCycles : kByteProgramCycles; break;
    case kPageErase: flash_cycles = kPageEraseCycles; break;
    case kMassErase: flash_cycles = kMassEraseCycles; break;
    default: break;
  }
  running_ = command;
  remaining_cycles_ = flash_cycles * prescaler();
  fstat_ |= kFcbef;  // the command has moved from the buffer into the array
}

void FlashController::complete(const Command& command) {
  switch (command.code) {
    case kByteProgram:
    case kBurstProgram:
      memory_[command.address] &= command.data;  // programming can only clear bits
      break;
    case kPageErase: {
      const std::uint32_t page = std::max<std::uint32_t>(1, config_.flash_page_size);
      const std::uint32_t first = command.address - command.address % page;
      for (std::uint32_t a = first; a < first + page && a <= 0xFFFF; ++a) {
        if (map_.at(static_cast<std::uint16_t>(a)) == Region::Flash) memory_[a] = 0xFF;
      }
      break;
    }
    case kMassErase:
      for (const AddressRange& range : config_.flash) {
        std::fill(memory_.begin() + range.first, memory_.begin() + range.last + 1, std::uint8_t{0xFF});
      }
      break;
    case kBlankCheck: {
      bool blank = true;
      for (const AddressRange& range : config_.flash) {
        blank = blank && std::all_of(memory_.begin() + range.first, memory_.begin() + range.last + 1,
                                     [](std::uint8_t b) { return b == 0xFF; });
      }
      if (blank) {
        fstat_ |= kFblank;
        unsecured_ = true;
      }
      break;
    }
    default:
      break;
  }
}

void FlashController::run(std::uint64_t bus_cycles) {
  while (running_) {
    if (bus_cycles < remaining_cycles_) {
      remaining_cycles_ -= bus_cycles;
      return;
    }
    bus_cycles -= remaining_cycles_;
    const Command done = *running_;
    running_.reset();
    complete(done);
    if (buffered_) {
      const Command next = *buffered_;
      buffered_.reset();
      start(next, done.code == kBurstProgram && next.code == kBurstProgram);
    } else {
      fstat_ |= kFccf;
    }
  }
}

void FlashController::abort_for_stop() {
  if (!running_ && !buffered_) return;
  running_.reset();
  buffered_.reset();
  fstat_ |= kFaccerr | kFcbef | kFccf;
}

}  // namespace vx::sim
