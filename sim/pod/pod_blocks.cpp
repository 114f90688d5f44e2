#include <array>

#include "sim/pod/pod.h"

// Block transfers. The interface streams a block with the background commands
// that advance HX first, one byte each. USB interfaces and programmers send the
// address (one below the first byte): the interface sets HX to it once and puts
// the CPU's own HX back afterwards, or, while the CPU runs and takes no HX
// commands, sends the address with every byte. A parallel cable leaves the
// address in the target's HX itself.
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
  const std::optional<std::uint16_t> saved_hx = before_first ? borrow_hx(*before_first) : std::nullopt;
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (before_first && !saved_hx) {
      const std::uint32_t address = *before_first + 1u + i;
      const std::array<std::uint8_t, 4> write = {bdc::kWriteByte, hi(address), lo(address), data[i]};
      target_bdc(write);
    } else {
      const std::array<std::uint8_t, 2> write_next = {bdc::kWriteNext, data[i]};
      target_bdc(write_next);
    }
  }
  if (saved_hx) write_hx(*saved_hx);
}

void Pod::block_read(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& reply) {
  if (command.size() != 4 && command.size() != 6) return log_violation(command, "block read is 4 or 6 bytes");
  const bool by_address = command.size() == 6;
  const std::size_t count_at = by_address ? 4 : 2;
  const std::uint16_t count = static_cast<std::uint16_t>(command[count_at] << 8 | command[count_at + 1]);
  // The reply is in words.
  if (count % 2 != 0) return log_violation(command, "odd block read of " + std::to_string(count) + " bytes");
  const std::uint16_t before_first = by_address ? static_cast<std::uint16_t>(command[2] << 8 | command[3]) : 0;
  const std::optional<std::uint16_t> saved_hx = by_address ? borrow_hx(before_first) : std::nullopt;
  std::vector<std::uint8_t> bytes;
  for (std::uint16_t i = 0; i < count; ++i) {
    std::optional<std::vector<std::uint8_t>> answer;
    if (by_address && !saved_hx) {
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
  if (saved_hx) write_hx(*saved_hx);
  if (bytes.size() < count) {
    // What the interface clocks in from a target that does not answer.
    return junk_words(count / 2, reply);
  }
  reply.insert(reply.end(), bytes.begin(), bytes.end());
}

std::optional<std::uint16_t> Pod::borrow_hx(std::uint16_t before_first) {
  const std::array<std::uint8_t, 1> read_hx = {bdc::kReadHx};
  const std::optional<std::vector<std::uint8_t>> held = target_bdc(read_hx);
  if (!held) return std::nullopt;
  write_hx(before_first);
  return static_cast<std::uint16_t>((*held)[0] << 8 | (*held)[1]);
}

void Pod::write_hx(std::uint16_t value) {
  const std::array<std::uint8_t, 3> write = {bdc::kWriteHx, hi(value), lo(value)};
  target_bdc(write);
}

}  // namespace vx::sim
