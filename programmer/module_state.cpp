#include "programmer/module_state.h"

#include "programmer/programmer_run.h"

namespace vx::programmer {
namespace {

ModuleState state;

}  // namespace

ModuleState& module_state() { return state; }
void reset_module_state() { state = ModuleState{}; }

void reset_keyword_state() {
  ModuleState fresh;
  fresh.base_parameter = state.base_parameter;
  fresh.base_parameter_given = state.base_parameter_given;
  fresh.reuse = state.reuse;
  fresh.entries = state.entries;
  fresh.user_commands = state.user_commands;
  fresh.user_command_total = state.user_command_total;
  fresh.download_file_name = state.download_file_name;
  fresh.keep_preserve = state.keep_preserve;
  if (state.keep_preserve) fresh.preserve_ranges = std::move(state.preserve_ranges);
  fresh.timing_factor = state.timing_factor;
  fresh.fcdiv_value = state.fcdiv_value;
  // Until the first routine record says otherwise.
  fresh.algorithm_base_address = static_cast<std::uint32_t>(programmer_run().current_address);
  state = std::move(fresh);
}

std::uint32_t module_start() { return state.entries[entry::module_start]; }
std::uint32_t module_size() { return state.entries[entry::module_size]; }

std::uint32_t device_address(std::uint32_t object_address) {
  return object_address - state.cm_base_address + module_start();
}

}  // namespace vx::programmer
