#pragma once

#include <cstdint>

namespace vx::sim {

// What the CPU sees of the memory map: every access is one bus access. Plain memory is read and
// written in place, without a call, as most accesses are; the rest goes to read_other and
// write_other.
class Bus {
 public:
  // What an address allows in place: reading its byte, writing it.
  static constexpr std::uint8_t kPlainRead = 0x01, kPlainWrite = 0x02;

  std::uint8_t read(std::uint16_t address) {
    return (plain_[address] & kPlainRead) != 0 ? memory_[address] : read_other(address);
  }
  void write(std::uint16_t address, std::uint8_t value) {
    if ((plain_[address] & kPlainWrite) != 0) {
      memory_[address] = value;
    } else {
      write_other(address, value);
    }
  }

 protected:
  Bus() = default;
  Bus(const Bus&) = delete;
  Bus& operator=(const Bus&) = delete;
  virtual ~Bus() = default;

  // memory and plain (kPlainRead, kPlainWrite) cover the 64 K addresses and outlive the bus.
  void map_plain_memory(std::uint8_t* memory, const std::uint8_t* plain) {
    memory_ = memory;
    plain_ = plain;
  }

 private:
  // Unless a bus says otherwise, what is not plain memory reads as 0 and ignores writes.
  virtual std::uint8_t read_other(std::uint16_t) { return 0; }
  virtual void write_other(std::uint16_t, std::uint8_t) {}

  std::uint8_t* memory_ = nullptr;
  const std::uint8_t* plain_ = nullptr;
};

}  // namespace vx::sim
