#include "foundation/words.h"

#include <limits>

namespace vx::words {
namespace {

struct Walk {
  std::size_t words = 0;
  std::string_view last;  // the last word met
};

// Scans word by word from the start and stops at the `limit`-th word or the end.
Walk walk(std::string_view text, const CharSet& delimiters, std::size_t limit) {
  Walk walk;
  std::size_t position = 0;
  while (walk.words < limit) {
    while (position < text.size() && delimiters.contains(text[position])) ++position;
    if (position == text.size()) break;
    const std::size_t start = position;
    while (position < text.size() && !delimiters.contains(text[position])) ++position;
    ++walk.words;
    walk.last = text.substr(start, position - start);
  }
  return walk;
}

}  // namespace

std::size_t count(std::string_view text, const CharSet& delimiters) {
  return walk(text, delimiters, std::numeric_limits<std::size_t>::max()).words;
}

std::optional<std::string_view> find(std::size_t n, std::string_view text, const CharSet& delimiters) {
  if (n == 0) return std::nullopt;
  const Walk found = walk(text, delimiters, n);
  if (found.words < n) return std::nullopt;
  return found.last;
}

}  // namespace vx::words
