#include "programmer/chosen_module.h"

#include <algorithm>

#include "foundation/run_control.h"
#include "foundation/status_output.h"
#include "interface/target_read_cache.h"
#include "programmer/module_state.h"

namespace vx::programmer {
namespace {

constexpr std::uint16_t escape_key = 256 + 27;
constexpr std::uint16_t control_c_key = 0x2E03;

std::vector<RelativeRange> relative_ranges(const RangeList& list) {
  std::vector<RelativeRange> ranges;
  for (const AddressRange& range : list) {
    ranges.push_back({static_cast<std::int32_t>(range.start), static_cast<std::int32_t>(range.end)});
  }
  return ranges;
}

}  // namespace

ModuleWindow current_module_window() {
  const ModuleState& state = module_state();
  ModuleWindow window;
  window.cm_base = static_cast<std::int32_t>(state.cm_base_address);
  window.module_start = state.entries[entry::module_start];
  window.module_size = state.entries[entry::module_size];
  window.module_ranges = relative_ranges(state.module_ranges);
  window.preserve_ranges = relative_ranges(state.preserve_ranges);
  return window;
}

BlockingRules current_blocking_rules() {
  const ModuleState& state = module_state();
  BlockingRules rules;
  rules.blocking = state.blocking;
  rules.blocking_mask = state.blocking_mask;
  rules.blocking_low = state.blocking_low;
  rules.blocking_high = state.blocking_high;
  rules.boundary = state.boundary;
  rules.boundary_mask = state.boundary_mask;
  rules.has_byte_routine = state.entries[entry::program_byte] != 0;
  rules.has_word_routine = state.entries[entry::program_word] != 0;
  rules.ram_buffer_size = static_cast<std::uint16_t>(std::min<std::uint32_t>(state.entries[entry::ram_buffer_size], 0xFFFF));
  return rules;
}

std::uint16_t read_device_byte(std::uint32_t device_address) { return read_target_byte_cached(device_address); }

std::uint32_t paged_read_address(std::uint32_t device_address) {
  const ModuleState& state = module_state();
  if (!state.address_paging) return device_address;
  return (device_address & ~state.paging_mask) + state.paging_offset;
}

std::uint32_t program_routine_entry() {
  const ModuleState& state = module_state();
  return state.entries[entry::program_word] != 0 ? state.entries[entry::program_word]
                                                 : state.entries[entry::program_byte];
}

void fail_parameter(const ParameterFailure& failure) {
  WRITELN_TO_DEBUG("");
  WRITELN_TO_DEBUG(failure.message + "\x07");
  internal_prog_halt(failure.result);
}

bool cancel_key_pending() {
  const std::uint16_t key = poll_abort_key();
  return key == escape_key || key == control_c_key;
}

}  // namespace vx::programmer
