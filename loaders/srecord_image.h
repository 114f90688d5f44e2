#pragma once

#include <array>
#include <cstdint>

#include "foundation/short_text.h"

namespace vx::loaders {

// Reads a whole S-record file straight into the object records: the bytes
// of its S1, S2 and S3 records (also written SH, SI and SJ) gathered into
// blocks of consecutive addresses, at most 256 bytes each.
struct SrecordImageReader {
  // Set only while a scrambled firmware file is read.
  bool scrambled_mode = false;
  // Set only while a firmware file is read for the update engine.
  bool firmware_checks = false;
  bool error = false;
  // The read failed a firmware check (a record's checksum, the end record).
  bool damaged = false;
  // An end record came after the last data record (or there was no data yet).
  bool data_ended = true;
  std::array<std::uint8_t, 256> block{};
  std::uint16_t block_length = 0;
  // -1 while no block is open.
  std::int32_t next_expected_address = -1;
  std::uint32_t current_address = 0;
};

SrecordImageReader& srecord_image_reader();
void reset_srecord_image_reader();
// Forgets any open block.
void reset_image_block_state();

// True when the whole file was read. Any bad record, a full store or the
// abort key clears the object records and gives false.
bool read_srecord_image(const ShortText& name);
// The same for an interface firmware file (a file shorter than its header is false).
bool read_scrambled_srecord_image(const ShortText& name);

// How the read of a firmware file for the update engine ended. Such a file is
// also damaged when a record's checksum (the ones' complement of the sum of its
// count, address and data bytes) does not match, or when no end record (S7, S8
// or S9) follows its data: programming it would start a corrupt image.
enum class FirmwareImageRead : std::uint8_t { read, unreadable, damaged };
FirmwareImageRead read_firmware_image(const ShortText& name, bool scrambled);

}  // namespace vx::loaders
