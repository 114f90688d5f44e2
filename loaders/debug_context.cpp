#include "loaders/debug_context.h"

#include <algorithm>

namespace vx::loaders {
namespace {

// Nothing selects another context: context 1 is always in force.
constexpr std::uint8_t context_in_force = 1;

struct DebugContexts {
  std::unique_ptr<LoaderContext> first = std::make_unique<LoaderContext>();
};

DebugContexts contexts;

ModuleInterface& module() { return current_debug_context().module; }

}  // namespace

std::uint8_t get_debug_context() { return context_in_force; }

LoaderContext& current_debug_context() { return *contexts.first; }

void reset_debug_contexts(ObjectOrder order) { contexts.first = std::make_unique<LoaderContext>(order); }

bool PUT_OBJECT_RECORD(std::int32_t address, std::uint16_t length, const std::uint8_t* data) {
  return current_debug_context().objects.put(address, length, data);
}

bool PUT_DEBUG_TYPE(const ShortText& name, std::int32_t number, std::int32_t type_code,
                    std::span<const std::uint8_t> more_bytes) {
  return get_debug_database().put_type(name, number, type_code, more_bytes);
}

bool PUT_DEBUG_TYPE_EX(const ShortText& name, std::int32_t number, std::int32_t type_code,
                       const array_dyn_lw_array& member_lists, const dyn_bool_array& flag_list,
                       const dyn_lw_array& member_type_list, std::int32_t extra_value_c, std::int32_t extra_value_b,
                       std::int32_t extra_value_a, const string_list& name_list, const dyn_lw_array& value_list,
                       std::int32_t reference_value, std::span<const std::uint8_t> more_bytes) {
  return get_debug_database().put_type_ex(name, number, type_code, member_lists, flag_list, member_type_list,
                                          extra_value_c, extra_value_b, extra_value_a, name_list, value_list,
                                          reference_value, more_bytes);
}

bool PUT_DEBUG_FILE(const ShortText& name) { return get_debug_database().put_file(name); }

bool PUT_DEBUG_LINE(std::int32_t address, std::int32_t file, std::int32_t line) {
  return get_debug_database().put_line(address, file, line);
}

bool PUT_DEBUG_SYMBOL(std::uint8_t attribute, std::int32_t type, std::unique_ptr<debug_more_record> more,
                      std::int32_t scope_start, std::int32_t scope_end, std::int32_t address, const ShortText& name,
                      std::vector<debug_extra_info_block> extra_info) {
  return get_debug_database().put_symbol(attribute, type, std::move(more), scope_start, scope_end, address, name,
                                         std::move(extra_info));
}

bool PUT_DEBUG_ADDRESS(std::int32_t address, debug_symbol_record* symbol) {
  return get_debug_database().put_address(address, symbol);
}

ObjectRecordStore& get_object_record_list() { return current_debug_context().objects; }

std::int32_t get_stored_object_byte_total() { return get_object_record_list().byte_total(); }

void rewind_object_records() { get_object_record_list().rewind(); }

bool next_object_record(std::int32_t& address, std::uint16_t& length, std::span<std::uint8_t> bytes) {
  return get_object_record_list().next(address, length, bytes);
}

void clear_object_records() { get_object_record_list().clear(); }

DebugDatabase& get_debug_database() { return current_debug_context().debug; }

debug_symbol_record* get_last_debug_symbol() { return get_debug_database().last_symbol(); }

std::int32_t get_debug_file_count() { return get_debug_database().file_count(); }

void clear_debug_database() { get_debug_database().clear(); }

void build_line_tree() { get_debug_database().lines().build_tree(); }
void build_symbol_tree() { get_debug_database().symbols().build_tree(); }
void build_address_tree() { get_debug_database().addresses().build_tree(); }
void flatten_line_tree() { get_debug_database().lines().flatten_tree(); }
void flatten_symbol_tree() { get_debug_database().symbols().flatten_tree(); }
void flatten_address_tree() { get_debug_database().addresses().flatten_tree(); }

void set_debug_dll_name(const ShortText& name) { module().module_name = name; }
std::uint8_t get_debug_dll_error() { return module().error_code; }
void set_debug_dll_error(std::uint8_t code) {
  module().error_code = code;
  module().error_shown = false;
}
ShortText get_debug_dll_error_text() { return module().error_text; }
void set_debug_dll_error_text(const ShortText& text) { module().error_text = text; }
ShortText get_load_file_name() { return module().load_file_name; }
std::int32_t get_block_address() { return module().block_address; }
void set_block_address(std::int32_t address) { module().block_address = address; }
std::uint16_t get_block_length() { return module().block_length; }

void set_block_length(std::uint16_t length) { module().block_length = std::min<std::uint16_t>(length, block_capacity); }

void get_block_data(std::span<std::uint8_t, block_capacity> bytes) {
  std::copy(module().block_data.begin(), module().block_data.end(), bytes.begin());
}

void set_block_data(std::span<const std::uint8_t, block_capacity> bytes) {
  std::copy(bytes.begin(), bytes.end(), module().block_data.begin());
}

std::uint8_t get_object_file_format() { return module().object_file_format; }

std::uint8_t get_debug_compiler_kind() { return current_debug_context().compiler_kind; }

void set_debug_compiler_kind(std::uint8_t kind) { current_debug_context().compiler_kind = kind; }

bool get_skip_srecord_checksum() { return current_debug_context().skip_srecord_checksum; }

std::uint8_t get_small_pointer_size() { return small_pointer_size; }

std::uint8_t get_large_pointer_size() { return large_pointer_size; }

}  // namespace vx::loaders
