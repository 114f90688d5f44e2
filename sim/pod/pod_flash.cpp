// The interface's firmware side: its original firmware erases and programs
// the update block, and each start picks the firmware that runs. The updated
// firmware starts only while its key byte and checksum hold; it runs from the
// block, so it does no flash work of its own beyond clearing its key.
#include <algorithm>
#include <string>
#include <utility>

#include "sim/pod/pod.h"
#include "sim/pod/reply_words.h"

namespace vx::sim {
namespace {

namespace sub {
constexpr std::uint8_t program = 10, erase_block = 11, erase_range = 12, boot_original = 15, boot_updated = 16;
}

// The flash controller's status for a refused command: access and protection error.
constexpr std::uint16_t flash_error = 0x0030;
constexpr std::uint8_t updated_reset_byte = 0xAA;
// A USB interface erases its flash in 512-byte blocks numbered from 0xF0000.
constexpr std::uint32_t usb_erase_base = 0xF0000, erase_page = 512;
// The interface's flash at its 200 kHz flash clock: 4000 clocks a page erase, 9 a byte.
constexpr std::uint64_t page_erase_ns = 20'000'000, byte_program_ns = 45'000;

std::uint32_t big_endian(std::span<const std::uint8_t> bytes) {
  std::uint32_t value = 0;
  for (const std::uint8_t byte : bytes) value = value << 8 | byte;
  return value;
}

}  // namespace

void Pod::cable_reset(std::uint8_t data_byte) {
  running_updated_ = data_byte == updated_reset_byte && updated_may_start();
  flash_frame_open_ = false;
}

bool Pod::take_restart() { return std::exchange(restarted_, false); }

std::vector<std::uint8_t> Pod::flash_image() const {
  std::vector<std::uint8_t> image;
  for (std::uint32_t i = 0; i < PodMemory::block_size; ++i) {
    image.push_back(memory_.byte(static_cast<std::uint16_t>(memory_.update_block() + i)));
  }
  image.push_back(memory_.byte(PodMemory::protect_address));
  return image;
}

bool Pod::restore_flash_image(std::span<const std::uint8_t> image) {
  if (image.size() != PodMemory::block_size + 1u) return false;
  for (std::uint32_t i = 0; i < PodMemory::block_size; ++i) {
    memory_.set_byte(static_cast<std::uint16_t>(memory_.update_block() + i), image[i]);
  }
  memory_.set_byte(PodMemory::protect_address, image.back());
  running_updated_ = config_.run_updated && updated_may_start();
  return true;
}

bool Pod::updated_may_start() const {
  return config_.updated_starts && memory_.key_and_checksum_hold(memory_.update_block());
}

void Pod::start_firmware(bool updated) {
  running_updated_ = updated;
  flash_frame_open_ = false;
  restarted_ = true;
}

bool Pod::run_flash_command(std::uint8_t sub_command, std::span<const std::uint8_t> command,
                            std::vector<std::uint8_t>& reply) {
  switch (sub_command) {
    case sub::program: program_flash(command, reply); return true;
    case sub::erase_block: erase_blocks(command, reply); return true;
    case sub::erase_range: erase_range(command, reply); return true;
    case sub::boot_original:
    case sub::boot_updated:
      if (command.size() != 2) {
        log_violation(command, "wrong length for sub-command " + std::to_string(sub_command));
      } else {
        start_firmware(sub_command == sub::boot_updated && updated_may_start());
      }
      return true;
    default: return false;
  }
}

void Pod::flash_frame(std::span<const std::uint8_t> command) {
  if (memory_.layout() != FlashLayout::usb) return log_violation(command, "unknown interface command");
  if (command.size() != 2) return log_violation(command, "wrong length for a flash frame");
  if (!flash_work_allowed(command, false)) return;
  flash_frame_open_ = command[1] == flash_frame_open;
}

bool Pod::flash_work_allowed(std::span<const std::uint8_t> command, bool needs_frame) {
  if (running_updated_) {
    log_violation(command, "flash work while the updated firmware runs");
    return false;
  }
  if (needs_frame && memory_.layout() == FlashLayout::usb && !flash_frame_open_) {
    log_violation(command, "USB flash work outside 7,0x85 ... 7,0x86");
    return false;
  }
  return true;
}

bool Pod::flash_command_taken(std::uint32_t& count, std::uint32_t refuse_at) {
  ++count;
  ++flash_commands_;
  if (flash_commands_ == config_.flash_faults.power_cut_after) power_cut_pending_ = true;
  return count != refuse_at;
}

// Cable: address high, low, 0x00, count, data. USB: three count bytes, three address bytes, data.
void Pod::program_flash(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& reply) {
  const bool cable = memory_.layout() == FlashLayout::cable;
  const std::size_t header = cable ? 6 : 8;
  if (command.size() <= header) return log_violation(command, "flash program without data");
  const std::uint32_t count = cable ? big_endian(command.subspan(4, 2)) : big_endian(command.subspan(2, 3));
  const std::uint32_t address = cable ? big_endian(command.subspan(2, 2)) : big_endian(command.subspan(5, 3));
  const std::span<const std::uint8_t> data = command.subspan(header);
  if (data.size() != count) {
    return log_violation(command, "flash program of " + std::to_string(count) + " bytes with " +
                                      std::to_string(data.size()));
  }
  const std::uint16_t key_at = static_cast<std::uint16_t>(memory_.update_block() + PodMemory::block_size - 2);
  const std::uint32_t flash_key = memory_.flash_block() + PodMemory::block_size - 2;
  // Firmware 5 keeps itself from starting again by zeroing its key and checksum, unframed.
  const bool key_clear = !cable && !flash_frame_open_ && address == flash_key &&
                         std::all_of(data.begin(), data.end(), [](std::uint8_t byte) { return byte == 0; });
  if (!key_clear && !flash_work_allowed(command, true)) return;
  const bool protect = cable && address == PodMemory::protect_address && count == 1;
  const std::optional<std::uint16_t> at =
      protect ? std::optional<std::uint16_t>(PodMemory::protect_address) : memory_.block_address(address, count);
  if (!at) {
    log_violation(command, "flash program outside the update block");
    return push_word(reply, flash_error);
  }
  const PodFlashFaults& faults = config_.flash_faults;
  bool held_row = false;
  if (!key_clear) {
    std::uint32_t* counter = &rows_;
    std::uint32_t refuse_at = faults.refuse_row;
    if (protect) {
      counter = &protects_;
      refuse_at = faults.refuse_protect;
    } else if (*at == key_at + 1 || (*at == key_at && count == 2 && memory_.byte(key_at) == PodMemory::key_byte)) {
      // A USB interface writes the checksum together with the key byte already there.
      counter = &checksums_;
      refuse_at = faults.refuse_checksum;
    } else if (*at == key_at) {
      counter = &keys_;
      refuse_at = faults.refuse_key;
    }
    if (!flash_command_taken(*counter, refuse_at)) return push_word(reply, flash_error);
    held_row = counter == &rows_ && rows_ == faults.hold_row;
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    if (faults.stuck_byte == address + i) continue;
    memory_.program(static_cast<std::uint16_t>(*at + i), data[i]);
  }
  if (clock_ != nullptr) clock_->advance_nanoseconds(count * byte_program_ns);
  if (clock_ != nullptr && held_row) clock_->advance_nanoseconds(std::uint64_t{faults.hold_ms} * 1'000'000);
  push_word(reply, 0);
}

// Cable: the whole update block. USB: block number high, low.
void Pod::erase_blocks(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& reply) {
  const bool cable = memory_.layout() == FlashLayout::cable;
  if (command.size() != (cable ? 2u : 4u)) return log_violation(command, "wrong length for a block erase");
  if (!flash_work_allowed(command, true)) return;
  const std::uint32_t first = cable ? memory_.flash_block() : usb_erase_base + big_endian(command.subspan(2)) * erase_page;
  erase_flash(command, first, cable ? PodMemory::block_size : erase_page, reply);
}

// Three bytes of length, three of the first address.
void Pod::erase_range(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& reply) {
  if (command.size() != 8) return log_violation(command, "wrong length for a range erase");
  if (!flash_work_allowed(command, false)) return;
  erase_flash(command, big_endian(command.subspan(5, 3)), big_endian(command.subspan(2, 3)), reply);
}

// Within the update block and unless a knob refuses it.
void Pod::erase_flash(std::span<const std::uint8_t> command, std::uint32_t first, std::uint32_t count,
                      std::vector<std::uint8_t>& reply) {
  const std::optional<std::uint16_t> at = memory_.block_address(first, count);
  if (!at) {
    log_violation(command, "erase outside the update block");
    return push_word(reply, flash_error);
  }
  if (!flash_command_taken(erases_, config_.flash_faults.refuse_erase)) return push_word(reply, flash_error);
  memory_.erase(*at, count);
  if (clock_ != nullptr) clock_->advance_nanoseconds((count + erase_page - 1) / erase_page * page_erase_ns);
  push_word(reply, 0);
}

}  // namespace vx::sim
