#include "programmer/script_errors.h"

#include "foundation/kstring.h"
#include "foundation/run_control.h"
#include "foundation/status_output.h"

namespace vx::programmer {

void script_line_error(std::int32_t line_number, const ShortText& message, const ShortText& text) {
  END_DEBUG_LINE();
  WRITELN_TO_DEBUG(message + " on line " + long_to_str(line_number) + " of script.('" + text + "')");
  internal_prog_halt(47);
}

}  // namespace vx::programmer
