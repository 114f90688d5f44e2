#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "foundation/short_text.h"
#include "loaders/debug_database.h"
#include "loaders/object_record_store.h"

// The loading state of one debug context: the format modules' interface,
// the object records and the debug database. Every routine below works on
// the context in force, which is always context 1.
namespace vx::loaders {

inline constexpr std::size_t block_capacity = 256;

// What the load driver and a format module exchange; the modules' entry
// points take no arguments.
struct ModuleInterface {
  ShortText module_name;
  std::uint8_t error_code = 0;
  ShortText error_text;
  ShortText load_file_name;
  // The load wants object bytes only: debug information a module cannot read need not stop it.
  bool object_bytes_only = false;
  // The module wrote its error text as a status line itself.
  bool error_shown = false;
  std::int32_t block_address = 0;
  std::uint16_t block_length = 0;
  std::array<std::uint8_t, block_capacity> block_data{};
  // The module that accepted the file tested last.
  std::uint8_t object_file_format = 1;
  // What the last load stored.
  std::int32_t object_record_count = 0;
  std::int32_t object_byte_count = 0;
  ShortText joined_filter;
};

struct LoaderContext {
  explicit LoaderContext(ObjectOrder order = ObjectOrder::address_order,
                         std::size_t file_table_size = DebugDatabase::default_file_table_size)
      : objects(order), debug(file_table_size) {}

  ModuleInterface module;
  ObjectRecordStore objects;
  DebugDatabase debug;
  // The load traces and dumps; off until a caller switches them on.
  bool load_trace = false;
  // Which compiler wrote the debug information, as far as a reader needs to
  // know: 0 unknown, 1 ICC6812/A6812 producers, 2 the PPC EABI compiler.
  std::uint8_t compiler_kind = 0;
  // The firmware updater's readers leave record checksums unchecked; nothing
  // in the programs switches the test on.
  bool skip_srecord_checksum = true;
};

// Bytes of a small and of a large pointer, for the debug readers.
inline constexpr std::uint8_t small_pointer_size = 2;
inline constexpr std::uint8_t large_pointer_size = 4;

std::uint8_t get_debug_context();
LoaderContext& current_debug_context();
// Back to an empty context 1 with its start values, its object records kept in the given order.
void reset_debug_contexts(ObjectOrder order = ObjectOrder::address_order);

// Store operations.
bool PUT_OBJECT_RECORD(std::int32_t address, std::uint16_t length, const std::uint8_t* data);
bool PUT_DEBUG_TYPE(const ShortText& name, std::int32_t number, std::int32_t type_code,
                    std::span<const std::uint8_t> more_bytes);
bool PUT_DEBUG_TYPE_EX(const ShortText& name, std::int32_t number, std::int32_t type_code,
                       const array_dyn_lw_array& member_lists, const dyn_bool_array& flag_list,
                       const dyn_lw_array& member_type_list, std::int32_t extra_value_c, std::int32_t extra_value_b,
                       std::int32_t extra_value_a, const string_list& name_list, const dyn_lw_array& value_list,
                       std::int32_t reference_value, std::span<const std::uint8_t> more_bytes);
bool PUT_DEBUG_FILE(const ShortText& name);
bool PUT_DEBUG_LINE(std::int32_t address, std::int32_t file, std::int32_t line);
bool PUT_DEBUG_SYMBOL(std::uint8_t attribute, std::int32_t type, std::unique_ptr<debug_more_record> more,
                      std::int32_t scope_start, std::int32_t scope_end, std::int32_t address, const ShortText& name,
                      std::vector<debug_extra_info_block> extra_info = {});
bool PUT_DEBUG_ADDRESS(std::int32_t address, debug_symbol_record* symbol);

// Object records.
ObjectRecordStore& get_object_record_list();
std::int32_t get_stored_object_byte_total();
void rewind_object_records();
// `bytes` takes as many of the record's bytes as it holds.
bool next_object_record(std::int32_t& address, std::uint16_t& length, std::span<std::uint8_t> bytes);
void clear_object_records();

// Debug database.
DebugDatabase& get_debug_database();
debug_symbol_record* get_last_debug_symbol();
std::int32_t get_debug_file_count();
void clear_debug_database();
void build_line_tree();
void build_symbol_tree();
void build_address_tree();
void flatten_line_tree();
void flatten_symbol_tree();
void flatten_address_tree();

// The module interface.
void set_debug_dll_name(const ShortText& name);
std::uint8_t get_debug_dll_error();
void set_debug_dll_error(std::uint8_t code);
ShortText get_debug_dll_error_text();
void set_debug_dll_error_text(const ShortText& text);
ShortText get_load_file_name();
std::int32_t get_block_address();
void set_block_address(std::int32_t address);
std::uint16_t get_block_length();
// At most the block's 256 bytes.
void set_block_length(std::uint16_t length);
// Copy the whole 256-byte area.
void get_block_data(std::span<std::uint8_t, block_capacity> bytes);
void set_block_data(std::span<const std::uint8_t, block_capacity> bytes);
std::uint8_t get_object_file_format();
std::uint8_t get_debug_compiler_kind();
void set_debug_compiler_kind(std::uint8_t kind);
bool get_skip_srecord_checksum();
std::uint8_t get_small_pointer_size();
std::uint8_t get_large_pointer_size();

}  // namespace vx::loaders
