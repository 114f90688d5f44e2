#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/short_text.h"

// Format module 5 of the firmware updater's loader: object bytes from a text
// file of Intel hexadecimal records, one block per data record. The format
// carries no debug information.
namespace vx::loaders {

enum IntelHexError : std::uint8_t {
  intelhex_no_error = 0,
  intelhex_no_file = 1,
  intelhex_unexpected_text = 2,
  intelhex_invalid_checksum = 3,
  intelhex_segment_address = 4,
  intelhex_unknown_record = 5,
  // The file could not be read, or the reading failed outside the format.
  intelhex_unknown_failure = 6,
};

struct IntelHexModule {
  std::vector<std::uint8_t> file_bytes;
  // Where the next line starts in the file's bytes.
  std::size_t next_line = 0;
  bool file_open = false;
  // The file opened, as the error texts name it.
  ShortText file_name;
  // Bits 16-31 of every data address, from type 04 records; 0 at each open.
  std::uint32_t upper_address = 0;
  // The last line gave no block and ended nothing: the next-block entry reads on.
  bool read_on = false;
};

IntelHexModule& intelhex_module();
void reset_intelhex_module();

// One record line into the block. Block length 0 without an error code: the data have ended.
void read_intelhex_line();

void DEBUG_DLL_NAME_INTELHEX();
ShortText DEBUG_DLL_FILTER_INTELHEX();
void DEBUG_DLL_ERROR_INTELHEX();
void DEBUG_DLL_OPEN_INTELHEX();
void DEBUG_DLL_LOAD_INTELHEX();
void DEBUG_DLL_CLOSE_INTELHEX();
void DEBUG_DLL_DEBUG_INTELHEX();

}  // namespace vx::loaders
