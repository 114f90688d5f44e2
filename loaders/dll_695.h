#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "foundation/short_text.h"
#include "loaders/bounded_reader.h"

// Format module 2: absolute IEEE-695 object modules. The data part gives the
// object bytes; the debug information and external parts give types,
// symbols, source files and lines.
namespace vx::loaders {

enum Ieee695Error : std::uint8_t {
  ieee695_no_error = 0,
  ieee695_no_file = 1,
  ieee695_invalid_string = 2,
  ieee695_invalid_number = 3,
  ieee695_no_module_begin = 4,
  ieee695_no_address_descriptor = 5,
  ieee695_missing_part_pointer = 6,
  ieee695_null_part = 7,
  ieee695_invalid_expansion_part = 8,
  ieee695_not_absolute = 9,
  ieee695_invalid_section_address = 10,
  ieee695_invalid_debug_block = 11,
  ieee695_no_debug_space = 12,
  ieee695_no_memory = 13,
  ieee695_number_too_large = 14,
};

// Record bytes of the format.
namespace ieee695 {
inline constexpr std::uint8_t assign = 0xE2;
inline constexpr std::uint8_t section_begin = 0xE5;
inline constexpr std::uint8_t public_name = 0xE8;
inline constexpr std::uint8_t external_name = 0xE9;
inline constexpr std::uint8_t load_data = 0xED;
inline constexpr std::uint8_t local_name = 0xF0;
inline constexpr std::uint8_t attribute = 0xF1;
inline constexpr std::uint8_t type = 0xF2;
inline constexpr std::uint8_t weak_external = 0xF4;
inline constexpr std::uint8_t repeat_data = 0xF7;
inline constexpr std::uint8_t block_begin = 0xF8;
inline constexpr std::uint8_t block_end = 0xF9;
inline constexpr std::uint8_t open_bracket = 0xBE;
inline constexpr std::uint8_t close_bracket = 0xBF;
// Letters follow AS and AT records: 0xC1 'A' to 0xDA 'Z'.
constexpr std::uint8_t letter(char c) { return static_cast<std::uint8_t>(0xC0 + (c - '@')); }
}  // namespace ieee695

struct Ieee695Module {
  static constexpr std::size_t more_bytes_capacity = 4096;
  static constexpr std::size_t more_bytes_wrap = 4000;
  static constexpr std::size_t max_atn_values = 50;
  static constexpr std::size_t max_block_depth = 256;
  // The most bytes the repeated blocks of one load may stand for: a few
  // bytes of RE record could otherwise ask for terabytes.
  static constexpr std::uint64_t max_repeated_bytes = 16u << 20;

  ShortText file_name;
  std::vector<std::uint8_t> bytes;
  BoundedReader file;
  bool file_open = false;

  // One byte of look-ahead; not valid once a read ran past the end.
  std::uint8_t current = 0;
  bool current_valid = false;
  std::uint32_t last_number = 0;
  ShortText last_name;

  // W0 to W7: AD extension, environment, section, external, debug
  // information, data, trailer and module end parts.
  std::array<std::uint32_t, 8> part{};

  std::uint32_t bits_per_mau = 8;
  std::uint32_t maus_per_address = 1;
  bool most_significant_first = true;

  std::uint32_t next_address = 0;
  std::uint32_t repeat_count = 0;
  std::uint64_t repeated_bytes = 0;
  bool first_load = false;
  bool data_continues = false;
  bool go_on = true;

  std::uint32_t assigned_value = 0;
  std::uint32_t section_index = 0;
  std::uint32_t header_attribute = 0;

  struct Ati {
    std::uint16_t index = 0;
    std::uint16_t type = 0;
    std::uint16_t attribute = 0;
  } ati;
  struct Atn {
    std::uint16_t name_index = 0;
    std::uint16_t type_index = 0;
    std::uint16_t attribute = 0;
    std::array<std::uint32_t, max_atn_values> values{};
    std::size_t value_count = 0;
    std::uint32_t miscellaneous_count = 0;
  } atn;

  std::uint16_t type_index = 0;
  std::uint16_t type_code = 0;
  std::vector<std::uint8_t> more_bytes;
  std::size_t more_length = 0;

  std::uint8_t block_type = 0;
  std::uint32_t block_length = 0;
  ShortText block_name;
};

Ieee695Module& ieee695_module();
void reset_ieee695_module();

void DEBUG_DLL_NAME_695();
ShortText DEBUG_DLL_FILTER_695();
void DEBUG_DLL_ERROR_695();
void DEBUG_DLL_OPEN_695();
void DEBUG_DLL_LOAD_695();
void DEBUG_DLL_CLOSE_695();
void DEBUG_DLL_DEBUG_695();

}  // namespace vx::loaders
