#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "programmer/module_window.h"

// Turns object bytes, one at a time with their object-file addresses, into
// program blocks that the algorithm's program routine writes in one call
// each: bytes outside the range, the module or a preserved range are
// dropped, gaps inside a blocking unit and the block ends are padded with
// the device's own bytes, and no block crosses a boundary or outgrows the
// RAM buffer.
namespace vx::programmer {

struct BlockingRules {
  bool blocking = false;
  std::uint32_t blocking_mask = 1;
  std::uint32_t blocking_low = 0;
  std::uint32_t blocking_high = 0xFFFFFFFF;
  bool boundary = false;
  std::uint32_t boundary_mask = 0xFFFFFFFF;
  // Entries 10 and 11 of the algorithm table are not 0.
  bool has_byte_routine = false;
  bool has_word_routine = false;
  // Entry 2: the most bytes one call can program.
  std::uint16_t ram_buffer_size = 0;

  // The mask a block must follow at this device address.
  std::uint32_t mask_for(std::uint32_t device_address) const;
};

struct ProgramBlock {
  // Object-file address of the first byte.
  std::int32_t start = 0;
  std::vector<std::uint8_t> bytes;
};

// The raw device byte (0-255, or the read service's 256 and 257) at a device address.
using DeviceByteReader = std::function<std::uint16_t(std::uint32_t device_address)>;

class ProgramPipeline {
 public:
  // A block never holds more, whatever the RAM buffer says.
  static constexpr std::size_t hard_block_cap = 1536;

  ProgramPipeline(ModuleWindow window, BlockingRules rules, DeviceByteReader read_device);

  // Object addresses low..high (signed) are programmed; others are dropped.
  void set_range(std::int32_t low, std::int32_t high);
  // While set, bytes inside preserved ranges are programmed too.
  void set_allow_preserved(bool allow) { allow_preserved_ = allow; }
  // Forgets the open block and the queue; the next byte belongs at `address`.
  void reset(std::int32_t address);
  void set_current_address(std::int32_t address) { current_ = address; }
  std::int32_t current_address() const { return current_; }

  void add_program_byte(std::uint8_t byte);
  // Pads the open block to its blocking unit and queues it.
  void close_program_block();
  // Closes the open block and hands over the queue, emptied.
  std::vector<ProgramBlock> take_blocks();

  // Set when a device byte needed for padding could not be read; the address is device.
  bool unreadable() const { return unreadable_; }
  // Set when padding would make a block larger than the RAM buffer (a blocking unit that does
  // not fit it); padding stops there rather than growing without bound.
  bool oversized() const { return oversized_; }
  // Either of the two: nothing more is taken.
  bool stopped() const { return unreadable_ || oversized_; }
  std::uint32_t unreadable_address() const { return unreadable_address_; }

 private:
  void append_program_byte(std::uint8_t byte);
  // Appends the device byte at object address x; false when it cannot be read.
  bool append_device_byte(std::int32_t object_address);
  bool read_device(std::uint32_t device_address, std::uint8_t& byte);
  // Appends the device byte at a device address as padding; false when it cannot be read or
  // the block is full.
  bool pad_from_device(std::uint32_t device_address);

  ModuleWindow window_;
  BlockingRules rules_;
  DeviceByteReader read_device_;
  std::int32_t low_ = 0;
  std::int32_t high_ = -1;
  bool allow_preserved_ = false;

  std::int32_t current_ = 0;
  // The address that continues the open block; none while no block is open.
  std::optional<std::int32_t> expected_;
  std::int32_t block_start_ = 0;
  std::vector<std::uint8_t> block_;
  std::vector<ProgramBlock> queue_;
  bool unreadable_ = false;
  std::uint32_t unreadable_address_ = 0;
  bool oversized_ = false;
};

}  // namespace vx::programmer
