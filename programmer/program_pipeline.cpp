#include "programmer/program_pipeline.h"

#include <utility>

namespace vx::programmer {

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

bool ProgramPipeline::append_device_byte(std::int32_t object_address) {
  std::uint8_t byte = 0;
  if (!read_device(window_.device_address(object_address), byte)) return false;
  current_ = object_address;
  append_program_byte(byte);
  return true;
}

void ProgramPipeline::add_program_byte(std::uint8_t byte) {
  if (unreadable_) return;
  const std::int32_t a = current_;
  const bool dropped = a < low_ || a > high_ || !address_in_module(window_, a) ||
                       (!allow_preserved_ && address_preserved(window_, a));
  if (dropped) {
    close_program_block();
    current_ = a + 1;
    return;
  }
  if (!block_.empty() && expected_ && a != *expected_ && rules_.blocking) {
    const std::uint32_t unit = ~rules_.mask_for(window_.device_address(a));
    const std::int32_t e = *expected_;
    if ((static_cast<std::uint32_t>(a) & unit) == (static_cast<std::uint32_t>(e) & unit)) {
      for (std::int32_t x = e; x < a; ++x) {
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
    if (unreadable_) return;
  }
  if (rules_.boundary && !block_.empty() &&
      (static_cast<std::uint32_t>(a) & rules_.boundary_mask) !=
          (static_cast<std::uint32_t>(block_start_) & rules_.boundary_mask)) {
    close_program_block();
    if (unreadable_) return;
  }
  if (block_.empty() && (rules_.blocking || rules_.has_word_routine)) {
    const std::uint32_t device = window_.device_address(a);
    const std::uint32_t lead = device & rules_.mask_for(device);
    if (lead != 0) {
      for (std::uint32_t p = device - lead; p != device; ++p) {
        std::uint8_t padding = 0;
        if (!read_device(p, padding)) return;
        block_.push_back(padding);
      }
      block_start_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - lead);
    }
  }
  if (block_.size() >= hard_block_cap) {
    close_program_block();
    if (unreadable_) return;
  }
  if (block_.empty()) block_start_ = a;
  block_.push_back(byte);
  current_ = a + 1;
  expected_ = a + 1;
}

void ProgramPipeline::close_program_block() {
  if (rules_.blocking && !block_.empty()) {
    std::uint32_t p = window_.device_address(block_start_) + static_cast<std::uint32_t>(block_.size());
    while ((p & rules_.mask_for(p)) != 0) {
      std::uint8_t padding = 0;
      if (!read_device(p, padding)) return;
      block_.push_back(padding);
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
