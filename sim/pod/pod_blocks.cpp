#include <array>

#include "sim/pod/pod.h"

// Block transfers. USB interfaces and programmers send the address (one below
// the first byte) and the interface reads and writes byte by byte at it; a
// parallel cable leaves the address in the target's HX, and the interface
// steps through memory with the background commands that advance HX first.
namespace vx::sim {
namespace {

constexpr std::uint8_t first_major_with_odd_blocks = 5;

std::uint8_t hi(std::uint32_t value) { return static_cast<std::uint8_t>(value >> 8); }
std::uint8_t lo(std::uint32_t value) { return static_cast<std::uint8_t>(value); }

}  // namespace

void Pod::block_write(std::span<const std::uint8_t> command) {
  if (command.size() == 2) {
    block_data_expected_ = true;
    return;
  }
  if (command.size() < 5) return log_violation(command, "block write without data");
  block_write_data(command.subspan(4), static_cast<std::uint16_t>(command[2] << 8 | command[3]));
}

void Pod::block_write_data(std::span<const std::uint8_t> data, std::optional<std::uint16_t> before_first) {
  if (data.size() % 2 != 0 && running_version().major < first_major_with_odd_blocks) {
    return log_violation(data, "odd block of " + std::to_string(data.size()) + " bytes on firmware " +
                                   firmware_version_text(running_version()));
  }
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (before_first) {
      const std::uint32_t address = *before_first + 1u + i;
      const std::array<std::uint8_t, 4> write = {bdc::kWriteByte, hi(address), lo(address), data[i]};
      target_bdc(write);
    } else {
      const std::array<std::uint8_t, 2> write_next = {bdc::kWriteNext, data[i]};
      target_bdc(write_next);
    }
  }
}

void Pod::block_read(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& reply) {
  if (command.size() != 4 && command.size() != 6) return log_violation(command, "block read is 4 or 6 bytes");
  const bool by_address = command.size() == 6;
  const std::size_t count_at = by_address ? 4 : 2;
  const std::uint16_t count = static_cast<std::uint16_t>(command[count_at] << 8 | command[count_at + 1]);
  // The reply is in words.
  if (count % 2 != 0) return log_violation(command, "odd block read of " + std::to_string(count) + " bytes");
  const std::uint16_t before_first = by_address ? static_cast<std::uint16_t>(command[2] << 8 | command[3]) : 0;
  std::vector<std::uint8_t> bytes;
  for (std::uint16_t i = 0; i < count; ++i) {
    std::optional<std::vector<std::uint8_t>> answer;
    if (by_address) {
      const std::uint32_t address = before_first + 1u + i;
      const std::array<std::uint8_t, 3> read = {bdc::kReadByte, hi(address), lo(address)};
      answer = target_bdc(read);
    } else {
      const std::array<std::uint8_t, 1> read_next = {bdc::kReadNext};
      answer = target_bdc(read_next);
    }
    if (!answer) break;
    bytes.push_back(answer->front());
  }
  if (bytes.size() < count) {
    // What the interface clocks in from a target that does not answer.
    return junk_words(count / 2, reply);
  }
  reply.insert(reply.end(), bytes.begin(), bytes.end());
}

}  // namespace vx::sim
