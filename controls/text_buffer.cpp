#include <algorithm>
#include <cstring>

#include "controls/string_routines.h"

namespace vx::controls {

std::string_view text_in(std::span<const char> buffer) {
  const auto end = std::ranges::find(buffer, '\0');
  return {buffer.data(), static_cast<std::size_t>(end - buffer.begin())};
}

std::span<char> store_text(std::span<char> buffer, std::string_view text) {
  if (buffer.empty()) {
    return buffer;
  }
  const std::size_t length = std::min(text.size(), buffer.size() - 1);
  // memmove: the text may be a view into the buffer itself.
  if (length > 0) {
    std::memmove(buffer.data(), text.data(), length);
  }
  buffer[length] = '\0';
  return buffer;
}

}  // namespace vx::controls
