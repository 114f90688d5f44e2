#pragma once

#include <array>
#include <cstdint>

#include "foundation/short_text.h"
#include "loaders/object_image.h"
#include "programmer/range_list.h"

// The chosen flash module: what CM read from the algorithm file and from the
// routine's entry table in target RAM, and the clock values it derived. Every
// command after CM reads it; CM and the re-choose paths write it.
namespace vx::programmer {

// Entries of the routine's table in target RAM.
namespace entry {
inline constexpr std::size_t parameter_block = 0;
inline constexpr std::size_t ram_buffer = 1;
inline constexpr std::size_t ram_buffer_size = 2;
inline constexpr std::size_t module_start = 3;
inline constexpr std::size_t module_size = 4;
inline constexpr std::size_t blank_check_byte = 5;
inline constexpr std::size_t blank_check_word = 6;
inline constexpr std::size_t erase_byte_range = 7;
inline constexpr std::size_t erase_word_range = 8;
inline constexpr std::size_t erase_module = 9;
inline constexpr std::size_t program_byte = 10;
inline constexpr std::size_t program_word = 11;
inline constexpr std::size_t before_programming = 12;
inline constexpr std::size_t after_programming = 13;
inline constexpr std::size_t module_enable = 14;
inline constexpr std::size_t page_select = 16;
inline constexpr std::size_t page_restore = 17;
// User command n (1-6) calls entry 17 + n.
inline constexpr std::size_t first_user_routine = 18;
inline constexpr std::size_t count = 24;
}  // namespace entry

inline constexpr std::size_t user_command_count = 6;
inline constexpr std::uint16_t first_user_command = 19;

struct UserCommand {
  bool defined = false;
  std::uint32_t routine = 0;
  bool takes_parameter = false;
  std::uint32_t parameter_min = 0;
  std::uint32_t parameter_max = 0;
  ShortText name;
  ShortText label;
  ShortText text;
  // RESET_ON_USER=: the module is chosen again after the command ran.
  bool reset_after = false;
};

// ERASE_REQUIRES_A_RESET=: after an erase, (byte at address AND mask) = value asks for a new CM.
struct ResetCondition {
  std::uint16_t address = 0;
  std::uint8_t mask = 0;
  std::uint8_t value = 0;
};

// DZ_EEPROM_PAGING=: accesses above 0xFFFF OR a value into a byte register.
struct FixedPageRegister {
  bool in_use = false;
  std::uint32_t address = 0;
  std::uint8_t or_value = 0;
  std::uint8_t saved = 0;
  bool applied = false;
};

// S08_FLASH_PAGING=: accesses inside the window select their page in a register.
struct PagingWindow {
  bool in_use = false;
  std::uint16_t low = 0;
  std::uint16_t high = 0;
  std::uint16_t page_register = 0;
  std::uint8_t saved = 0;
  bool applied = false;
};

enum class TrimType : std::uint8_t { byte = 1, nine_bit = 9, nine_bit_adc = 99 };

struct TrimState {
  // A trim keyword was measured successfully: PT is offered.
  bool enabled = false;
  TrimType type = TrimType::byte;
  // Type byte: the trim byte; nine-bit types: trim byte * 2 + fine bit.
  std::uint16_t value = 0;
  std::uint16_t address = 0;
  std::uint16_t fine_address = 0;
  std::uint8_t fine_mask = 0;
  std::uint16_t channel26_reading = 0;
};

struct ModuleState {
  // CM line: the base-address parameter and whether it was given.
  std::uint32_t base_parameter = 0;
  bool base_parameter_given = false;
  // The next CM takes the previous file and parameter instead of reading its line.
  bool reuse = false;

  std::uint32_t cm_base_address = 0;
  std::uint32_t algorithm_base_address = 0;
  std::array<std::uint32_t, entry::count> entries{};
  std::array<UserCommand, user_command_count> user_commands{};
  std::size_t user_command_total = 0;

  // Keyword flags.
  bool no_serialize = false;
  bool no_crc = false;
  bool no_byte_writes = false;
  bool no_base_address = false;
  bool short_table = false;
  bool blank_module_only = false;
  bool programming_also_verifies = false;
  bool second_register_set = false;
  ShortText erase_confirmation;
  std::int32_t erased_value = -1;

  // BLOCKING_MASK=: program blocks start and end on multiples of mask + 1 inside the range.
  bool blocking = false;
  std::uint32_t blocking_mask = 1;
  std::uint32_t blocking_low = 0;
  std::uint32_t blocking_high = 0xFFFFFFFF;
  // BOUNDARY_MASK=.
  bool boundary = false;
  std::uint32_t boundary_mask = 0xFFFFFFFF;
  // ADDRESS_PAGING=: a device address a is read at (a AND NOT mask) + offset.
  bool address_paging = false;
  std::uint32_t paging_mask = 0xFFFFFFFF;
  std::uint32_t paging_offset = 0;
  std::uint32_t paging_complement = 0;
  // SRECORD_SECTION_MASK=: the routine's address bits outside the mask name its section.
  bool section_masked = false;
  std::uint32_t section_mask = 0xFFFFFFFF;
  std::uint32_t current_section = 0;
  bool first_record = true;
  // The file the last download read; section switching reads it again.
  ShortText download_file_name;

  FixedPageRegister fixed_page;
  PagingWindow window;
  std::array<ResetCondition, 2> reset_conditions{};
  std::size_t reset_condition_count = 0;

  RangeList module_ranges;
  RangeList preserve_ranges;
  RangeList crc_keepout_ranges;
  loaders::AddressRemapTable remap;
  // Set only by the re-choose path after an erase: the preserved bytes survive the next CM.
  bool keep_preserve = false;

  TrimState trim;

  // The keyword pass met a line it cannot read, and the first one was shown.
  bool invalid = false;
  bool invalid_reported = false;

  // From the bus clock: the module-enable routine's timing factor and the FCDIV value.
  std::int32_t timing_factor = 0;
  std::uint16_t fcdiv_value = 0;
};

ModuleState& module_state();
void reset_module_state();

// The keyword settings back to their values before a file is read (the entry table and the
// base-address parameter stay; the preserve ranges stay with keep_preserve). NOSORT lives
// in command_line().sort_flag and holds for the whole run.
void reset_keyword_state();

// An object-file or command-line address a lies at a - CM base address + module start.
std::uint32_t device_address(std::uint32_t object_address);
std::uint32_t module_start();
std::uint32_t module_size();

}  // namespace vx::programmer
