#include "programmer/command_dispatch.h"
#include "programmer/crc_commands.h"
#include "programmer/serial_commands.h"
#include "programmer/trim_commands.h"

namespace vx::programmer {

// The CRC, trim and serial-number commands.
void register_crc_commands() {
  register_command_handler(command::VC, verify_crc);
  register_command_handler(command::SC, show_module_crc);
  register_command_handler(command::VV, verify_module_crc_value);
  register_command_handler(command::PT, program_trim);
  register_command_handler(command::CS, choose_serial_file);
  register_command_handler(command::PS, program_serial_number);
}

}  // namespace vx::programmer
