#pragma once

#include <cstdint>

#include "foundation/short_text.h"

namespace vx {

// True when a regular file of that name exists and the name holds no '*' or '?',
// so a wildcard pattern never passes as a file.
bool valid_file_exists(const ShortText& name);
bool check_file_exists(const ShortText& name);

// True when the name (without a NUL byte) leads, through any symbolic links, to a regular file
// that an atomic rewrite can replace: the file may be written (a file without write permission
// counts as read-only even for root) and its directory takes the temporary file.
bool file_can_be_rewritten(const ShortText& name);

// Names in the drive form "X:..." name no drive on Linux and fail.
bool check_drive_ready(const ShortText& name, bool report);
// True when the name's directory exists or it has none.
bool check_path_valid(const ShortText& name, bool report);
// Turns the path checks off when the program's own path does not pass them.
void check_program_directory();

// Finds a file named without a directory in the default directory, then
// beside the program; the name then becomes that full path. A full path
// longer than `maximum_length` counts as not found: a cut path is a wrong one.
bool resolve_file_name(ShortText& name, std::uint8_t maximum_length);

}  // namespace vx
