#pragma once

#include <cstdint>

#include "foundation/short_text.h"

// The algorithm file's lines: the keyword lines that describe the module,
// the USER= and RESET_ON_USER= header lines, and the CRC-16 that guards the
// text up to its end-of-text mark.
namespace vx::programmer {

inline constexpr char algorithm_family[] = "S8";
// ".S8P"
ShortText algorithm_extension();

// Tests one line against every keyword in order and applies what matches. A field that
// does not read, or a line the module tables have no room for, sets module_state().invalid.
void apply_keyword_line(const ShortText& line);

// A USER= line read into the next user command; false for any other line.
bool read_user_line(const ShortText& line);
// RESET_ON_USER=d: the user command 18 + d chooses the module again after it ran.
bool read_reset_on_user_line(const ShortText& line);

struct FileCrc {
  bool matches = false;
  std::uint16_t computed = 0;
};
// The CRC-16 of the text before the 0x1A mark and whether the two bytes after it hold it.
FileCrc check_file_crc16(const ShortText& file_name);

}  // namespace vx::programmer
