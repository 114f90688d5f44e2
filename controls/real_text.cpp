#include <string>

#include "controls/helpers.h"
#include "controls/string_routines.h"

namespace vx::controls {

std::span<char> FixRealText(std::span<char> buffer, char separator) {
  if (text_in(TrimBlanks(buffer)).empty()) {
    return store_text(buffer, "0");
  }
  if (text_in(buffer).ends_with(separator)) {
    TrimBlanks(DeleteCharAt(buffer, text_in(buffer).size() - 1));
  }
  std::string text(text_in(buffer));
  const std::size_t room = buffer.empty() ? 0 : buffer.size() - 1;
  const auto insert = [&](std::size_t position, std::string_view added) {
    if (text.size() + added.size() > room) {
      return false;
    }
    text.insert(position, added);
    return true;
  };

  // A separator in front stays: that text is no number the conversion reads.
  std::size_t point = text.find(separator);
  if (point != std::string::npos && point > 0) {
    text[point] = '.';
  } else {
    point = text.find('.');
  }
  const bool has_point = point != std::string::npos;
  if (has_point) {
    if (point + 1 == text.size()) {
      insert(point + 1, "0");
    }
    if (point == 0 && insert(0, "0")) {
      point += 1;
    }
    if (point == 1 && text[0] == '-' && insert(1, "0")) {
      point += 1;
    }
  }

  std::size_t exponent = text.find('E');
  if (exponent != std::string::npos && exponent > 0) {
    if (!has_point && insert(exponent, ".")) {
      point = exponent++;
    }
    if (point < exponent && exponent - point - 1 < 12) {
      insert(exponent, "00000");
    }
  }

  if (point != std::string::npos) {
    std::size_t after = point + 1;
    while (after < text.size() && text[after] == ' ') ++after;
    std::size_t before = point;
    while (before > 0 && text[before - 1] == ' ') --before;
    text.erase(point + 1, after - point - 1);
    text.erase(before, point - before);
  }
  return store_text(buffer, text);
}

}  // namespace vx::controls
