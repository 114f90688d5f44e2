#pragma once

#include "foundation/short_text.h"

// CM: makes an algorithm file the current flash module. Resets and halts the
// target, reads the file's keywords, unsecures a secured device, sets the
// flash clock, downloads and checks the routine, reads its entry table,
// enables the commands it offers and runs its module-enable routine.
namespace vx::programmer {

// The CM handler. With module_state().reuse set it chooses the previous file again
// without reading the command line (the re-choose paths after an erase or a user command).
void PICK_SETUP_FILE();
// Target reset, keyword pass, secured device, clocks. With programmer_run().current_address
// at -1 (RE) it only resets the target.
bool init_prg();
// Header pass and routine download.
bool LOAD_PRG(const ShortText& file_name);
// The routine's records of the current section compared with target RAM.
bool verify_prg(const ShortText& file_name);

}  // namespace vx::programmer
