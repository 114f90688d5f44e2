#include "programmer/command_dispatch.h"

namespace vx::programmer {

// The CRC, trim and serial-number commands.
void register_crc_commands() {}

}  // namespace vx::programmer
