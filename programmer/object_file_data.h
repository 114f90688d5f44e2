#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <string_view>
#include <vector>

#include "foundation/short_text.h"
#include "programmer/module_window.h"

// The object file as the program, verify and range-check passes read it:
// in file order line by line (S1/S2/S3, and Intel hex for programming), or
// through the load driver for every other format.
namespace vx::programmer {

struct ObjectDataRecord {
  std::int32_t address = 0;
  std::vector<std::uint8_t> bytes;
};

enum class ObjectLineKind { data, other, bad };

// An S1, S2 or S3 line into its address and data (the checksum is not checked); `other` for
// every other line, `bad` for a bad digit or a count the line does not hold.
ObjectLineKind parse_srecord_line(std::string_view line, ObjectDataRecord& record);

// Reads the data lines of a text object file in file order and skips the others.
class ObjectLineReader {
 public:
  ObjectLineReader(std::istream& file, bool intel_hex) : file_(file), intel_hex_(intel_hex) {}
  // The next data line; false at the end of the file or at a bad line (then bad() is true).
  bool next(ObjectDataRecord& record);
  bool bad() const { return bad_; }

 private:
  ObjectLineKind parse_intel_hex_line(std::string_view line, ObjectDataRecord& record);

  std::istream& file_;
  bool intel_hex_;
  bool bad_ = false;
  std::uint32_t intel_base_ = 0;
};

inline constexpr std::uint8_t srecord_module = 1;
inline constexpr std::uint8_t no_module = 0;
// The load driver's module for the file: S-record text (whose lines the range check reads), another
// format, or none.
std::uint8_t object_file_module(const ShortText& name);

// Bytes a .. a + count - 1 lie inside one module range, or without module ranges inside low..high.
bool record_within_ranges(const ModuleWindow& window, std::int32_t low, std::int32_t high, std::int32_t address,
                          std::size_t count);

// "Invalid addresses in srecord block from $........ to $........."
ShortText invalid_addresses_line(std::int32_t address, std::size_t count);

}  // namespace vx::programmer
