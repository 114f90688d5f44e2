#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "foundation/char_set.h"

// Words are runs of characters outside the delimiter set; runs of
// delimiters never make empty words. Shared by the short and long texts.
namespace vx::words {

std::size_t count(std::string_view text, const CharSet& delimiters);
// The n-th word (from 1) as a view into `text`; none when n is 0 or there are fewer words.
std::optional<std::string_view> find(std::size_t n, std::string_view text, const CharSet& delimiters);

}  // namespace vx::words
