#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/osbdm.h"
#include "sim/flash_writes.h"

namespace vx::sim {

struct OsbdmBoardFaults {
  bool refuse_open = false;
  bool refuse_version = false;
  bool refuse_erase = false;
  bool refuse_program = false;
  // Verify finds a difference whatever the flash holds.
  bool verify_mismatch = false;
  // The status every exchange answers (0: it succeeds).
  std::uint8_t exchange_status = 0;
};

struct OsbdmBoardConfig {
  // The jumper: the board starts in its bootloader instead of its debug firmware.
  bool bootloader = false;
  // The factory firmware's VERSION_HW, VERSION_SW, BUILD_VER, TARGET_TYPE,
  // FIRMWARE_TYPE, BUILD_VER_REV, BOARD_ID, OSBDM_ID, put into a board whose
  // flash no state file gives.
  std::array<std::uint8_t, 8> version{};
  OsbdmBoardFaults faults;
  // The board's flash is kept here between runs, in the target's state-file format, and
  // rewritten at every erase and program the bootloader does.
  std::filesystem::path state_file;
  // The user plugs the board in after the library's n-th enumeration (its n-th init call);
  // 0: plugged in from the start.
  std::uint32_t plugged_in_after = 0;
  // The process kills itself at this bootloader erase or program (see FlashWrites); 0: never.
  std::uint32_t kill_after_write = 0;
};

// Evaluation boards with an OSBDM/OSJTAG circuit as the library reaches
// them: debug-mode boards are counted and opened by index, bootloader-mode
// ones only through the bootloader calls, which reach the 64 KB memory of the
// board's own HCS08 (its flash ranges are what a state file keeps). A board
// runs its bootloader while the jumper is fitted or its firmware area is
// blank; its firmware answers the version bytes it carries at
// `version_address`. Exchange 0x34 echoes its data; the others answer
// nothing. Every call is logged.
class SimOsbdmBoards : public platform::OsbdmBackend {
 public:
  static constexpr std::uint32_t memory_size = 0x10000;
  static constexpr std::uint32_t firmware_first = 0x10B0, firmware_last = 0xFBFF;
  static constexpr std::uint32_t version_address = 0xFBF0;
  struct Board {
    OsbdmBoardConfig config;
    std::array<std::uint8_t, memory_size> memory;
    FlashWrites writes;
  };

  // Empty, or why the board's state file could not be read (the board then starts erased).
  std::string add(const OsbdmBoardConfig& config);
  // Writes every board's state file; empty, or the first problem.
  std::string save();
  Board& board(std::size_t k) { return boards_.at(k); }
  // The user unplugs board k, fits or removes its jumper and plugs it in again.
  void set_jumper(std::size_t k, bool fitted);
  bool in_bootloader(const Board& board) const;
  bool plugged_in(const Board& board) const;
  std::size_t size() const { return boards_.size(); }
  const std::vector<std::string>& log() const { return log_; }
  void clear_log() { log_.clear(); }

  std::uint8_t init() override;
  std::uint8_t open(std::uint32_t index) override;
  void close() override;
  std::uint8_t init_hardware() override;
  std::uint8_t exchange(std::uint8_t sub_command, std::uint32_t& size, std::span<std::uint8_t> data) override;
  std::uint8_t get_version(std::span<std::uint8_t, platform::osbdm_version_buffer_size> buffer) override;
  std::uint8_t bootloader_open(std::uint32_t index) override;
  std::uint8_t erase_flash_block(std::uint32_t first, std::uint32_t last) override;
  std::uint8_t program_flash_block(std::uint32_t address, std::span<const std::uint8_t> data) override;
  std::uint8_t verify_flash_block(std::uint32_t address, std::span<const std::uint8_t> data) override;

 private:
  static constexpr std::uint8_t failed = 1;
  Board* debug_board(std::uint32_t index);
  Board* bootloader_board(std::uint32_t index);
  static bool save_board(const Board& board);
  static void written(Board& board);
  void record(const std::string& line) { log_.push_back(line); }

  std::vector<Board> boards_;
  Board* open_ = nullptr;
  bool open_in_bootloader_ = false;
  std::uint32_t enumerations_ = 0;
  std::vector<std::string> log_;
};

}  // namespace vx::sim
