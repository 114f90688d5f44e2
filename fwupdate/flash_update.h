#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "foundation/short_text.h"
#include "fwupdate/firmware_records.h"
#include "fwupdate/update_decision.h"
#include "fwupdate/update_ending.h"

// The update of a parallel cable's or a USB interface's firmware block:
// the file is loaded and checked first, then the interface is booted into
// its original firmware, erased, programmed row by row, verified, given key
// and checksum, and restarted into the new firmware, one status line a step.
// A stand-alone programmer's update (programmer_update.h) and a Universal FX's
// logic arrays (fx_logic.h) run under the same engine and its one failure ending.
namespace vx::fwupdate {

// The mode byte a cable's next reset sends: 0xAA starts the updated firmware, 0 the original.
inline constexpr std::uint8_t update_mode_original = 0, update_mode_updated = 0xAA;

inline constexpr std::uint32_t block_size = 0x4000;
inline constexpr std::uint32_t cable_block_start = 0x8000, usb_block_start = 0xF8000;

// The records that go into the interface and the block image they fill (gaps 0xFF).
struct FirmwareBlock {
  std::uint32_t start = 0;
  std::vector<FirmwareRecord> records;
  std::array<std::uint8_t, block_size> image{};
};

// Builds the block of the link kind from the records; nullopt when the file
// holds invalid data: a record outside the block (an updater passes over a
// USB record outside it unless the interface is on the WinDriver library),
// no byte inside it, or a byte other than 0xFF where key and checksum go.
// A Universal FX's logic data lies outside the block and is passed over too.
std::optional<FirmwareBlock> build_firmware_block(std::span<const FirmwareRecord> records, std::uint8_t link_kind,
                                                  EngineBuild build, bool windriver_interface,
                                                  bool fx_interface = false);

// The reset an update uses: a cable's with the mode byte, a USB interface's plain.
void reset_interface_for_update(std::uint8_t mode);
// The memory read of `count` bytes (sent rounded up to even), high half of each word first.
void read_interface_bytes(std::uint16_t address, std::span<std::uint8_t> bytes);

// The update steps of classes 0, 1 and 2, and of an OSBDM board in the updater's build.
class FlashUpdateEngine final : public UpdateSteps, public UpdateEnding {
 public:
  bool update_cable_firmware() override;
  ShortText last_update_status() const override;

  bool complete() override;
  bool fail(const ShortText& line) override;
  void end_failure_once() override;

 private:
  bool run_steps();

  bool ended_ = false;
};

// The engine of the programmer's build, installed into the update decision.
FlashUpdateEngine& flash_update_engine();

}  // namespace vx::fwupdate
