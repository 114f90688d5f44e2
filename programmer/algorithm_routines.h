#pragma once

#include <cstdint>

#include "foundation/short_text.h"

// Calling the routines that CM downloaded into target RAM: arguments in the
// parameter block and the CPU registers, start, wait for the background
// instruction, result in H:X or in the block. Keeps the routine's section in
// RAM and brackets accesses above 64 KiB with page selection.
namespace vx::programmer {

// Offsets of the 16-bit words of the parameter block (entry 0).
namespace parameter {
inline constexpr std::uint32_t ram_buffer = 0;
inline constexpr std::uint32_t address = 2;
inline constexpr std::uint32_t length = 4;
}  // namespace parameter

struct RoutineOutcome {
  // Set when the user cancelled the wait.
  bool cancelled = false;
  // H:X after the routine, or the result word at +4 for erase and blank check.
  std::uint16_t result = 0;
  bool failed() const { return cancelled || result != 0; }
};

// Downloads the routine records of the current section; sets the shared error flag
// (srecord_download().error) when a count, address or data digit does not read.
void load_algorithm_records(const ShortText& file_name);
// The RAM address at which a routine entry starts, its section loaded first.
std::uint32_t reload_algorithm_page(std::uint32_t routine, bool show);
// H * 256 + X of the register model.
std::uint16_t get_routine_result();

// Program block: entry 11, else 10; the block is in the RAM buffer already.
RoutineOutcome call_program_routine(std::uint32_t device_address, std::uint16_t length);
// Erase module / byte range / word range: entry 9, 7 or 8.
RoutineOutcome call_erase_routine(std::size_t entry_number, std::uint32_t start, std::uint32_t size);
// Blank check: entry 6 when word-wise, else 5. `first_non_blank` is set when the result is not 0.
RoutineOutcome call_blank_check_routine(bool word_wise, std::uint32_t start, std::uint32_t size,
                                        std::uint32_t& first_non_blank);
// Module enable (entry 14): H:X the timing factor, A the FCDIV value.
RoutineOutcome call_module_enable_routine();
// User command 19 + index (index 0-5): A, H, X take bits 16-23, 8-15 and 0-7 of the parameter.
RoutineOutcome call_user_routine(std::size_t index, std::uint32_t parameter);

// Before and after reads above 64 KiB or inside the paging window; the engine registers
// them with the interface's read service (install_page_selection).
void select_address_page(std::uint32_t address);
void restore_address_page();
void install_page_selection();

}  // namespace vx::programmer
