#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/pod/pod.h"

namespace vx::sim {

struct SimProgrammerConfig {
  // Also the USB identification line: "0" in its second field files it as a programmer.
  std::string identity = "VLX, 0 TAMBERLY PRO,PRO1";
  std::string version = "2.14";
  std::string logic_version = "1.07";
  std::string image_logic_version = "1.08";
  std::string kernel_name = "PROKERNEL 3";
  std::string extra_text = "Bench unit";
  std::array<std::uint8_t, 6> mac{0x00, 0x1B, 0xC5, 0x0A, 0x10, 0x2F};
  std::uint32_t first_duration = 90061;
  std::uint32_t second_duration = 3540;
  // The device-information text, long form.
  std::string device_info = "VLX,1,Tamberly Pro,Bench,3,4,Main,Net,Rev. C,00:1B:C5:0A:10:2F,90061,3540,Fw,Bench unit,AB";
  std::size_t memory_size = 0x40000;
  // The stored manufacturing image: this many bytes from address 0.
  std::uint32_t region_length = 0x1000;
  // A second protocol channel on which interface commands come without their
  // leading 7 and with this offset on the sub-command (0: none).
  std::uint8_t architecture_channel = 0;
  std::uint8_t command_offset = 0;
};

// The stand-alone programmer's firmware: its own commands on the query
// (1) and control (2) channels over a memory of its own, and channel 21
// passed to the debug interface it carries, the acknowledgement last.
class SimProgrammer {
 public:
  static constexpr std::size_t erase_block_size = 0x10000;
  static constexpr std::uint8_t regions = 4;

  SimProgrammer(SimProgrammerConfig config, Pod* pod);

  // The reply to a link command; nothing for a command that is not answered (reset).
  std::optional<std::vector<std::uint8_t>> execute(std::uint8_t channel, std::span<const std::uint8_t> stream);
  // A USB frame's payload: the channel and the stream.
  std::vector<std::uint8_t> execute_frame(std::span<const std::uint8_t> payload);

  const SimProgrammerConfig& config() const { return config_; }
  std::span<const std::uint8_t> memory() const { return memory_; }
  std::uint32_t executed() const { return executed_; }
  std::uint32_t resets() const { return resets_; }
  // The shift speed the control command 0x1D last set.
  std::uint16_t shift_speed() const { return shift_speed_; }
  // Every link command received: its channel, then its stream.
  const std::vector<std::vector<std::uint8_t>>& received() const { return received_; }

 private:
  std::vector<std::uint8_t> query(std::span<const std::uint8_t> stream);
  std::optional<std::vector<std::uint8_t>> control(std::span<const std::uint8_t> stream);
  std::vector<std::uint8_t> protocol(std::span<const std::uint8_t> stream);
  std::uint8_t write(std::span<const std::uint8_t> stream);
  std::vector<std::uint8_t> range_crc(std::span<const std::uint8_t> stream) const;

  SimProgrammerConfig config_;
  Pod* pod_;
  std::vector<std::uint8_t> memory_;
  std::optional<std::uint8_t> unlocked_region_;
  bool logic_updated_ = false;
  std::uint32_t executed_ = 0;
  std::uint32_t resets_ = 0;
  std::uint16_t shift_speed_ = 0;
  std::vector<std::vector<std::uint8_t>> received_;
};

// CRC-32 (reflected 0xEDB88320, start and final XOR all ones).
std::uint32_t crc32(std::span<const std::uint8_t> bytes);

}  // namespace vx::sim
