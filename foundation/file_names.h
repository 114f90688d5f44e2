#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// File-name parts, shared by the short and long texts. '\' and '/' separate
// directories, NUL ends a name's directory part like they do, and ':' does
// only in the drive form "X:".
namespace vx::file_names {

// The text after the last delimiter; the whole name when there is none.
std::string_view file_name_part(std::string_view name);
// The directory part without its final separator, except that a separator
// after ':' (a drive root, "C:\") or alone at the start stays; empty when
// there is no delimiter.
std::string_view path_part(std::string_view name);
// The directory with a separator appended: '\' to "X:" and to names whose
// last separator is '\', '/' to other names longer than 2 characters.
std::string add_backslash(std::string_view directory);
// The directory and the name joined by a separator of the directory's own
// style, whatever the directory's length; the name alone after an empty one.
std::string join_directory(std::string_view directory, std::string_view name);
// True when there is a '.' with no directory separator after it; `position`
// is that of the last '.' (1-based), 0 when there is none.
bool has_extension(std::string_view name, std::size_t& position);
// The file-name part without its extension.
std::string_view name_only(std::string_view name);
// The name with its extension replaced or added; an empty name stays empty.
std::string replace_extension(std::string_view name, std::string_view extension);

}  // namespace vx::file_names
