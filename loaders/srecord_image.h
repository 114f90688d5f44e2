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
  bool error = false;
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

}  // namespace vx::loaders
