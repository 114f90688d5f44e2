#include "sim/programmer/sim_programmer.h"

#include <algorithm>

namespace vx::sim {
namespace {

std::vector<std::uint8_t> text(const std::string& value) { return {value.begin(), value.end()}; }

std::vector<std::uint8_t> long_bytes(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
          static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

std::uint32_t long_at(std::span<const std::uint8_t> bytes, std::size_t at) {
  return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 | std::uint32_t{bytes[at + 2]} << 8 |
         bytes[at + 3];
}

}  // namespace

std::uint32_t crc32(std::span<const std::uint8_t> bytes) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (const std::uint8_t byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
  }
  return ~crc;
}

SimProgrammer::SimProgrammer(SimProgrammerConfig config, Pod* pod)
    : config_(std::move(config)), pod_(pod), memory_(config_.memory_size, 0xFF) {}

std::optional<std::vector<std::uint8_t>> SimProgrammer::execute(std::uint8_t channel,
                                                                std::span<const std::uint8_t> stream) {
  ++executed_;
  received_.emplace_back(1, channel);
  received_.back().insert(received_.back().end(), stream.begin(), stream.end());
  if (stream.empty()) return std::vector<std::uint8_t>{};
  if (config_.architecture_channel != 0 && channel == config_.architecture_channel) {
    std::vector<std::uint8_t> command{7, static_cast<std::uint8_t>(stream[0] - config_.command_offset)};
    command.insert(command.end(), stream.begin() + 1, stream.end());
    return protocol(command);
  }
  switch (channel) {
    case 1: return query(stream);
    case 2: return control(stream);
    case 21: return protocol(stream);
    default: return std::vector<std::uint8_t>{};
  }
}

std::vector<std::uint8_t> SimProgrammer::execute_frame(std::span<const std::uint8_t> payload) {
  if (payload.empty()) return {};
  return execute(payload[0], payload.subspan(1)).value_or(std::vector<std::uint8_t>{});
}

std::vector<std::uint8_t> SimProgrammer::query(std::span<const std::uint8_t> stream) {
  switch (stream[0]) {
    case 0x0A: return {config_.mac.begin(), config_.mac.end()};
    case 0x0B: return text(config_.identity);
    case 0x10: return long_bytes(config_.first_duration);
    case 0x11: return long_bytes(config_.second_duration);
    case 0x1D: return text(config_.version);
    case 0x1E: return text(config_.extra_text);
    case 0x1F: return text(logic_updated_ ? config_.image_logic_version : config_.logic_version);
    case 0x20: return text(config_.device_info);
    case 0x24: return text(config_.image_logic_version);
    case 0x2F: return text(config_.kernel_name);
    case 0x30: {
      const bool known = stream.size() == 2 && stream[1] < regions;
      if (known) unlocked_region_ = stream[1];
      return {static_cast<std::uint8_t>(known ? 1 : 0)};
    }
    default: return {};
  }
}

std::optional<std::vector<std::uint8_t>> SimProgrammer::control(std::span<const std::uint8_t> stream) {
  switch (stream[0]) {
    case 0x03:
      ++resets_;
      unlocked_region_.reset();
      return std::nullopt;
    case 0x05: {
      const std::size_t start = stream.size() == 2 ? stream[1] * erase_block_size : memory_.size();
      const bool done = unlocked_region_ && start < memory_.size();
      if (done) std::fill_n(memory_.begin() + static_cast<long>(start), std::min(erase_block_size, memory_.size() - start), 0xFF);
      return std::vector<std::uint8_t>{static_cast<std::uint8_t>(done ? 1 : 0)};
    }
    case 0x07: return std::vector<std::uint8_t>{write(stream)};
    case 0x1F:
      logic_updated_ = true;
      return text("Logic reload started");
    case 0x20: return text(logic_updated_ ? "Logic updated successfully" : "No logic update");
    case 0x1D:
      if (stream.size() != 3) return std::vector<std::uint8_t>{0};
      shift_speed_ = static_cast<std::uint16_t>(stream[1] | stream[2] << 5);
      return std::vector<std::uint8_t>{1};
    case 0x28: return range_crc(stream);
    case 0x29: {
      std::vector<std::uint8_t> reply = long_bytes(config_.region_length);
      const std::size_t length = std::min<std::size_t>(config_.region_length, memory_.size());
      const std::vector<std::uint8_t> crc = long_bytes(crc32(std::span(memory_).first(length)));
      reply.insert(reply.end(), crc.begin(), crc.end());
      return reply;
    }
    default: return std::vector<std::uint8_t>{};
  }
}

// A write needs an unlocked region, a count that matches its data and room in memory.
std::uint8_t SimProgrammer::write(std::span<const std::uint8_t> stream) {
  if (!unlocked_region_ || stream.size() < 7) return 0;
  const std::uint32_t address = long_at(stream, 1);
  const std::size_t count = std::size_t{stream[5]} << 8 | stream[6];
  if (stream.size() != 7 + count || address > memory_.size() || count > memory_.size() - address) return 0;
  std::copy(stream.begin() + 7, stream.end(), memory_.begin() + address);
  return 1;
}

// A range outside the memory gives a CRC of 0.
std::vector<std::uint8_t> SimProgrammer::range_crc(std::span<const std::uint8_t> stream) const {
  if (stream.size() != 9) return long_bytes(0);
  const std::uint32_t address = long_at(stream, 1), length = long_at(stream, 5);
  if (address > memory_.size() || length > memory_.size() - address) return long_bytes(0);
  return long_bytes(crc32(std::span(memory_).subspan(address, length)));
}

std::vector<std::uint8_t> SimProgrammer::protocol(std::span<const std::uint8_t> stream) {
  if (pod_ == nullptr) return {};
  std::vector<std::uint8_t> reply = pod_->execute(stream);
  if (!reply.empty()) std::rotate(reply.begin(), reply.begin() + 1, reply.end());
  return reply;
}

}  // namespace vx::sim
