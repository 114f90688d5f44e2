#include "loaders/debug_database.h"

#include <algorithm>
#include <new>

#include "foundation/loader_trace.h"
#include "foundation/status_output.h"

namespace vx::loaders {
namespace {

constexpr std::int32_t code_enumeration = 'N';
constexpr std::int32_t code_array = 'Z';
constexpr std::int32_t code_structure = 'S';
constexpr std::int32_t code_union = 'U';
constexpr std::int32_t code_small_pointer = 'O';
constexpr std::int32_t code_large_pointer = 'P';
constexpr std::int32_t code_qualifier = 'n';
constexpr std::int32_t code_type_name = 'T';

bool unsigned_less(const debug_line_record& a, const debug_line_record& b) {
  return static_cast<std::uint32_t>(a.address) < static_cast<std::uint32_t>(b.address);
}

bool signed_less(const debug_address_record& a, const debug_address_record& b) { return a.address < b.address; }

void release_symbol_chain(debug_symbol_record* member) {
  while (member != nullptr) {
    debug_symbol_record* next = member->same_name_next;
    delete member;
    member = next;
  }
}

// The extended fields a type code keeps; all others stay zero or empty.
void fill_extended(debug_more_record& more, std::int32_t type_code, const array_dyn_lw_array& member_lists,
                   const dyn_bool_array& flag_list, const dyn_lw_array& member_type_list, std::int32_t extra_value_c,
                   std::int32_t extra_value_b, std::int32_t extra_value_a, const string_list& name_list,
                   const dyn_lw_array& value_list, std::int32_t reference_value) {
  more.extra_value_b = extra_value_b;
  switch (type_code) {
    case code_enumeration:
      more.value_list = value_list;
      more.name_list = name_list;
      break;
    case code_array:
      more.extra_value_a = extra_value_a;
      more.member_type_list = member_type_list;
      more.flag_list = flag_list;
      more.name_list = name_list;
      more.extra_value_c = extra_value_c;
      break;
    case code_structure:
      more.name_list = name_list;
      more.member_type_list = member_type_list;
      more.member_lists = member_lists;
      break;
    case code_union:
      more.name_list = name_list;
      more.member_type_list = member_type_list;
      break;
    case code_small_pointer:
    case code_large_pointer:
      more.reference_value = reference_value;
      break;
    case code_qualifier:
    case code_type_name:
      more.reference_value = reference_value;
      more.extra_value_b = 0;
      break;
    default:
      break;
  }
}

}  // namespace

bool DebugDatabase::may_allocate(const char* failure_text) {
  if (record_count_ < record_limit_) return true;
  debugtext_line(failure_text);
  return false;
}

bool DebugDatabase::store_type(std::unique_ptr<debug_type_record> type) {
  try {
    types_.push_back(std::move(type));
  } catch (const std::bad_alloc&) {
    debugtext_line("Error - During Memory Allocation of debug_type_new.");
    return false;
  }
  ++record_count_;
  return true;
}

bool DebugDatabase::put_type(const ShortText& name, std::int32_t number, std::int32_t type_code,
                             std::span<const std::uint8_t> more_bytes) {
  if (!may_allocate("Error - During Memory Allocation of debug_type_new.")) return false;
  try {
    auto type = std::make_unique<debug_type_record>();
    type->more = std::make_unique<debug_more_record>();
    type->number = number;
    type->type_code = type_code;
    type->name = name;
    type->more->more_length = static_cast<std::uint16_t>(more_bytes.size());
    type->more->raw.assign(more_bytes.begin(), more_bytes.end());
    return store_type(std::move(type));
  } catch (const std::bad_alloc&) {
    debugtext_line("Error - During Memory Allocation of debug_more_new.");
    return false;
  }
}

bool DebugDatabase::put_type_ex(const ShortText& name, std::int32_t number, std::int32_t type_code,
                                const array_dyn_lw_array& member_lists, const dyn_bool_array& flag_list,
                                const dyn_lw_array& member_type_list, std::int32_t extra_value_c,
                                std::int32_t extra_value_b, std::int32_t extra_value_a, const string_list& name_list,
                                const dyn_lw_array& value_list, std::int32_t reference_value,
                                std::span<const std::uint8_t> more_bytes) {
  if (!may_allocate("Error - During Memory Allocation of debug_type_new.")) return false;
  try {
    auto type = std::make_unique<debug_type_record>();
    type->more = std::make_unique<debug_more_record>();
    type->number = number;
    type->type_code = type_code;
    type->name = name;
    debug_more_record& more = *type->more;
    more.extended = true;
    // The raw area is fixed; writers pass no more than it holds.
    const std::size_t kept = std::min(more_bytes.size(), debug_more_record::extended_raw_size);
    more.more_length = static_cast<std::uint16_t>(kept);
    more.raw.assign(debug_more_record::extended_raw_size, 0);
    std::copy_n(more_bytes.begin(), kept, more.raw.begin());
    fill_extended(more, type_code, member_lists, flag_list, member_type_list, extra_value_c, extra_value_b,
                  extra_value_a, name_list, value_list, reference_value);
    return store_type(std::move(type));
  } catch (const std::bad_alloc&) {
    WRITELN_TO_DEBUG("ERROR - Out of Memory");
    return false;
  }
}

bool DebugDatabase::put_file(const ShortText& name) {
  if (files_.size() >= file_table_size_) return false;
  if (!may_allocate("Error during debug_file_new memory allocation.")) return false;
  ShortText stored = name;
  for (std::size_t i = 0; i < stored.size(); ++i) {
    if (stored[i] == '/') stored[i] = '\\';
  }
  try {
    files_.push_back(stored);
  } catch (const std::bad_alloc&) {
    debugtext_line("Error during debug_file_new memory allocation.");
    return false;
  }
  ++record_count_;
  return true;
}

bool DebugDatabase::put_line(std::int32_t address, std::int32_t file, std::int32_t line) {
  if (!may_allocate("Error during debug_line_new memory allocation.")) return false;
  auto* record = new (std::nothrow) debug_line_record{};
  if (record == nullptr) {
    debugtext_line("Error during debug_line_new memory allocation.");
    return false;
  }
  record->address = address;
  record->file = file;
  record->line = line;
  lines_.insert_from_cursor(record, unsigned_less);
  ++record_count_;
  return true;
}

bool DebugDatabase::put_symbol(std::uint8_t attribute, std::int32_t type, std::unique_ptr<debug_more_record> more,
                               std::int32_t scope_start, std::int32_t scope_end, std::int32_t address,
                               const ShortText& name, std::vector<debug_extra_info_block> extra_info) {
  if (!may_allocate("Error during debug_symbol_new memory allocation.")) return false;
  auto* symbol = new (std::nothrow) debug_symbol_record{};
  if (symbol == nullptr) {
    debugtext_line("Error during debug_symbol_new memory allocation.");
    return false;
  }
  symbol->attribute = attribute;
  symbol->type = type;
  symbol->more = std::move(more);
  symbol->scope_start = scope_start;
  symbol->scope_end = scope_end;
  symbol->address = address;
  symbol->extra_info = std::move(extra_info);
  symbol->name = name;
  last_symbol_ = symbol;
  ++record_count_;

  DebugList<debug_symbol_record>& list = symbols_;
  list.flatten_tree();
  if (list.head == nullptr) {
    list.head = list.tail = list.cursor = symbol;
    return true;
  }
  const std::string_view new_name = symbol->name.view();
  debug_symbol_record* at = list.cursor;
  if (new_name < at->name.view()) {
    while (at != nullptr && new_name < at->name.view()) at = at->previous;
    if (at == nullptr) {
      list.push_front(symbol);
    } else if (at->name.view() != new_name) {
      list.insert_after(at, symbol);
    } else {
      insert_same_name(at, symbol);
      return true;
    }
  } else {
    while (at != nullptr && new_name > at->name.view()) at = at->next;
    if (at == nullptr) {
      list.push_back(symbol);
    } else if (at->name.view() != new_name) {
      list.insert_before(at, symbol);
    } else {
      insert_same_name(at, symbol);
      return true;
    }
  }
  list.cursor = symbol;
  return true;
}

// The chain's first member is the one in the name list; a symbol with a
// smaller scope length than it takes its place there.
void DebugDatabase::insert_same_name(debug_symbol_record* member, debug_symbol_record* symbol) {
  DebugList<debug_symbol_record>& list = symbols_;
  debug_symbol_record* before = nullptr;
  debug_symbol_record* at = member;
  while (at != nullptr && at->scope_length() <= symbol->scope_length()) {
    before = at;
    at = at->same_name_next;
  }
  if (at == member) {
    symbol->previous = member->previous;
    symbol->next = member->next;
    if (member->previous != nullptr) {
      member->previous->next = symbol;
    } else {
      list.head = symbol;
    }
    if (member->next != nullptr) {
      member->next->previous = symbol;
    } else {
      list.tail = symbol;
    }
    member->previous = member->next = nullptr;
    symbol->same_name_next = member;
    list.cursor = symbol;
    return;
  }
  before->same_name_next = symbol;
  symbol->same_name_next = at;
  list.cursor = member;
}

bool DebugDatabase::put_address(std::int32_t address, debug_symbol_record* symbol) {
  if (!may_allocate("Error during debug_address_new memory allocation.")) return false;
  auto* record = new (std::nothrow) debug_address_record{};
  if (record == nullptr) {
    debugtext_line("Error during debug_address_new memory allocation.");
    return false;
  }
  record->address = address;
  record->symbol = symbol;
  addresses_.insert_from_cursor(record, signed_less);
  ++record_count_;
  return true;
}

void DebugDatabase::clear() {
  files_.clear();
  types_.clear();
  lines_.release_all([](debug_line_record* record) { delete record; });
  symbols_.release_all(release_symbol_chain);
  addresses_.release_all([](debug_address_record* record) { delete record; });
  last_symbol_ = nullptr;
  record_count_ = 0;
}

void DebugDatabase::build_trees() {
  lines_.build_tree();
  symbols_.build_tree();
  addresses_.build_tree();
}

}  // namespace vx::loaders
