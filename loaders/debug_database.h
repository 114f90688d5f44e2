#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <vector>

#include "foundation/short_text.h"
#include "loaders/debug_list.h"
#include "loaders/debug_records.h"

namespace vx::loaders {

// The debug information of one loading context: types in arrival order,
// the source-file table, and lines, symbols and the symbols' address index
// in ascending order. Every put answers false, and stores nothing, when it
// cannot allocate.
class DebugDatabase {
 public:
  static constexpr std::size_t default_file_table_size = 20'000;

  explicit DebugDatabase(std::size_t file_table_size = default_file_table_size) : file_table_size_(file_table_size) {}
  ~DebugDatabase() { clear(); }
  DebugDatabase(const DebugDatabase&) = delete;
  DebugDatabase& operator=(const DebugDatabase&) = delete;

  bool put_type(const ShortText& name, std::int32_t number, std::int32_t type_code,
                std::span<const std::uint8_t> more_bytes);
  bool put_type_ex(const ShortText& name, std::int32_t number, std::int32_t type_code,
                   const array_dyn_lw_array& member_lists, const dyn_bool_array& flag_list,
                   const dyn_lw_array& member_type_list, std::int32_t extra_value_c, std::int32_t extra_value_b,
                   std::int32_t extra_value_a, const string_list& name_list, const dyn_lw_array& value_list,
                   std::int32_t reference_value, std::span<const std::uint8_t> more_bytes);
  // '/' becomes '\'; false once the table is full.
  bool put_file(const ShortText& name);
  // Addresses compare unsigned.
  bool put_line(std::int32_t address, std::int32_t file, std::int32_t line);
  // In name order; symbols of one name chain up by ascending scope length.
  bool put_symbol(std::uint8_t attribute, std::int32_t type, std::unique_ptr<debug_more_record> more,
                  std::int32_t scope_start, std::int32_t scope_end, std::int32_t address, const ShortText& name,
                  std::vector<debug_extra_info_block> extra_info);
  // Addresses compare signed.
  bool put_address(std::int32_t address, debug_symbol_record* symbol);

  // Frees everything; the last stored symbol is forgotten as well.
  void clear();
  void build_trees();

  const std::vector<std::unique_ptr<debug_type_record>>& types() const { return types_; }
  // Entry n - 1 names source file n.
  const std::vector<ShortText>& files() const { return files_; }
  std::int32_t file_count() const { return static_cast<std::int32_t>(files_.size()); }
  DebugList<debug_line_record>& lines() { return lines_; }
  DebugList<debug_symbol_record>& symbols() { return symbols_; }
  DebugList<debug_address_record>& addresses() { return addresses_; }
  const DebugList<debug_line_record>& lines() const { return lines_; }
  const DebugList<debug_symbol_record>& symbols() const { return symbols_; }
  const DebugList<debug_address_record>& addresses() const { return addresses_; }
  debug_symbol_record* last_symbol() const { return last_symbol_; }

  // The most records (of all kinds) the database will hold; a test stands in
  // for exhausted memory with it.
  void set_record_limit(std::size_t limit) { record_limit_ = limit; }

 private:
  bool may_allocate(const char* failure_text);
  bool store_type(std::unique_ptr<debug_type_record> type);
  void insert_same_name(debug_symbol_record* member, debug_symbol_record* symbol);

  std::size_t file_table_size_;
  std::vector<std::unique_ptr<debug_type_record>> types_;
  std::vector<ShortText> files_;
  DebugList<debug_line_record> lines_;
  DebugList<debug_symbol_record> symbols_;
  DebugList<debug_address_record> addresses_;
  debug_symbol_record* last_symbol_ = nullptr;
  std::size_t record_count_ = 0;
  std::size_t record_limit_ = std::numeric_limits<std::size_t>::max();
};

}  // namespace vx::loaders
