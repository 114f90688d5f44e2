#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vx::tools {

// CRC-16 of an algorithm file's text: polynomial 0x1021, most significant bit first, initial
// value 0, no final step.
std::uint16_t s8p_crc16(std::span<const std::uint8_t> text);

struct PackedFile {
  std::vector<std::uint8_t> bytes;
  std::string error;  // empty on success
};

// Joins the lines of the parts in order, each ended CR LF, then the end-of-text mark and the
// CRC-16 of the text, low byte first. A part may end its lines LF or CR LF. Refuses a line that
// a reader would cut (over 255 characters) or split or end early (a control character).
PackedFile pack_s8p(const std::vector<std::string>& parts);

}  // namespace vx::tools
