#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/flash_writes.h"
#include "sim/pod/pod.h"

namespace vx::sim {

// Where the programmer's flash lies and how its images are laid out: a
// region's image starts 0x400 into it, and carries its version text and its
// name (NUL-padded) at fixed offsets of the image.
inline constexpr std::uint32_t programmer_flash_base = 0xF0000000, programmer_flash_size = 0x110000;
inline constexpr std::uint32_t primary_region = 0xF0010000, primary_trailer = 0xF003FFF8;
inline constexpr std::uint32_t section1_region = 0xF0090000, section1_trailer = 0xF010FFF8;
inline constexpr std::uint32_t image_offset = 0x400, image_version_offset = 0x40, image_name_offset = 0x50,
                               image_name_size = 16;

struct SimProgrammerConfig {
  // Also the USB identification line: "0" in its second field files it as a programmer.
  std::string identity = "VLX, 0 TAMBERLY PRO,PRO1";
  // The application the programmer leaves the factory with, under its primary kernel.
  std::string version = "2.14";
  std::string kernel_name = "PROKERNEL 3";
  std::string kernel_version = "1.00";
  std::string logic_version = "1.07";
  std::string image_logic_version = "1.08";
  bool logic_update_fails = false;
  std::string extra_text = "Bench unit";
  std::array<std::uint8_t, 6> mac{0x00, 0x1B, 0xC5, 0x0A, 0x10, 0x2F};
  std::uint32_t first_duration = 90061;
  std::uint32_t second_duration = 3540;
  // The device-information text, long form; its second field is the model number.
  std::string device_info = "VLX,1,Tamberly Pro,Bench,3,4,Main,Net,Rev. C,00:1B:C5:0A:10:2F,90061,3540,Fw,Bench unit,AB";
  // Faults, counted from 1 (0: never): the n-th erase, mode selection or
  // write is refused; the n-th write is acknowledged with one byte stored
  // wrong; after the n-th reset nothing answers.
  std::uint32_t refuse_erase = 0, refuse_unlock = 0, refuse_write = 0, wrong_byte_write = 0, silent_after_reset = 0;
  // One byte of the primary kernel differs from what its trailer says.
  bool corrupt_manufacturing = false;
  // A second protocol channel on which interface commands come without their
  // leading 7 and with this offset on the sub-command (0: none).
  std::uint8_t architecture_channel = 0;
  std::uint8_t command_offset = 0;
  // The process kills itself at this write to the programmer's flash or logic (see
  // FlashWrites); 0: never.
  std::uint32_t kill_after_write = 0;
};

// The stand-alone programmer's firmware: its own commands on the query
// (1) and control (2) channels over a flash of its own, and channel 21
// passed to the debug interface it carries, the acknowledgement last.
//
// Flash: blocks 0-7 of 8 KB from 0xF0000000 (never written by anyone), blocks
// 8-23 of 64 KB, block n at 0xF0000000 + (n - 7) x 0x10000; programming ANDs.
// A reset runs section 1 when its trailer validates it (a kernel there names
// itself "INTERMEDIATE"; anything else is an application under the primary
// kernel), else the primary kernel when its trailer validates it, else
// nothing answers. A running image at or above the model's first kernel
// version keeps blocks 8-15 locked until mode 2 (8-15) or 4 (11-23) is selected.
class SimProgrammer {
 public:
  static constexpr std::uint8_t last_block = 23;

  SimProgrammer(SimProgrammerConfig config, Pod* pod);

  // The reply to a link command; nothing for a command that is not answered
  // (reset), or while nothing runs.
  std::optional<std::vector<std::uint8_t>> execute(std::uint8_t channel, std::span<const std::uint8_t> stream);
  // A USB frame's payload: the channel and the stream.
  std::vector<std::uint8_t> execute_frame(std::span<const std::uint8_t> payload);

  const SimProgrammerConfig& config() const { return config_; }
  // The flash from 0xF0000000.
  std::span<const std::uint8_t> memory() const { return memory_; }
  std::uint8_t byte_at(std::uint32_t address) const { return memory_.at(address - programmer_flash_base); }
  // The running image's version and the running kernel's name; empty while nothing runs.
  const std::string& running_version() const { return running_version_; }
  const std::string& running_kernel() const { return running_kernel_; }
  std::uint32_t executed() const { return executed_; }
  std::uint32_t resets() const { return resets_; }
  // The shift speed the control command 0x1D last set.
  std::uint16_t shift_speed() const { return shift_speed_; }
  // Every link command received: its channel, then its stream.
  const std::vector<std::vector<std::uint8_t>>& received() const { return received_; }

  // The flash and the logic state as a file keeps them; false (nothing
  // changed) for bytes of another size.
  std::vector<std::uint8_t> saved_state() const;
  bool restore_state(std::span<const std::uint8_t> state);
  // Each block erase, each write and each logic reload that took.
  FlashWrites& flash_writes() { return flash_writes_; }

 private:
  std::vector<std::uint8_t> query(std::span<const std::uint8_t> stream);
  std::optional<std::vector<std::uint8_t>> control(std::span<const std::uint8_t> stream);
  std::vector<std::uint8_t> protocol(std::span<const std::uint8_t> stream);
  std::uint8_t select_mode(std::span<const std::uint8_t> stream);
  std::uint8_t erase(std::span<const std::uint8_t> stream);
  std::uint8_t write(std::span<const std::uint8_t> stream);
  std::vector<std::uint8_t> range_crc(std::span<const std::uint8_t> stream) const;
  bool block_writable(std::uint8_t block) const;
  void install_factory_images();
  void boot();

  SimProgrammerConfig config_;
  Pod* pod_;
  std::vector<std::uint8_t> memory_;
  std::uint8_t mode_ = 0;
  bool kernel_locked_ = false;
  bool logic_updated_ = false;
  bool silent_ = false;
  std::string running_version_, running_kernel_;
  std::uint32_t erases_ = 0, unlocks_ = 0, writes_ = 0;
  std::uint32_t executed_ = 0;
  std::uint32_t resets_ = 0;
  std::uint16_t shift_speed_ = 0;
  std::vector<std::vector<std::uint8_t>> received_;
  FlashWrites flash_writes_;
};

// The flash block holding an address of the programmer; nothing outside its flash.
std::optional<std::uint8_t> programmer_block_of(std::uint32_t address);
// The first address of block n (0-23).
std::uint32_t programmer_block_start(std::uint8_t block);

// CRC-32 as the programmer computes it: reflected 0xEDB88320 from 0, no final inversion.
std::uint32_t crc32(std::span<const std::uint8_t> bytes);

// An image of `size` bytes (at least 0x60) with its version text and name in place.
std::vector<std::uint8_t> programmer_image(const std::string& version, const std::string& name, std::size_t size);

}  // namespace vx::sim
