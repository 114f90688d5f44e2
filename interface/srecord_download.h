#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <optional>

#include "foundation/short_text.h"

// Decodes the S1, S2 and S3 lines of the open algorithm or object text file,
// and gathers bytes of consecutive target addresses into one block write per
// contiguous run.
namespace vx {

struct SrecordDownload {
  // A count byte caps a record at 252 data bytes.
  static constexpr std::size_t record_capacity = 256;
  static constexpr std::size_t run_capacity = 39'999;

  // The open text file; the engine opens and closes it.
  std::istream* file = nullptr;
  // Once set it stays set until the engine clears it.
  bool error = false;

  // The last line read and its decoded record; data[0] is the first data byte.
  ShortText line;
  std::uint16_t data_count = 0;
  std::uint32_t record_address = 0;
  std::array<std::uint8_t, record_capacity> data{};

  // Set by the engine: where the next byte goes, how many bytes of the record to write, and
  // the sum of the bytes written.
  std::uint32_t current_address = 0;
  std::uint16_t write_count = 0;
  std::uint16_t download_sum = 0;

  // The run being gathered; no expected address means the next byte starts a new run.
  std::optional<std::uint32_t> expected_next_address;
  std::uint32_t run_start = 0;
  std::uint16_t run_length = 0;
  std::array<std::uint8_t, run_capacity> run{};
};

SrecordDownload& srecord_download();
void reset_srecord_download();

// One line of the open file, at most 255 characters kept; "" at the end of the file.
ShortText read_text_line(std::istream& file);

// Reads the next line; true for an S1, S2 or S3 line, whose count and address are decoded,
// and with decode_data its data bytes too. Bad digits and counts set the error flag.
bool read_srecord_line(bool decode_data);
// Decodes write_count pairs of the line from `position` (1-based) into the write buffer.
void write_srecord_data_bytes(std::uint16_t position);
void buffer_target_write_byte(std::uint8_t value);
// Writes the gathered run, if any, with one block write.
void flush_target_write_buffer();

}  // namespace vx
