#include "programmer/command_dispatch.h"

namespace vx::programmer {
namespace {

CommandDispatch dispatch_table;

}  // namespace

CommandDispatch& command_dispatch() { return dispatch_table; }

void reset_command_dispatch() {
  dispatch_table = CommandDispatch{};
  register_loop_commands();
  register_module_commands();
  register_program_commands();
  register_crc_commands();
}

void register_command_handler(std::uint16_t code, CommandHandler handler) {
  if (code >= 1 && code <= command_count) dispatch_table.handlers[code] = handler;
}

bool run_command_handler(std::uint16_t code) {
  if (code < 1 || code > command_count || dispatch_table.handlers[code] == nullptr) return false;
  dispatch_table.handlers[code]();
  return true;
}

}  // namespace vx::programmer
