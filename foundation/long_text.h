#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Twins of the ShortText routines for texts of any length, for the object
// file loaders. They follow the same word and file-name rules; delimiters
// are given as a text of delimiter characters.
namespace vx {

std::string lstr_long_to_str(std::int32_t value);
// The text without every character that occurs in `filter`.
std::string lstr_filter(std::string_view text, std::string_view filter);
bool lstr_char_exists(std::string_view text, char c);

std::size_t lstr_word_count(std::string_view text, std::string_view delimiters);
// True when the n-th word (from 1) exists; `position` is its first
// character's (1-based), 0 when there is no such word.
bool lstr_word_position(std::size_t n, std::string_view text, std::string_view delimiters, std::size_t& position);
std::string lstr_extract_word(std::size_t n, std::string_view text, std::string_view delimiters);

std::string lstr_file_name_part(std::string_view name);
// The file-name part without its extension.
std::string lstr_name_only(std::string_view name);
std::string lstr_path_part(std::string_view name);
std::string lstr_add_backslash(std::string_view directory);
bool lstr_has_extension(std::string_view name, std::size_t& position);

}  // namespace vx
