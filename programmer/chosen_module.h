#pragma once

#include <cstdint>

#include "programmer/command_ranges.h"
#include "programmer/module_window.h"
#include "programmer/program_pipeline.h"

// The chosen module as the program, erase, verify and upload commands see
// it, taken from the module state that CM filled.
namespace vx::programmer {

ModuleWindow current_module_window();
BlockingRules current_blocking_rules();
// The raw byte of the read service (0-255, 256 unreadable, 257 outside the object ranges).
std::uint16_t read_device_byte(std::uint32_t device_address);
// With ADDRESS_PAGING a device address is read at (address AND NOT mask) + offset.
std::uint32_t paged_read_address(std::uint32_t device_address);
// The entry of the program routine: the word routine when there is one.
std::uint32_t program_routine_entry();

// An empty status line, the failure's message and a bell; ends the script with its result.
[[noreturn]] void fail_parameter(const ParameterFailure& failure);
// Esc or Ctrl-C among the pending keys.
bool cancel_key_pending();

}  // namespace vx::programmer
