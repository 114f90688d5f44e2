#include "fwupdate/programmer_files.h"

namespace vx::fwupdate {
namespace {

constexpr std::uint32_t plain_limit = upgrade_trailer - section1_start;
constexpr std::uint32_t primary_limit = primary_kernel_trailer - primary_start;
constexpr std::uint32_t upgrade_address_limit = 0xCFE00;

void put_long(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

}  // namespace

bool records_end_below(std::span<const FirmwareRecord> records, std::uint32_t limit) {
  for (const FirmwareRecord& record : records) {
    if (std::uint64_t{record.address} + record.bytes.size() > limit) return false;
  }
  return true;
}

bool plain_image_fits(std::span<const FirmwareRecord> records) { return records_end_below(records, plain_limit); }
bool secondary_kernel_fits(std::span<const FirmwareRecord> records) { return records_end_below(records, plain_limit); }
bool primary_kernel_fits(std::span<const FirmwareRecord> records) { return records_end_below(records, primary_limit); }

std::optional<std::vector<PlacedRecord>> place_upgrade_records(std::span<const FirmwareRecord> records) {
  const std::array<std::uint32_t, 2> starts{section1_start, section2_start}, ends{section1_end, section2_end};
  std::vector<PlacedRecord> placed;
  std::size_t section = 0;
  std::uint32_t base = 0;
  for (const FirmwareRecord& record : records) {
    if (record.address >= upgrade_address_limit || record.address < base) return std::nullopt;
    if (std::uint64_t{starts[section]} + (record.address - base) >= ends[section]) {
      if (++section == starts.size()) return std::nullopt;
      base = record.address;
    }
    const std::uint64_t target = std::uint64_t{starts[section]} + (record.address - base);
    if (target + record.bytes.size() > ends[section]) return std::nullopt;
    placed.push_back({&record, static_cast<std::uint32_t>(target), section});
  }
  return placed;
}

SectionTable empty_section_table() {
  SectionTable table{};
  table[0].target_start = section1_start;
  table[0].target_end = section1_end;
  table[1].target_start = section2_start;
  table[1].target_end = section2_end;
  return table;
}

std::vector<std::uint8_t> section_table_trailer(const SectionTable& table, std::size_t used) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t k = used; k-- > 0;) {
    put_long(bytes, table[k].reserved);
    put_long(bytes, table[k].next_start);
    put_long(bytes, table[k].length);
    put_long(bytes, table[k].crc);
  }
  return bytes;
}

std::array<std::uint8_t, 8> length_crc_trailer(std::uint32_t length, std::uint32_t crc) {
  std::array<std::uint8_t, 8> bytes{};
  for (int i = 0; i < 4; ++i) {
    bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length >> (24 - 8 * i));
    bytes[static_cast<std::size_t>(4 + i)] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
  }
  return bytes;
}

}  // namespace vx::fwupdate
