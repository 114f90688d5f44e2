#include "foundation/headless_status_sink.h"

namespace vx {

void HeadlessStatusSink::line_finished(const std::string& text) {
  std::string line;
  for (char c : text) {
    if (c < 1 || c > 3) line += c;
  }
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stream_);
  std::fflush(stream_);
}

}  // namespace vx
