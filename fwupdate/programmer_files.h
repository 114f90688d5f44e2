#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "fwupdate/flash_update.h"

// Where a stand-alone programmer's update files go, checked before anything
// is erased: every record's end, read unsigned, must lie inside the region
// the step writes it to, or the file is "too big".
namespace vx::fwupdate {

// Image address 0 of the plain image and of the secondary kernel, and of the primary kernel.
inline constexpr std::uint32_t section1_start = 0xF0090000, section1_end = 0xF010FF00;
inline constexpr std::uint32_t section2_start = 0xF0040000, section2_end = 0xF0090000;
inline constexpr std::uint32_t primary_start = 0xF0010000;
inline constexpr std::uint32_t upgrade_trailer = 0xF010FFF8, primary_kernel_trailer = 0xF003FFF8;
// Images begin this far into their region, where the programmer's own CRC is asked from.
inline constexpr std::uint32_t image_start_offset = 0x400;
// What the update shows as a record's address: the image address plus this.
inline constexpr std::uint32_t shown_upgrade_offset = 0x00090000, shown_primary_offset = 0x00010000;
inline constexpr std::uint32_t section_table_end = 0xF0110000;
inline constexpr std::size_t section_table_entries = 10;

// True when every record ends at or below `limit` (an image address).
bool records_end_below(std::span<const FirmwareRecord> records, std::uint32_t limit);
// A plain image and the secondary kernel end below the upgrade trailer, the primary kernel below its own.
bool plain_image_fits(std::span<const FirmwareRecord> records);
bool secondary_kernel_fits(std::span<const FirmwareRecord> records);
bool primary_kernel_fits(std::span<const FirmwareRecord> records);

// A record of the upgrade image with the address it is written at and its section (0 or 1).
struct PlacedRecord {
  const FirmwareRecord* record = nullptr;
  std::uint32_t target = 0;
  std::size_t section = 0;
};

// The upgrade image laid into its sections in address order: section 1 from
// 0xF0090000 until a record would start at its end, then section 2 from
// 0xF0040000; nothing when a record reaches past its section's end or a
// third section would be needed.
std::optional<std::vector<PlacedRecord>> place_upgrade_records(std::span<const FirmwareRecord> records);

// One entry of the section table.
struct SectionEntry {
  std::uint32_t crc = 0, length = 0, next_start = 0, reserved = 0, target_start = 0, target_end = 0;
};
using SectionTable = std::array<SectionEntry, section_table_entries>;

SectionTable empty_section_table();
// The trailer of the `used` sections: for each, from the last to the first,
// reserved, next start, length and CRC, each 32-bit big-endian; it ends at 0xF0110000.
std::vector<std::uint8_t> section_table_trailer(const SectionTable& table, std::size_t used);

// The 8-byte length and CRC trailer, both 32-bit big-endian.
std::array<std::uint8_t, 8> length_crc_trailer(std::uint32_t length, std::uint32_t crc);

}  // namespace vx::fwupdate
