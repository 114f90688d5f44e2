#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/pod/pod.h"

namespace vx::sim::test {

using Bytes = std::vector<std::uint8_t>;

// The firmware update engine's commands as bytes, sent straight to a pod, for
// a parallel cable or a USB interface with the interface's sub-command base.
class UpdateSpeaker {
 public:
  static constexpr std::uint16_t block_size = 0x4000;

  explicit UpdateSpeaker(Pod& pod, std::uint8_t base = 0) : pod_(pod), base_(base) {}

  // The reply words of one command; nullopt when it is not acknowledged.
  std::optional<std::vector<std::uint16_t>> send(const Bytes& command);
  // The status word a flash command answers; nullopt without one.
  std::optional<std::uint16_t> status(const Bytes& command);
  // 7, base + 14: major x 100 + minor of the running firmware.
  std::optional<std::uint16_t> running_version();
  // 7, base + 15 or base + 16.
  void boot(bool updated);
  // 4, address, count: the bytes as the reply words carry them.
  Bytes read(std::uint16_t address, std::uint8_t count);

  Bytes cable_program(std::uint16_t address, const Bytes& data) const;
  Bytes usb_program(std::uint32_t address, const Bytes& data) const;
  Bytes cable_erase() const;
  Bytes usb_erase(std::uint16_t block) const;
  Bytes usb_erase_range() const;
  static Bytes flash_frame(bool open) { return {7, static_cast<std::uint8_t>(open ? 0x85 : 0x86)}; }

  // Erase, rows, verification, key, checksum (and a cable's block-protect byte) as the engine
  // runs them with a 16 KB block image: "" or the step that failed first.
  std::string update_cable(const Bytes& image);
  std::string update_usb(const Bytes& image);

 private:
  std::uint8_t sub(std::uint8_t offset) const { return static_cast<std::uint8_t>(base_ + offset); }
  // From the block's second-last byte down to its first, as read back.
  std::uint8_t read_back_checksum(std::uint16_t block);

  Pod& pod_;
  std::uint8_t base_;
};

// A 16 KB block image with code, a gap of 0xFF, the version text at 0x58 and the last two
// bytes left for key and checksum.
Bytes firmware_image(const std::string& version_text);
// The CRC-8 from a block's second-last byte down to its first.
std::uint8_t block_checksum(const Bytes& block);
// The block as a finished update leaves it: the image with key byte and checksum.
Bytes programmed_block(const Bytes& image);

}  // namespace vx::sim::test
