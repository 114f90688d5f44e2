#include "foundation/long_text.h"

#include <algorithm>
#include <iterator>

#include "foundation/file_names.h"
#include "foundation/kstring.h"
#include "foundation/words.h"

namespace vx {

std::string lstr_long_to_str(std::int32_t value) { return long_to_str(value).str(); }

std::string lstr_filter(std::string_view text, std::string_view filter) {
  const CharSet removed(filter);
  std::string result;
  std::copy_if(text.begin(), text.end(), std::back_inserter(result), [&](char c) { return !removed.contains(c); });
  return result;
}

bool lstr_char_exists(std::string_view text, char c) { return text.find(c) != std::string_view::npos; }

std::size_t lstr_word_count(std::string_view text, std::string_view delimiters) {
  return words::count(text, CharSet(delimiters));
}

bool lstr_word_position(std::size_t n, std::string_view text, std::string_view delimiters, std::size_t& position) {
  const std::optional<std::string_view> word = words::find(n, text, CharSet(delimiters));
  position = word ? static_cast<std::size_t>(word->data() - text.data()) + 1 : 0;
  return word.has_value();
}

std::string lstr_extract_word(std::size_t n, std::string_view text, std::string_view delimiters) {
  const std::optional<std::string_view> word = words::find(n, text, CharSet(delimiters));
  return word ? std::string(*word) : std::string();
}

std::string lstr_file_name_part(std::string_view name) { return std::string(file_names::file_name_part(name)); }

std::string lstr_name_only(std::string_view name) { return std::string(file_names::name_only(name)); }

std::string lstr_path_part(std::string_view name) { return std::string(file_names::path_part(name)); }

std::string lstr_add_backslash(std::string_view directory) { return file_names::add_backslash(directory); }

bool lstr_has_extension(std::string_view name, std::size_t& position) {
  return file_names::has_extension(name, position);
}

}  // namespace vx
