#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/hcs08/hcs08.h"
#include "sim/pod/fx_logic_device.h"
#include "sim/pod/pod_memory.h"
#include "sim/sim_clock.h"

namespace vx::sim {

// Failures of the interface's own flash, each counted from 1 over the interface's life; 0: never.
struct PodFlashFaults {
  std::uint32_t refuse_erase = 0;  // the n-th block or range erase
  std::uint32_t refuse_row = 0;
  std::uint32_t refuse_key = 0;
  std::uint32_t refuse_checksum = 0;
  std::uint32_t refuse_protect = 0;
  // A flash address (as the flash commands name it) whose byte never takes programming.
  std::optional<std::uint32_t> stuck_byte{};
  // The interface loses its power once it has answered its n-th flash command (the kinds above).
  std::uint32_t power_cut_after = 0;
  // The n-th row takes this many milliseconds more: in real time the update is seen held there.
  std::uint32_t hold_row = 0;
  std::uint32_t hold_ms = 0;
};

struct PodConfig {
  std::string updated_firmware = "5.12";  // "": the update block is erased
  std::string original_firmware = "5.02";
  bool updated_checksum = true;
  // After power-up the updated firmware runs when its key and checksum hold, else the original.
  bool run_updated = true;
  FlashLayout layout = FlashLayout::usb;
  // The cable's block-protect byte as the interface comes.
  std::uint8_t protect_byte = 0xFF;
  // False: the updated firmware fails at once whenever it is started, and the original runs.
  bool updated_starts = true;
  PodFlashFaults flash_faults{};
  // A Universal: its firmware-control sub-commands carry the offset on every
  // version, and it takes the shift speed (7, 10, speed) without it.
  bool universal = false;
  // What the voltage input reads with the target powered (x 5 / 255 volts): 3.3 V.
  std::uint8_t target_voltage_code = 168;
  // The timer that newer firmware measures the sync pulse with.
  std::uint32_t timer_hz = 24'000'000;
  // A Universal FX: a logic device behind the logic script command, one of whose main-array
  // words may never take programming.
  bool fx_logic = false;
  std::optional<std::size_t> fx_stuck_word{};
};

enum class PodFault : std::uint8_t {
  no_ack,        // the command is lost: nothing comes back
  wrong_ack,     // the acknowledgement byte is not 0xEE
  short_reply,   // the last byte of the answer is missing
  target_reset,  // the target resets before the command
};

struct WireRecord {
  std::vector<std::uint8_t> command;
  std::vector<std::uint8_t> reply;
};

// The debug interface's firmware as the host sees it: each command's bytes
// in, the acknowledgement 0xEE and big-endian reply words out. Background
// debug commands go to the target; a target that does not answer still
// gets its commands acknowledged, with junk for data, as a real interface
// would. Commands the running firmware does not offer are logged as
// violations and acknowledged without data. The original firmware erases and
// programs the update block; which firmware runs is decided at each start.
class Pod {
 public:
  static constexpr std::uint8_t ack = 0xEE;
  // Sub-commands fixed on every firmware: a USB interface's flash work lies between them.
  static constexpr std::uint8_t flash_frame_open = 0x85, flash_frame_close = 0x86;

  // target and clock may be null: no target connected, no time kept.
  Pod(PodConfig config, Hcs08* target, SimClock* clock);

  std::vector<std::uint8_t> execute(std::span<const std::uint8_t> command);

  // The fault hits the command after `skip` more commands.
  void inject(PodFault fault, std::uint32_t skip = 0);
  // A lost link answers nothing until restored; an interface without power answers nothing.
  void set_link_lost(bool lost) { link_lost_ = lost; }
  bool link_lost() const { return link_lost_ || !powered_; }
  bool powered() const { return powered_; }

  // The parallel cable left reset with this byte on its data lines: 0xAA starts the updated
  // firmware when its key and checksum hold, any other byte the original.
  void cable_reset(std::uint8_t data_byte);
  // True once after each start of a firmware by command; a WinDriver-family interface then
  // leaves the bus and comes back.
  bool take_restart();
  // The update block and the block-protect byte, as kept between runs.
  std::vector<std::uint8_t> flash_image() const;
  // False (and nothing changes) when the image is not one of this interface's.
  bool restore_flash_image(std::span<const std::uint8_t> image);
  void set_target_dead(bool dead) { target_dead_ = dead; }
  // A reset line that does not reach the target: the interface's resets do nothing.
  void set_reset_wired(bool wired) { reset_wired_ = wired; }
  // The target's application drives its BKGD pin: no sync answer and no background command
  // gets through until the target comes out of a reset or power-on with BKGD held low.
  void set_bkgd_blocked(bool blocked) { bkgd_blocked_ = blocked; }
  // The board the interface is built onto feeds the target from its own supply.
  void set_board_powers_target(bool powers) { board_powers_target_ = powers; }

  // For what the transport finds wrong in the byte stream.
  void log_violation(std::span<const std::uint8_t> bytes, const std::string& why);

