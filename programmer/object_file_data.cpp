#include "programmer/object_file_data.h"

#include "foundation/hex_digits.h"
#include "foundation/kstring.h"
#include "loaders/debug_context.h"
#include "loaders/load_driver.h"

namespace vx::programmer {
namespace {

// `count` pairs from `index` (0-based) as one big-endian number; false on a bad pair.
bool decode_pairs(std::string_view line, std::size_t index, std::size_t count, std::uint32_t& value) {
  value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t pair = hex_pair(line, index + 2 * i);
    if (pair > 0xFF) return false;
    value = value << 8 | pair;
  }
  return true;
}

bool decode_data(std::string_view line, std::size_t index, std::size_t count, std::vector<std::uint8_t>& bytes) {
  bytes.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t pair = hex_pair(line, index + 2 * i);
    if (pair > 0xFF) return false;
    bytes[i] = static_cast<std::uint8_t>(pair);
  }
  return true;
}

}  // namespace

ObjectLineKind parse_srecord_line(std::string_view line, ObjectDataRecord& record) {
  if (line.size() < 2 || line[0] != 'S' || line[1] < '1' || line[1] > '3') return ObjectLineKind::other;
  const std::size_t address_bytes = static_cast<std::size_t>(line[1] - '1') + 2;
  std::uint32_t count = 0;
  std::uint32_t address = 0;
  if (!decode_pairs(line, 2, 1, count) || count < address_bytes + 1 || !decode_pairs(line, 4, address_bytes, address)) {
    return ObjectLineKind::bad;
  }
  record.address = static_cast<std::int32_t>(address);
  return decode_data(line, 4 + 2 * address_bytes, count - address_bytes - 1, record.bytes) ? ObjectLineKind::data
                                                                                           : ObjectLineKind::bad;
}

ObjectLineKind ObjectLineReader::parse_intel_hex_line(std::string_view line, ObjectDataRecord& record) {
  if (line.size() < 11 || line[0] != ':') return ObjectLineKind::other;
  std::uint32_t count = 0;
  std::uint32_t address = 0;
  std::uint32_t type = 0;
  if (!decode_pairs(line, 1, 1, count) || !decode_pairs(line, 3, 2, address) || !decode_pairs(line, 7, 1, type)) {
    return ObjectLineKind::bad;
  }
  if (type == 0) {
    record.address = static_cast<std::int32_t>(intel_base_ + address);
    return decode_data(line, 9, count, record.bytes) ? ObjectLineKind::data : ObjectLineKind::bad;
  }
  if ((type == 2 || type == 4) && count == 2 && address == 0) {
    std::uint32_t base = 0;
    if (!decode_pairs(line, 9, 2, base)) return ObjectLineKind::bad;
    intel_base_ = type == 2 ? base * 16 : base * 65536;
  }
  return ObjectLineKind::other;
}

// A record line holds at most 255 bytes; a longer line is read up to this length and the rest
// passed over, so that a hostile file cannot make the line grow without end.
constexpr std::size_t longest_line = 1024;

bool read_whole_line(std::istream& file, std::string& line) {
  line.clear();
  int c = file.get();
  if (c == std::char_traits<char>::eof()) return false;
  for (; c != std::char_traits<char>::eof() && c != '\n'; c = file.get()) {
    if (line.size() < longest_line) line += static_cast<char>(c);
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

bool ObjectLineReader::next(ObjectDataRecord& record) {
  std::string line;
  while (!bad_ && read_whole_line(file_, line)) {
    ObjectLineKind kind = parse_srecord_line(line, record);
    if (kind == ObjectLineKind::other && intel_hex_) kind = parse_intel_hex_line(line, record);
    // A record without data bytes has no address range: the loaders pass it over too.
    if (kind == ObjectLineKind::data && !record.bytes.empty()) return true;
    bad_ = kind == ObjectLineKind::bad;
  }
  return false;
}

std::uint8_t object_file_module(const ShortText& name) {
  loaders::current_debug_context().module.load_file_name = name;
  return loaders::TEST_LOAD_FILES();
}

bool record_within_ranges(const ModuleWindow& window, std::int32_t low, std::int32_t high, std::int32_t address,
                          std::size_t count) {
  const std::int64_t first = address;
  const std::int64_t last = first + static_cast<std::int64_t>(count) - 1;
  if (window.module_ranges.empty()) return low <= first && last <= high;
  for (const RelativeRange& range : window.module_ranges) {
    if (static_cast<std::int64_t>(window.cm_base) + range.start <= first &&
        last <= static_cast<std::int64_t>(window.cm_base) + range.end) {
      return true;
    }
  }
  return false;
}

ShortText invalid_addresses_line(std::int32_t address, std::size_t count) {
  const auto first = static_cast<std::uint32_t>(address);
  return "Invalid addresses in srecord block from $" + hex_long(first) + " to $" +
         hex_long(first + static_cast<std::uint32_t>(count) - 1) + ".";
}

}  // namespace vx::programmer
