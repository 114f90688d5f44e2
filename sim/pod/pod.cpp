#include "sim/pod/pod.h"

#include <algorithm>
#include <array>

#include "sim/pod/reply_words.h"

namespace vx::sim {
namespace {

constexpr std::uint8_t interface_command = 7, memory_read = 4, memory_write = 2, background_reset = 1, run_code = 3;
constexpr std::uint8_t wrong_ack_byte = 0x5A;
constexpr std::uint8_t command_offset = 128;
constexpr std::uint64_t bdc_cycles_per_bit = 16;
// A command that reaches memory waits this long for the access before the next command.
constexpr std::uint64_t bdc_access_cycles = 16;

bool accesses_memory(std::uint8_t command) {
  switch (command) {
    case bdc::kReadByte: case bdc::kReadByteWs: case bdc::kWriteByte: case bdc::kWriteByteWs:
    case bdc::kReadNext: case bdc::kReadNextWs: case bdc::kWriteNext: case bdc::kWriteNextWs: return true;
    default: return false;
  }
}

// Sub-commands that move up by the command offset on firmware above 5.
constexpr std::array<std::uint8_t, 8> offset_sub_commands = {10, 11, 12, 14, 15, 16, 21, 31};

namespace sub {
constexpr std::uint8_t speed = 0, block_write = 4, block_read = 5, reset_line = 6, bkgd_line = 7,
                       clear_reset_latch = 9, target_type = 3, running_version = 14, programmer_initialisation = 48,
                       upgrade_crc = 21, logic_script = 31, shift_speed = 10, batch = 20, trim_8bit = 23, trim_search = 25,
                       resync = 255;
}

// The first firmware that offers a sub-command.
struct Gate {
  std::uint8_t sub_command;
  FirmwareVersion first;
};
constexpr std::array<Gate, 8> gates = {{
    {sub::speed, {3, 0}},
    {sub::block_write, {3, 20}},
    {sub::block_read, {3, 20}},
    {sub::reset_line, {3, 30}},
    {sub::bkgd_line, {3, 30}},
    {sub::clear_reset_latch, {3, 31}},
    {sub::trim_8bit, {4, 8}},
    {sub::trim_search, {4, 8}},
}};

// The published background-debug commands an interface passes to the target.
constexpr std::array<std::uint8_t, 18> target_commands = {0x90, 0x08, 0xE0, 0xC0, 0xE2, 0xC2, 0x68, 0x69, 0x6B,
                                                          0x6C, 0x6F, 0x48, 0x49, 0x4B, 0x4C, 0x4F, 0xE4, 0xC4};

std::string bytes_text(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (std::size_t i = 0; i < bytes.size() && i < 4; ++i) {
    if (i != 0) text += ',';
    text += std::to_string(bytes[i]);
  }
  if (bytes.size() > 4) text += ",...";
  return text;
}

}  // namespace

Pod::Pod(PodConfig config, Hcs08* target, SimClock* clock)
    : config_(std::move(config)),
      memory_(config_.layout),
      fx_logic_(config_.fx_stuck_word),
      flash_writes_(config_.kill_after_write),
      target_(target),
      clock_(clock) {
  memory_.install_firmware(memory_.update_block(), config_.updated_firmware, config_.updated_checksum);
  memory_.install_firmware(PodMemory::original_block, config_.original_firmware, true);
  if (config_.layout == FlashLayout::cable) memory_.set_byte(PodMemory::protect_address, config_.protect_byte);
  running_updated_ = config_.run_updated && updated_may_start();
  if (clock_ != nullptr) target_synced_ns_ = clock_->now_nanoseconds();
}

std::vector<std::uint8_t> Pod::execute(std::span<const std::uint8_t> command) {
  const std::uint64_t number = commands_++;
  std::optional<PodFault> fault;
  const auto armed = std::find_if(faults_.begin(), faults_.end(), [&](const auto& f) { return f.first == number; });
  if (armed != faults_.end()) {
    fault = armed->second;
    faults_.erase(armed);
  }
  std::vector<std::uint8_t> reply;
  if (!link_lost() && fault != PodFault::no_ack) {
    if (fault == PodFault::target_reset && target_ != nullptr && target_->powered()) target_->reset(false);
    reply.push_back(ack);
    run_command(command, reply);
    if (fault == PodFault::wrong_ack) reply.front() = wrong_ack_byte;
    if (fault == PodFault::short_reply) reply.pop_back();
    // The command was answered before the power went.
    if (power_cut_pending_) powered_ = false;
  }
  if (keep_wire_log_) {
    wire_log_.push_back({{command.begin(), command.end()}, reply, clock_ != nullptr ? clock_->now_nanoseconds() : 0});
  }
  return reply;
}

void Pod::keep_wire_log(bool keep) {
  keep_wire_log_ = keep;
  if (!keep) wire_log_ = {};
}

void Pod::inject(PodFault fault, std::uint32_t skip) { faults_.emplace_back(commands_ + skip, fault); }

FirmwareVersion Pod::running_version() const {
  const std::uint16_t block = running_updated_ ? memory_.update_block() : PodMemory::original_block;
  std::string text;
  for (std::uint16_t i = 0; i < 4; ++i) text += static_cast<char>(memory_.byte(block + PodMemory::version_offset + i));
  return parse_firmware_version(text);
}

void Pod::run_command(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& reply) {
  if (command.empty()) return log_violation(command, "empty command");
  if (block_data_expected_) {
    block_data_expected_ = false;
    return block_write_data(command, std::nullopt);
  }
  switch (command[0]) {
    case interface_command: return run_interface_command(command, reply);
    case memory_read: return read_memory(command, reply);
    case memory_write: return write_memory(command);
    case background_reset:
      if (command.size() != 3) return log_violation(command, "background reset is 3 bytes");
      speed_divider_ = static_cast<std::uint16_t>(command[1] << 8 | command[2]);
      reset_target(true);
      push_word(reply, speed_divider_);
      return;
    case run_code:
      // The code run restarts the interface into its original firmware; nothing answers.
      if (command.size() != 3) return log_violation(command, "run code is 3 bytes");
      start_firmware(false);
      reply.clear();
      return;
    default:
      if (std::find(target_commands.begin(), target_commands.end(), command[0]) != target_commands.end()) {
        return run_target_command(command, reply);
      }
      return log_violation(command, "unknown command");
  }
}

void Pod::run_interface_command(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& reply) {
  if (command.size() < 2) return log_violation(command, "interface command without sub-command");
  if (command[1] == flash_frame_open || command[1] == flash_frame_close) return flash_frame(command);
  // A Universal's flash work carries the offset, which leaves the bare 10 to the shift speed.
  if (config_.universal && command[1] == sub::shift_speed) {
    if (command.size() == 3) {
      shift_speed_ = command[2];
    } else {
      log_violation(command, "wrong length for the shift speed");
    }
    return;
  }
  const std::optional<std::uint8_t> plain = plain_sub_command(command[1]);
  if (!plain || !allowed(*plain)) return;
  const auto expect_size = [&](std::size_t size) {
    if (command.size() == size) return true;
    log_violation(command, "wrong length for sub-command " + std::to_string(*plain));
    return false;
  };
  if (run_line_command(*plain, command, reply) || run_flash_command(*plain, command, reply)) return;
  switch (*plain) {
    case sub::running_version:
      if (expect_size(2)) {
        const std::string text = firmware_version_text(running_version());
        push_word(reply, static_cast<std::uint16_t>(text[0] << 8 | text[1]));
        push_word(reply, static_cast<std::uint16_t>(text[2] << 8 | text[3]));
      }
      return;
    case sub::programmer_initialisation:
      expect_size(2);
      return;
    case sub::target_type:
      if (expect_size(3)) target_type_ = command[2];
      return;
    case sub::upgrade_crc:
      if (expect_size(2)) push_word(reply, memory_.block_crc(memory_.update_block()));
      return;
    case sub::resync:
      expect_size(2);
      return;
    case sub::block_write: return block_write(command);
    case sub::block_read: return block_read(command, reply);
    case sub::trim_8bit:
    case sub::trim_search: return trim_measure(command, reply);
    case sub::batch: return run_batch(command, reply);
    case sub::logic_script:
      if (!config_.fx_logic) return log_violation(command, "unknown interface command");
      if (!fx_logic_.run(command.subspan(2), reply)) log_violation(command, fx_logic_.problem());
      return;
    default:
      return log_violation(command, "unknown interface command");
  }
}

// The firmware's own sub-command number; nullopt (and a violation) when the offset is wrong.
std::optional<std::uint8_t> Pod::plain_sub_command(std::uint8_t sub_command) {
  const bool offset_firmware = running_version().major > 5 || config_.universal;
  const auto offset_kind = [](std::uint8_t value) {
    return std::find(offset_sub_commands.begin(), offset_sub_commands.end(), value) != offset_sub_commands.end();
  };
  const std::array<std::uint8_t, 2> shown = {interface_command, sub_command};
  if (offset_firmware && offset_kind(sub_command)) {
    log_violation(shown, "sub-command without the command offset on firmware " + firmware_version_text(running_version()));
    return std::nullopt;
  }
  if (sub_command >= command_offset && sub_command != sub::resync) {
    const auto plain = static_cast<std::uint8_t>(sub_command - command_offset);
    if (offset_firmware && offset_kind(plain)) return plain;
    log_violation(shown, "command offset on firmware " + firmware_version_text(running_version()));
    return std::nullopt;
  }
  return sub_command;
}

bool Pod::allowed(std::uint8_t sub_command) {
  const FirmwareVersion running = running_version();
  for (const Gate& gate : gates) {
    if (gate.sub_command != sub_command || running >= gate.first) continue;
    const std::array<std::uint8_t, 2> shown = {interface_command, sub_command};
    log_violation(shown, "needs firmware " + firmware_version_text(gate.first) + ", running " +
                         firmware_version_text(running));
    return false;
  }
  return true;
}

void Pod::read_memory(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& reply) {
  if (command.size() != 4) return log_violation(command, "memory read is 4 bytes");
  const std::uint16_t address = static_cast<std::uint16_t>(command[1] << 8 | command[2]);
  const std::size_t words = (command[3] + 1u) / 2;
  for (std::size_t i = 0; i < words; ++i) {
    const auto word_address = static_cast<std::uint16_t>(address + 2 * i);
    if (word_address == reset_status_word) {
      const bool line_high = target_alive();
      push_word(reply, static_cast<std::uint16_t>((line_high ? 0x8000 : 0) | (reset_latch_ ? 0x2000 : 0)));
    } else {
      push_word(reply, memory_.word(word_address));
    }
  }
}

void Pod::run_target_command(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& reply) {
  const std::optional<BdcCommandShape> shape = bdc_command_shape(command[0]);
  if (command.size() != 1u + shape->host_bytes) return log_violation(command, "wrong length for a target command");
  const std::size_t words = shape->target_bytes == 0 ? 0 : 1;
  const std::optional<std::vector<std::uint8_t>> answer = target_bdc(command);
  if (!answer) return junk_words(words, reply);
  if (words == 0) return;
  const std::vector<std::uint8_t>& bytes = *answer;
  push_word(reply, bytes.size() == 1 ? static_cast<std::uint16_t>(bytes[0] << 8)
                                     : static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]));
}

