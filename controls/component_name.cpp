#include <algorithm>

#include "controls/helpers.h"

namespace vx::controls {
namespace {

bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool is_identifier(std::string_view text) {
  return !text.empty() && is_letter(text.front()) &&
         std::ranges::all_of(text, [](char c) { return is_letter(c) || is_digit(c); });
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_name(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

std::string UniqueComponentName(std::span<const std::string> owned_names, std::string_view base) {
  if (!is_identifier(base)) {
    throw EComponentError("''" + std::string(base) + "'' is not a valid component name");
  }
  // Each owned name rules out at most one number, so the search ends.
  for (std::size_t number = 1;; ++number) {
    const std::string name = std::string(base) + std::to_string(number);
    if (std::ranges::none_of(owned_names, [&](const std::string& owned) { return same_name(owned, name); })) {
      return name;
    }
  }
}

}  // namespace vx::controls