  // Every command and its answer, kept only while switched on (off from the start): a long
  // run sends hundreds of thousands of commands. Switching it off drops what was kept.
  void keep_wire_log(bool keep);
  const std::vector<WireRecord>& wire_log() const { return wire_log_; }
  // The shift speed as last set.
  std::uint8_t shift_speed() const { return shift_speed_; }
  const std::vector<std::string>& violations() const { return violations_; }
  FirmwareVersion running_version() const;
  bool running_updated() const { return running_updated_; }
  std::uint8_t target_type() const { return target_type_; }
  PodMemory& memory() { return memory_; }
  std::uint16_t speed_divider() const { return speed_divider_; }
  bool bkgd_low() const { return bkgd_low_; }
  bool reset_latch() const { return reset_latch_; }
  bool board_supply_on() const { return board_supply_on_; }
  std::uint8_t supply_selection() const { return supply_selection_; }
  // Commands that reset the target, in either way.
  std::uint32_t target_resets() const { return target_resets_; }
  std::uint32_t background_resets() const { return background_resets_; }
  const FxLogicDevice& fx_logic() const { return fx_logic_; }

  // The interface memory words through which older firmware drives the pins and shows the reset line.
  static constexpr std::uint16_t pin_control_word = 254, reset_status_word = 111;

 private:
  void run_command(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& reply);
  void run_interface_command(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& reply);
  void run_target_command(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& reply);
  void read_memory(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& reply);
  // pod_blocks.cpp: block transfers, by address or through the target's HX.
  void block_write(std::span<const std::uint8_t> command);
  void block_write_data(std::span<const std::uint8_t> data, std::optional<std::uint16_t> before_first);
  void block_read(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& reply);
  // Points the target's HX one below a block and gives back the HX it held; nullopt when the
  // CPU runs and takes no HX commands.
  std::optional<std::uint16_t> borrow_hx(std::uint16_t before_first);
  void write_hx(std::uint16_t value);
  // pod_trim.cpp: the interface steps the trim register and times the sync pulse.
  void trim_measure(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& reply);
  std::uint64_t sync_pulse_ticks_at(std::uint16_t trim_address, std::uint8_t trim);
  // One background command to the target, with its time on the line; nullopt when the
  // target did not answer.
  std::optional<std::vector<std::uint8_t>> target_bdc(std::span<const std::uint8_t> bytes);
  void run_batch(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& reply);
  void write_memory(std::span<const std::uint8_t> command);
  // pod_flash.cpp: the original firmware's flash work and the starts of either firmware.
  bool run_flash_command(std::uint8_t sub_command, std::span<const std::uint8_t> command,
                         std::vector<std::uint8_t>& reply);
  void program_flash(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& reply);
  void erase_blocks(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& reply);
  void erase_range(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& reply);
  void flash_frame(std::span<const std::uint8_t> command);
  // False after logging why: the running firmware does not do this flash work now.
  bool flash_work_allowed(std::span<const std::uint8_t> command, bool needs_frame);
  // Counts a flash command of its kind: false when a fault refuses it.
  bool flash_command_taken(std::uint32_t& count, std::uint32_t refuse_at);
  void erase_flash(std::span<const std::uint8_t> command, std::uint32_t first, std::uint32_t count,
                   std::vector<std::uint8_t>& reply);
  void start_firmware(bool updated);
  bool updated_may_start() const;
  // Sync, speed, pins, power and resets: true when the sub-command is one of them.
  bool run_line_command(std::uint8_t sub_command, std::span<const std::uint8_t> command,
                        std::vector<std::uint8_t>& reply);
  void sync_reply(std::vector<std::uint8_t>& reply);
  void reset_target(bool into_background);
  void switch_target_supply(bool on);
  bool target_alive() const;
  bool allowed(std::uint8_t sub_command);
  std::optional<std::uint8_t> plain_sub_command(std::uint8_t sub_command);
  void sync_target();
  void junk_words(std::size_t count, std::vector<std::uint8_t>& reply);

  PodConfig config_;
  PodMemory memory_;
  FxLogicDevice fx_logic_;
  Hcs08* target_;
  SimClock* clock_;
  bool running_updated_ = false;
  bool restarted_ = false;
  bool powered_ = true;
  bool power_cut_pending_ = false;
  // A USB interface takes flash work between 7,0x85 and 7,0x86.
  bool flash_frame_open_ = false;
  std::uint32_t erases_ = 0, rows_ = 0, keys_ = 0, checksums_ = 0, protects_ = 0, flash_commands_ = 0;
  std::uint8_t target_type_ = 0;
  std::uint8_t shift_speed_ = 0;
  // A parallel cable sends a block write's data as a command after the bare 7, 4.
  bool block_data_expected_ = false;
  std::uint16_t speed_divider_ = 0;
  bool bkgd_low_ = false;
  bool reset_latch_ = false;
  bool board_supply_on_ = true;
  std::uint8_t supply_selection_ = 0;
  std::uint32_t target_resets_ = 0;
  std::uint32_t background_resets_ = 0;
  bool link_lost_ = false;
  bool target_dead_ = false;
  bool reset_wired_ = true;
  bool bkgd_blocked_ = false;
  bool board_powers_target_ = false;
  std::vector<std::pair<std::uint64_t, PodFault>> faults_;  // command number, fault
  std::uint64_t commands_ = 0;
  std::uint64_t target_synced_ns_ = 0;
  std::uint32_t junk_ = 0x2F6B;
  bool keep_wire_log_ = false;
  std::vector<WireRecord> wire_log_;
  std::vector<std::string> violations_;
};

}  // namespace vx::sim
