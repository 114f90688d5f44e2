#include "programmer/chosen_module.h"
#include "programmer/command_dispatch.h"
#include "programmer/erase_commands.h"
#include "programmer/program_commands.h"
#include "programmer/upload_commands.h"
#include "programmer/utility_commands.h"
#include "programmer/verify_commands.h"

namespace vx::programmer {
namespace {

std::int32_t window_end() { return static_cast<std::int32_t>(current_module_window().window_end()); }

template <std::uint16_t number>
void user_command() {
  run_user_function(number);
}

}  // namespace

// The object-file, erase, blank-check, program, verify, upload and user commands.
void register_program_commands() {
  register_command_handler(command::SS, select_object_file);
  register_command_handler(command::PM, [] { program_module(current_module_window().cm_base, window_end()); });
  register_command_handler(command::PR, program_module_range);
  register_command_handler(command::PB, program_bytes);
  register_command_handler(command::PW, program_words);
  register_command_handler(command::EM, erase_module_command);
  register_command_handler(command::EN, erase_if_not_blank_command);
  register_command_handler(command::EB, erase_byte_range);
  register_command_handler(command::EW, erase_word_range);
  register_command_handler(command::BM, blank_check_module_command);
  register_command_handler(command::BR, blank_check_range);
  register_command_handler(command::SM, show_module);
  register_command_handler(command::DE, delay_command);
  register_command_handler(command::VM, [] { verify_module(current_module_window().cm_base, window_end()); });
  register_command_handler(command::VR, verify_range);
  register_command_handler(command::UM, [] { upload_module(current_module_window().cm_base, window_end()); });
  register_command_handler(command::UR, upload_range);
  register_command_handler(19, user_command<19>);
  register_command_handler(20, user_command<20>);
  register_command_handler(21, user_command<21>);
  register_command_handler(22, user_command<22>);
  register_command_handler(23, user_command<23>);
  register_command_handler(24, user_command<24>);
}

}  // namespace vx::programmer
