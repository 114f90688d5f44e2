#include "sim/osbdm/sim_osbdm_boards.h"

#include <algorithm>

#include "sim/hcs08/state_file.h"

namespace vx::sim {
namespace {

std::string hex(std::uint32_t value) {
  static constexpr char digits[] = "0123456789ABCDEF";
  std::string text;
  do {
    text.insert(text.begin(), digits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return text;
}

bool inside(std::uint32_t address, std::size_t length) {
  return address <= SimOsbdmBoards::memory_size && length <= SimOsbdmBoards::memory_size - address;
}

}  // namespace

std::string SimOsbdmBoards::add(const OsbdmBoardConfig& config) {
  boards_.push_back({config, {}, FlashWrites(config.kill_after_write)});
  Board& board = boards_.back();
  board.memory.fill(0xFF);
  if (config.state_file.empty() || !std::filesystem::exists(config.state_file)) {
    std::copy(config.version.begin(), config.version.end(), board.memory.begin() + version_address);
    return "";
  }
  if (load_flash_state(config.state_file.string(), default_device(), board.memory) == StateFileResult::Ok) return "";
  board.memory.fill(0xFF);
  // A damaged file is kept for a look, never replaced by an erased board.
  board.config.state_file.clear();
  return "cannot read the OSBDM board's state file " + config.state_file.string();
}

std::string SimOsbdmBoards::save() {
  std::string problem;
  for (const Board& board : boards_) {
    if (!save_board(board) && problem.empty()) {
      problem = "cannot write the OSBDM board's state file " + board.config.state_file.string();
    }
  }
  return problem;
}

bool SimOsbdmBoards::save_board(const Board& board) {
  return board.config.state_file.empty() ||
         save_flash_state(board.config.state_file.string(), default_device(), board.memory) == StateFileResult::Ok;
}

void SimOsbdmBoards::set_jumper(std::size_t k, bool fitted) {
  Board& unplugged = boards_.at(k);
  record(std::string(fitted ? "jumper fitted " : "jumper removed ") + std::to_string(k));
  if (open_ == &unplugged) {
    open_ = nullptr;
    open_in_bootloader_ = false;
  }
  unplugged.config.bootloader = fitted;
}

bool SimOsbdmBoards::in_bootloader(const Board& board) const {
  if (board.config.bootloader) return true;
  return std::all_of(board.memory.begin() + firmware_first, board.memory.begin() + firmware_last + 1,
                     [](std::uint8_t b) { return b == 0xFF; });
}

bool SimOsbdmBoards::plugged_in(const Board& board) const {
  return board.config.plugged_in_after == 0 || enumerations_ > board.config.plugged_in_after;
}

SimOsbdmBoards::Board* SimOsbdmBoards::debug_board(std::uint32_t index) {
  for (Board& board : boards_) {
    if (!plugged_in(board) || in_bootloader(board)) continue;
    if (index-- == 0) return &board;
  }
  return nullptr;
}

SimOsbdmBoards::Board* SimOsbdmBoards::bootloader_board(std::uint32_t index) {
  for (Board& board : boards_) {
    if (!plugged_in(board) || !in_bootloader(board)) continue;
    if (index-- == 0) return &board;
  }
  return nullptr;
}

// The board's file follows its flash before the bootloader answers.
void SimOsbdmBoards::written(Board& board) {
  save_board(board);
  board.writes.written();
}

std::uint8_t SimOsbdmBoards::init() {
  record("init");
  ++enumerations_;
  const auto count = std::count_if(boards_.begin(), boards_.end(),
                                   [this](const Board& b) { return plugged_in(b) && !in_bootloader(b); });
  return static_cast<std::uint8_t>(std::min<std::ptrdiff_t>(count, 0xFF));
}

std::uint8_t SimOsbdmBoards::open(std::uint32_t index) {
  record("open " + std::to_string(index));
  Board* board = debug_board(index);
  if (board == nullptr || board->config.faults.refuse_open) return failed;
  open_ = board;
  open_in_bootloader_ = false;
  return 0;
}

void SimOsbdmBoards::close() {
  record("close");
  open_ = nullptr;
  open_in_bootloader_ = false;
}

std::uint8_t SimOsbdmBoards::init_hardware() {
  record("init_hardware");
  return open_ != nullptr && !open_in_bootloader_ ? 0 : failed;
}

std::uint8_t SimOsbdmBoards::exchange(std::uint8_t sub_command, std::uint32_t& size, std::span<std::uint8_t> data) {
  record("exchange " + hex(sub_command) + " " + std::to_string(size));
  if (open_ == nullptr || open_in_bootloader_) return failed;
  if (open_->config.faults.exchange_status != 0) return open_->config.faults.exchange_status;
  if (sub_command != 0x34) size = 0;
  size = std::min<std::uint32_t>(size, static_cast<std::uint32_t>(data.size()));
  return 0;
}

std::uint8_t SimOsbdmBoards::get_version(std::span<std::uint8_t, platform::osbdm_version_buffer_size> buffer) {
  record("get_version");
  if (open_ == nullptr || open_in_bootloader_ || open_->config.faults.refuse_version) return failed;
  std::copy_n(open_->memory.begin() + version_address, open_->config.version.size(), buffer.begin() + 2);
  return 0;
}

std::uint8_t SimOsbdmBoards::bootloader_open(std::uint32_t index) {
  record("bootloader_open " + std::to_string(index));
  Board* board = bootloader_board(index);
  if (board == nullptr) return failed;
  open_ = board;
  open_in_bootloader_ = true;
  return 0;
}

std::uint8_t SimOsbdmBoards::erase_flash_block(std::uint32_t first, std::uint32_t last) {
  record("erase " + hex(first) + "-" + hex(last));
  if (open_ == nullptr || !open_in_bootloader_ || open_->config.faults.refuse_erase || last < first ||
      last >= memory_size) {
    return failed;
  }
  std::fill(open_->memory.begin() + first, open_->memory.begin() + last + 1, std::uint8_t{0xFF});
  written(*open_);
  return 0;
}

std::uint8_t SimOsbdmBoards::program_flash_block(std::uint32_t address, std::span<const std::uint8_t> data) {
  record("program " + hex(address) + " " + std::to_string(data.size()));
  if (open_ == nullptr || !open_in_bootloader_ || open_->config.faults.refuse_program || !inside(address, data.size())) {
    return failed;
  }
  std::copy(data.begin(), data.end(), open_->memory.begin() + address);
  written(*open_);
  return 0;
}

std::uint8_t SimOsbdmBoards::verify_flash_block(std::uint32_t address, std::span<const std::uint8_t> data) {
  record("verify " + hex(address) + " " + std::to_string(data.size()));
  if (open_ == nullptr || !open_in_bootloader_ || open_->config.faults.verify_mismatch || !inside(address, data.size())) {
    return failed;
  }
  return std::equal(data.begin(), data.end(), open_->memory.begin() + address) ? 0 : failed;
}

}  // namespace vx::sim
