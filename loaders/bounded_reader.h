#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "foundation/short_text.h"

namespace vx::loaders {

// Reads loader input held in memory. A read past the end yields 0 and marks
// an overrun; nothing is ever read outside the bytes, so a hostile length or
// offset only ever costs the module its error code.
class BoundedReader {
 public:
  BoundedReader() = default;
  explicit BoundedReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::size_t size() const { return bytes_.size(); }
  std::size_t position() const { return position_; }
  std::size_t remaining() const { return bytes_.size() - position_; }
  bool at_end() const { return position_ == bytes_.size(); }
  bool overrun() const { return overrun_; }

  // An offset beyond the end moves to the end and marks an overrun.
  void seek(std::size_t offset);
  void skip(std::size_t count);

  std::uint8_t read_u8();
  std::uint16_t read_u16_be();
  std::uint16_t read_u16_le();
  std::uint32_t read_u32_be();
  std::uint32_t read_u32_le();
  // Fills `out`; what lies past the end reads as 0.
  void read_bytes(std::span<std::uint8_t> out);
  // The characters up to a 0 byte, which is consumed; at most `limit` are
  // kept and the rest skipped. Running out before the 0 byte is an overrun.
  ShortText read_zstring(std::size_t limit = ShortText::max_length);

  // LEB128 numbers: 7-bit groups, low group first, while bit 7 is set; the
  // result keeps the low 32 bits. The end of the input ends a number.
  // `consumed` receives the number of bytes read.
  std::uint32_t read_uleb128(std::uint32_t* consumed = nullptr);
  // Sign-extended from bit 6 of the last byte when fewer than 32 bits were filled.
  std::int32_t read_sleb128(std::uint32_t* consumed = nullptr);

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
  bool overrun_ = false;
};

// Splits text into lines ended by LF or CR LF; a last line without LF still
// counts. A CR elsewhere stays part of its line.
class LineReader {
 public:
  LineReader() = default;
  explicit LineReader(std::string_view text) : text_(text) {}

  // False at the end of the text.
  bool next(std::string_view& line);
  void rewind() { position_ = 0; }

 private:
  std::string_view text_;
  std::size_t position_ = 0;
};

// Larger loader input is refused: no object or debug file of a flash target
// comes near it, and it keeps a hostile file from claiming all memory.
inline constexpr std::size_t max_loader_file_size = 256u << 20;

// The whole content of a regular file; nothing for a missing, unreadable,
// oversized or special file (a device could be endless).
std::optional<std::vector<std::uint8_t>> read_file_bytes(const ShortText& name);

}  // namespace vx::loaders
