#include "sim/cable/sim_parallel_cable.h"

#include <algorithm>
#include <array>

namespace vx::sim {
namespace {

using platform::PortRegister;

constexpr std::uint8_t control_running = 0x04, control_ordinary = 0x02, control_strobe = 0x01;
constexpr std::uint8_t ack_line = 0x08;

// The reply lines' wiring to status bits 0-7 of the nibble pair, and the level they idle at.
constexpr std::array<std::uint8_t, 8> reply_lines{0x04, 0x02, 0x10, 0x40, 0x08, 0x01, 0x20, 0x80};
constexpr std::uint8_t reply_idle = 0xC0;

class SimParallelPort final : public platform::ParallelPort {
 public:
  explicit SimParallelPort(std::shared_ptr<SimParallelCable> cable) : cable_(std::move(cable)) {}
  std::uint8_t read(PortRegister reg) override { return cable_->read(reg); }
  void write(PortRegister reg, std::uint8_t value) override { cable_->write(reg, value); }

 private:
  std::shared_ptr<SimParallelCable> cable_;
};

}  // namespace

std::pair<std::uint8_t, std::uint8_t> encode_reply_byte(std::uint8_t byte) {
  const std::uint8_t lines = byte ^ reply_idle;
  std::uint8_t pair = 0;
  for (std::size_t k = 0; k < reply_lines.size(); ++k) {
    if ((lines & reply_lines[k]) != 0) pair = static_cast<std::uint8_t>(pair | (1U << k));
  }
  return {static_cast<std::uint8_t>(pair & 0xF0), static_cast<std::uint8_t>(pair << 4)};
}

SimParallelCable::SimParallelCable(Pod* pod, platform::Clock* clock) : pod_(pod), clock_(clock) {}

std::uint64_t SimParallelCable::now_us() { return clock_ != nullptr ? clock_->monotonic_microseconds() : 0; }

std::uint8_t SimParallelCable::read(PortRegister reg) {
  if (reg == PortRegister::data) return data_;
  if (reg == PortRegister::control) return control_;
  if (phase_ == Phase::executing && now_us() >= ack_at_us_) {
    ack_ = ack_when_done_;
    phase_ = Phase::closing;
  }
  return static_cast<std::uint8_t>((nibble_ & 0xF0) | (ack_ ? ack_line : 0));
}

void SimParallelCable::write(PortRegister reg, std::uint8_t value) {
  if (reg == PortRegister::data) data_ = value;
  if (reg != PortRegister::control) return;
  const std::uint8_t previous = control_;
  control_ = value;
  control_changed(previous, value);
}

void SimParallelCable::control_changed(std::uint8_t previous, std::uint8_t value) {
  if ((value & control_running) == 0) {
    phase_ = Phase::reset;
    ack_ = false;
    nibble_ = 0;
    command_.clear();
    nibbles_.clear();
    return;
  }
  const bool strobed = ((previous ^ value) & control_strobe) != 0;
  switch (phase_) {
    case Phase::reset:
      // The firmware starts as the cable leaves reset, reading the data lines.
      if (pod_ != nullptr) pod_->cable_reset(data_);
      phase_ = Phase::receiving;
      return;
    case Phase::receiving:
      if (strobed) strobe(value);
      return;
    case Phase::closing: return finish_command(value);
    case Phase::replying:
      if (strobed) next_nibble(value);
      return;
    case Phase::executing:
    case Phase::stuck: return;
  }
}

void SimParallelCable::strobe(std::uint8_t control) {
  if (silent_) return;
  command_.push_back(data_);
  const bool level = (control & control_strobe) == 0;
  if ((control & control_ordinary) != 0) {
    ack_ = level;
    return;
  }
  ++commands_;
  const std::vector<std::uint8_t> reply = pod_ != nullptr ? pod_->execute(command_) : std::vector<std::uint8_t>{};
  command_.clear();
  if (reply.empty() || reply.front() != Pod::ack) {
    phase_ = Phase::stuck;
    return;
  }
  for (auto byte = reply.begin() + 1; byte != reply.end(); ++byte) {
    const auto [first, second] = encode_reply_byte(*byte);
    nibbles_.push_back(first);
    nibbles_.push_back(second);
  }
  ack_when_done_ = level;
  ack_at_us_ = now_us() + command_time_us_;
  phase_ = Phase::executing;
}

// The host drops the acknowledge line with control 6 and closes the command with 7.
void SimParallelCable::finish_command(std::uint8_t control) {
  if ((control & control_ordinary) == 0) return;
  if ((control & control_strobe) == 0) {
    ack_ = false;
    return;
  }
  if (nibbles_.empty()) {
    phase_ = Phase::receiving;
    return;
  }
  phase_ = Phase::replying;
  next_nibble(control);
}

void SimParallelCable::next_nibble(std::uint8_t control) {
  const bool level = (control & control_strobe) != 0;
  if (nibbles_.empty()) {
    // Between words the host is done; within one a missing nibble stays unanswered.
    if (level) {
      phase_ = Phase::receiving;
      ack_ = false;
      nibble_ = 0;
    }
    return;
  }
  nibble_ = nibbles_.front();
  nibbles_.pop_front();
  ack_ = level;
}

SimParallelPorts::SimParallelPorts(platform::Clock* clock) : clock_(clock) {}

SimParallelCable& SimParallelPorts::add(std::uint16_t base, Pod* pod) {
  cables_.emplace_back(base, std::make_shared<SimParallelCable>(pod, clock_));
  return *cables_.back().second;
}

std::optional<std::vector<std::uint16_t>> SimParallelPorts::base_addresses() {
  if (unlisted_) return std::nullopt;
  std::vector<std::uint16_t> bases;
  for (const auto& [base, cable] : cables_) bases.push_back(base);
  return bases;
}

std::unique_ptr<platform::ParallelPort> SimParallelPorts::open(std::uint16_t base) {
  const auto found = std::find_if(cables_.begin(), cables_.end(), [base](const auto& entry) { return entry.first == base; });
  if (found == cables_.end()) return nullptr;
  return std::make_unique<SimParallelPort>(found->second);
}

}  // namespace vx::sim
