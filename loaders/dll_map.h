#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/short_text.h"
#include "loaders/bounded_reader.h"

// Format module 1: object bytes from an S-record file, debug information
// (source files, lines, symbols) from the binary map file of the same base name.
namespace vx::loaders {

enum MapError : std::uint8_t {
  map_no_error = 0,
  map_no_file = 1,
  map_invalid_hex = 2,
  map_invalid_checksum = 3,
  map_invalid_header = 4,
  map_no_file_space = 5,
  map_no_line_space = 6,
  map_no_symbol_space = 7,
  map_line_without_data = 8,
};

struct MapModule {
  ShortText map_file_name;
  ShortText srecord_file_name;
  std::vector<std::uint8_t> map_bytes;
  BoundedReader map;
  bool map_open = false;
  std::vector<std::uint8_t> srecord_bytes;
  LineReader srecord_lines;
  bool srecord_open = false;
  // The last S-record line carried no data bytes.
  bool no_data = false;
  std::string upper_line;
};

MapModule& map_module();
void reset_map_module();

// The 26 characters a map file starts with.
inline constexpr std::string_view map_file_signature = "Velmorixelectrons Map File";

void DEBUG_DLL_NAME_MAP();
ShortText DEBUG_DLL_FILTER_MAP();
// Module 1's filter in the firmware updater's table.
ShortText DEBUG_DLL_FILTER_MAP_UPDATER();
void DEBUG_DLL_ERROR_MAP();
void DEBUG_DLL_OPEN_MAP();
void DEBUG_DLL_LOAD_MAP();
void DEBUG_DLL_CLOSE_MAP();
void DEBUG_DLL_DEBUG_MAP();

}  // namespace vx::loaders
