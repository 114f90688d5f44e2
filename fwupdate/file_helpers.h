#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/short_text.h"

// Name and file routines of the firmware updater and the recovery utility,
// and the dialog in which the user picks a firmware file. Names are Linux
// paths: absolute ones start with '/', and there are no drives.
// "Extension" is the text after the last '.' of the file-name part.
namespace vx::fwupdate {

// The name unchanged when it has an extension, else name + "." + extension;
// empty stays empty. Nothing when the result would pass 255 characters.
std::optional<ShortText> default_extension(const ShortText& name, const ShortText& extension);
// The name with its extension replaced, or with "." + extension added; empty stays empty.
std::string lstr_force_extension(std::string_view name, std::string_view extension);

// The 64-bit value as 16 upper-case hexadecimal digits.
ShortText hex_int64(std::uint32_t low, std::uint32_t high);
// The same without leading zeros, at least one digit.
ShortText hex_int64_trimmed(std::uint32_t low, std::uint32_t high);

// An absolute name as it is; any other behind the current directory.
// Nothing when the result would pass 255 characters.
std::optional<ShortText> expand_path(const ShortText& name);

// The extension of the n-th pattern (from 0) of a "description|pattern|..."
// filter: the text after the pattern's first '.', up to a blank, '*', ':',
// ';', '?', '\' or '|'. Empty when the filter has no such pattern.
ShortText filter_extension(std::string_view filter, std::size_t index);
// The name cut before "..", and a ".$_~" placeholder extension replaced by
// the filter's extension at the index.
ShortText apply_filter_extension(const ShortText& name, std::string_view filter, std::size_t index);
// A file-name part with two or more points loses its last extension
// (a.b.c becomes a.b); the directory part stays. The result is cut to the maximum.
void strip_last_extension(ShortText& name, std::uint8_t maximum_length);

// What the file dialog works on: the name in and out, and the default
// directory, which a chosen file may move.
struct FileChoice {
  ShortText file_name;
  std::uint8_t file_name_maximum = ShortText::max_length;
  ShortText default_directory;
  std::uint8_t default_directory_maximum = ShortText::max_length;
};

// Lets the user pick an existing file when the name is empty or a pattern,
// else looks for the typed name (with the filter's first extension when it
// has none) where it was typed, then in the default directory. True with
// the file found in `choice.file_name`; false leaves the name as it was.
// With `update_default_directory` a file found moves the default directory
// to its own.
bool select_file_dialog(FileChoice& choice, const ShortText& title, bool update_default_directory,
                        std::string_view filter);

}  // namespace vx::fwupdate