std::optional<std::vector<std::uint8_t>> Pod::target_bdc(std::span<const std::uint8_t> bytes) {
  if (target_ == nullptr || target_dead_ || bkgd_blocked_) return std::nullopt;
  const std::optional<BdcCommandShape> shape = bdc_command_shape(bytes[0]);
  sync_target();
  const std::uint64_t bdc_hz = target_->bdc_clock_hz();
  BdcReply answer = target_->bdc_command(bytes);
  if (clock_ != nullptr && bdc_hz != 0) {
    const std::uint64_t bits = 8 * (bytes.size() + shape->target_bytes);
    const std::uint64_t cycles = bits * bdc_cycles_per_bit + (accesses_memory(bytes[0]) ? bdc_access_cycles : 0);
    clock_->advance_nanoseconds(cycles * 1'000'000'000 / bdc_hz);
  }
  if (answer.status != BdcStatus::Done || answer.bytes.size() != shape->target_bytes) return std::nullopt;
  return std::move(answer.bytes);
}

// A batch header with its count, then that many frames (0xAA 0x55, length, payload);
// each frame's command is acknowledged in turn after the header's acknowledgement.
void Pod::run_batch(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& reply) {
  if (command.size() < 3) return log_violation(command, "batch header without count");
  std::span<const std::uint8_t> rest = command.subspan(3);
  std::size_t frames = 0;
  while (!rest.empty()) {
    if (rest.size() < 4 || rest[0] != 0xAA || rest[1] != 0x55) return log_violation(command, "malformed batch frame");
    const std::size_t length = static_cast<std::size_t>(rest[2] << 8 | rest[3]);
    if (rest.size() < 4 + length) return log_violation(command, "batch frame longer than the batch");
    reply.push_back(ack);
    run_command(rest.subspan(4, length), reply);
    rest = rest.subspan(4 + length);
    ++frames;
  }
  if (frames != command[2]) log_violation(command, "batch count " + std::to_string(command[2]) + ", frames " + std::to_string(frames));
}

void Pod::log_violation(std::span<const std::uint8_t> command, const std::string& why) {
  violations_.push_back("[" + bytes_text(command) + "] " + why);
}

// On the wall clock a host slower than the part would chase ever longer gaps (each catch-up
// taking longer than the time it simulates); there the part's time lags behind instead.
constexpr std::uint64_t max_real_time_catch_up_ns = 20'000'000;

void Pod::sync_target() {
  if (clock_ == nullptr) return;
  const bool real_time = clock_->mode() == SimClock::Mode::real_time;
  const std::uint64_t now = clock_->now_nanoseconds();
  if (now > target_synced_ns_) {
    const std::uint64_t gap = now - target_synced_ns_;
    target_->run_for_ns(real_time ? std::min(gap, max_real_time_catch_up_ns) : gap);
  }
  target_synced_ns_ = real_time ? clock_->now_nanoseconds() : now;
}

// What the interface reads from a background line nobody drives.
void Pod::junk_words(std::size_t count, std::vector<std::uint8_t>& reply) {
  for (std::size_t i = 0; i < count; ++i) {
    junk_ ^= junk_ << 7;
    junk_ ^= junk_ >> 9;
    push_word(reply, static_cast<std::uint16_t>(junk_));
  }
}

}  // namespace vx::sim
