#include "foundation/status_output.h"

namespace vx {
namespace {

constexpr char spinner_characters[] = {'-', '\\', '|', '/'};

}  // namespace

void twiddle_start() {
  StatusOutput& output = status_output();
  output.spinner_index = 1;
  WRITE_TO_DEBUG(" -");
  output.spinner_running = true;
}

void twiddle_tick() {
  StatusOutput& output = status_output();
  if (!output.spinner_running) return;
  WRITE_TO_DEBUG(ShortText("\b") + spinner_characters[output.spinner_index]);
  output.spinner_index = static_cast<std::uint8_t>((output.spinner_index + 1) % 4);
}

void twiddle_stop() {
  StatusOutput& output = status_output();
  if (!output.spinner_running) return;
  WRITE_TO_DEBUG("\b ");
  output.spinner_running = false;
}

}  // namespace vx
