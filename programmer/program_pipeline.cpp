#include "programmer/program_pipeline.h"

#include <utility>

namespace vx::programmer {
namespace {

// The next object address; a file may name the highest one, so this wraps rather than overflows.
std::int32_t after(std::int32_t address) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(address) + 1);
}

}  // namespace

std::uint32_t BlockingRules::mask_for(std::uint32_t device_address) const {
  if (device_address >= blocking_low && device_address <= blocking_high) return blocking_mask;
  return has_byte_routine ? 0 : 1;
}

ProgramPipeline::ProgramPipeline(ModuleWindow window, BlockingRules rules, DeviceByteReader read_device)
    : window_(std::move(window)), rules_(rules), read_device_(std::move(read_device)) {}

void ProgramPipeline::set_range(std::int32_t low, std::int32_t high) {
  low_ = low;
  high_ = high;
}

void ProgramPipeline::reset(std::int32_t address) {
  current_ = address;
  expected_.reset();
  block_start_ = address;
  block_.clear();
  queue_.clear();
  unreadable_ = false;
  oversized_ = false;
}

bool ProgramPipeline::read_device(std::uint32_t device_address, std::uint8_t& byte) {
  const std::optional<std::uint8_t> value = device_byte_value(read_device_(device_address));
  if (!value) {
    // A byte we cannot read must never be programmed back as something else.
    if (!unreadable_) unreadable_address_ = device_address;
    unreadable_ = true;
    return false;
  }
  byte = *value;
  return true;
}

bool ProgramPipeline::pad_from_device(std::uint32_t device_address) {
  std::uint8_t byte = 0;
  if (block_.size() >= rules_.ram_buffer_size) {
    oversized_ = true;
    return false;
  }
  if (!read_device(device_address, byte)) return false;
  block_.push_back(byte);
  return true;
}

bool ProgramPipeline::append_device_byte(std::int32_t object_address) {
  std::uint8_t byte = 0;
  if (!read_device(window_.device_address(object_address), byte)) return false;
  current_ = object_address;
  append_program_byte(byte);
  return true;
}

void ProgramPipeline::add_program_byte(std::uint8_t byte) {
  if (stopped()) return;
  const std::int32_t a = current_;
  const bool dropped = a < low_ || a > high_ || !address_in_module(window_, a) ||
                       (!allow_preserved_ && address_preserved(window_, a));
  if (dropped) {
    close_program_block();
    current_ = after(a);
    return;
  }
  if (!block_.empty() && expected_ && a != *expected_ && rules_.blocking) {
    const std::uint32_t unit = ~rules_.mask_for(window_.device_address(a));
    const std::int32_t e = *expected_;
    if ((static_cast<std::uint32_t>(a) & unit) == (static_cast<std::uint32_t>(e) & unit)) {
      // A gap wider than the buffer lies in a unit no block can hold.
      if (static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(e) > rules_.ram_buffer_size) {
        oversized_ = true;
        return;
      }
      for (std::int32_t x = e; x < a; x = after(x)) {
        if (!append_device_byte(x)) return;
      }
      current_ = a;
    }
  }
  append_program_byte(byte);
}

void ProgramPipeline::append_program_byte(std::uint8_t byte) {
  const std::int32_t a = current_;
  if (block_.size() == rules_.ram_buffer_size || !expected_ || a != *expected_) {
    close_program_block();
    if (stopped()) return;
  }
  if (rules_.boundary && !block_.empty() &&
      (static_cast<std::uint32_t>(a) & rules_.boundary_mask) !=
          (static_cast<std::uint32_t>(block_start_) & rules_.boundary_mask)) {
    close_program_block();
    if (stopped()) return;
  }
  if (block_.empty() && (rules_.blocking || rules_.has_word_routine)) {
    const std::uint32_t device = window_.device_address(a);
    const std::uint32_t lead = device & rules_.mask_for(device);
    if (lead != 0) {
      for (std::uint32_t p = device - lead; p != device; ++p) {
        if (!pad_from_device(p)) return;
      }
      block_start_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - lead);
    }
  }
  if (block_.size() >= hard_block_cap) {
    close_program_block();
    if (stopped()) return;
  }
  if (block_.empty()) block_start_ = a;
  block_.push_back(byte);
  current_ = after(a);
  expected_ = after(a);
}

void ProgramPipeline::close_program_block() {
  if (rules_.blocking && !block_.empty()) {
    std::uint32_t p = window_.device_address(block_start_) + static_cast<std::uint32_t>(block_.size());
    while ((p & rules_.mask_for(p)) != 0) {
      if (!pad_from_device(p)) return;
      ++p;
    }
  }
  if (!block_.empty()) queue_.push_back(ProgramBlock{block_start_, std::move(block_)});
  block_.clear();
  expected_.reset();
  block_start_ = current_;
}

std::vector<ProgramBlock> ProgramPipeline::take_blocks() {
  close_program_block();
  std::vector<ProgramBlock> blocks = std::move(queue_);
  queue_.clear();
  return blocks;
}

}  // namespace vx::programmer
