#include "foundation/headless_run_view.h"

namespace vx {

void HeadlessRunView::show_result_panel(const ShortText& text, Rgb) {
  std::fprintf(stream_, "%s\n", text.c_str());
  std::fflush(stream_);
}

}  // namespace vx
