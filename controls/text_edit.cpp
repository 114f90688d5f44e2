#include <algorithm>
#include <string>

#include "controls/string_routines.h"

namespace vx::controls {

std::optional<std::size_t> FindChar(std::string_view text, char c) {
  const std::size_t position = text.find(c);
  return position == std::string_view::npos ? std::nullopt : std::optional(position);
}

std::optional<std::size_t> FindText(std::string_view text, std::string_view pattern) {
  if (pattern.empty()) {
    return std::nullopt;
  }
  const std::size_t position = text.find(pattern);
  return position == std::string_view::npos ? std::nullopt : std::optional(position);
}

std::span<char> InsertTextAt(std::span<char> buffer, std::string_view insert, std::size_t position) {
  std::string text(text_in(buffer));
  text.insert(std::min(position, text.size()), insert);
  return store_text(buffer, text);
}

std::span<char> InsertCharAt(std::span<char> buffer, char c, std::size_t position) {
  return InsertTextAt(buffer, std::string_view(&c, 1), position);
}

std::span<char> InsertCharsAt(std::span<char> buffer, char c, std::size_t position, std::size_t count) {
  constexpr std::size_t most = 1024;
  return InsertTextAt(buffer, std::string(std::min(count, most), c), position);
}

std::span<char> DeleteAt(std::span<char> buffer, std::size_t position, std::size_t count) {
  std::string text(text_in(buffer));
  if (position < text.size()) {
    text.erase(position, count);
  }
  return store_text(buffer, text);
}

std::span<char> DeleteCharAt(std::span<char> buffer, std::size_t position) { return DeleteAt(buffer, position, 1); }

std::span<char> CopyFrom(std::span<char> buffer, std::string_view text, std::size_t position, std::size_t count) {
  return store_text(buffer, position < text.size() ? text.substr(position, count) : std::string_view());
}

}  // namespace vx::controls
