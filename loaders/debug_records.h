#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/short_text.h"

namespace vx::loaders {

using dyn_lw_array = std::vector<std::uint32_t>;
using dyn_bool_array = std::vector<bool>;
using array_dyn_lw_array = std::vector<dyn_lw_array>;
using string_list = std::vector<std::string>;

// The more data of a type or symbol. A plain record holds exactly its raw
// bytes; an extended one holds a fixed raw area and the member lists.
struct debug_more_record {
  static constexpr std::size_t extended_raw_size = 4096;

  std::uint16_t more_length = 0;
  std::uint8_t zero = 0;
  std::int32_t reference_value = 0;
  dyn_lw_array value_list;
  std::optional<string_list> name_list;
  std::int32_t extra_value_a = 0;
  std::int32_t extra_value_b = 0;
  std::int32_t extra_value_c = 0;
  dyn_lw_array member_type_list;
  dyn_bool_array flag_list;
  array_dyn_lw_array member_lists;
  bool extended = false;
  std::vector<std::uint8_t> raw;
};

struct debug_type_record {
  std::int32_t number = 0;
  std::int32_t type_code = 0;
  std::unique_ptr<debug_more_record> more;
  ShortText name;
};

struct debug_line_record {
  std::int32_t file = 0;
  std::int32_t line = 0;
  // Lower and higher neighbour; left and right subtree in tree form.
  debug_line_record* previous = nullptr;
  debug_line_record* next = nullptr;
  std::int32_t address = 0;
};

// One block of a symbol's extra information, kept as its writer made it.
struct debug_extra_info_block {
  std::uint16_t type = 0;
  std::vector<std::uint8_t> bytes;
};

struct debug_symbol_record {
  std::uint8_t attribute = 0;
  std::int32_t type = 0;
  std::unique_ptr<debug_more_record> more;
  std::int32_t scope_start = 0;
  std::int32_t scope_end = 0;
  std::int32_t address = 0;
  std::vector<debug_extra_info_block> extra_info;
  // Neighbours in name order (subtrees in tree form), and the next symbol of
  // the same name by ascending scope length.
  debug_symbol_record* previous = nullptr;
  debug_symbol_record* same_name_next = nullptr;
  debug_symbol_record* next = nullptr;
  ShortText name;

  // Wraps like the 32-bit arithmetic it stands for.
  std::int32_t scope_length() const {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(scope_end) - static_cast<std::uint32_t>(scope_start));
  }
};

struct debug_address_record {
  std::int32_t address = 0;
  debug_address_record* previous = nullptr;
  debug_address_record* next = nullptr;
  debug_symbol_record* symbol = nullptr;
};

}  // namespace vx::loaders
