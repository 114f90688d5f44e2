#include "programmer/command_dispatch.h"

namespace vx::programmer {

// The object-file, erase, blank-check, program, verify, upload and user commands.
void register_program_commands() {}

}  // namespace vx::programmer
