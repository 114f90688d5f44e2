#include <cstdint>
#include <span>
#include <vector>

#include "foundation/kstring.h"
#include "foundation/status_output.h"
#include "loaders/debug_context.h"
#include "loaders/ieee695_records.h"

// The debug information part (types, functions and blocks with their
// variables, source files and lines) and the external part (public symbols).
namespace vx::loaders::ieee695 {
namespace {

constexpr std::uint8_t ok = ieee695_no_error;
constexpr std::uint8_t invalid_block = ieee695_invalid_debug_block;
constexpr std::uint8_t no_space = ieee695_no_debug_space;
constexpr std::int32_t open_scope_end = -1;
constexpr std::uint16_t stack_space_info = 1;
constexpr std::uint32_t max_file_offset = 0xFFFFFFFF;

Ieee695Module& state() { return ieee695_module(); }

bool is_miscellaneous_announcement(std::uint16_t attribute) { return attribute >= 62 && attribute <= 64; }

std::vector<debug_extra_info_block> stack_space_block(std::uint32_t stack_space) {
  return {{stack_space_info,
           {static_cast<std::uint8_t>(stack_space), static_cast<std::uint8_t>(stack_space >> 8)}}};
}

struct OpenBlock {
  std::uint32_t start = 0;
  // Symbols that take this block's end address as their scope end.
  std::vector<debug_symbol_record*> waiting;
};

struct NestedWalk {
  std::vector<OpenBlock> blocks;
  std::uint32_t scope_start = 0;
  std::uint32_t stack_space = 0;
};

// Stores the symbol of the last ATN at an address; inside a block it waits
// for the block's end.
bool store_symbol(NestedWalk& walk, std::uint32_t address) {
  const Ieee695Module::Atn& atn = state().atn;
  const std::uint16_t attribute = atn.attribute;
  std::vector<debug_extra_info_block> extra;
  if (attribute == 1) extra = stack_space_block(walk.stack_space);
  if (!PUT_DEBUG_SYMBOL(static_cast<std::uint8_t>(attribute), atn.type_index, nullptr,
                        static_cast<std::int32_t>(walk.scope_start), open_scope_end,
                        static_cast<std::int32_t>(address), state().last_name, std::move(extra))) {
    return false;
  }
  debug_symbol_record* symbol = get_last_debug_symbol();
  if (((attribute >= 3 && attribute <= 8) || attribute == 19) &&
      !PUT_DEBUG_ADDRESS(static_cast<std::int32_t>(address), symbol)) {
    return false;
  }
  if (!walk.blocks.empty()) walk.blocks.back().waiting.push_back(symbol);
  return true;
}

std::uint8_t walk_attribute(NestedWalk& walk) {
  if (!read_atn()) return invalid_block;
  const Ieee695Module::Atn& atn = state().atn;
  if (is_miscellaneous_announcement(atn.attribute)) {
    return skip_miscellaneous_records(atn.miscellaneous_count) ? ok : invalid_block;
  }
  if (walk.blocks.empty()) return ok;
  switch (atn.attribute) {
    case 1:
    case 2:
    case 10:
      return store_symbol(walk, atn.values[0]) ? ok : invalid_block;
    case 9:
      if (atn.name_index != 0) return store_symbol(walk, atn.values[0]) ? ok : invalid_block;
      if (debug_symbol_record* last = get_last_debug_symbol()) {
        last->scope_start = static_cast<std::int32_t>(static_cast<std::uint32_t>(last->scope_start) + atn.values[0]);
      }
      return ok;
    default:
      return ok;
  }
}

std::uint8_t walk_assign(NestedWalk& walk) {
  if (!read_assign_of(letter('N'))) return invalid_block;
  const Ieee695Module::Atn& atn = state().atn;
  if (is_miscellaneous_announcement(atn.attribute)) {
    return skip_miscellaneous_records(atn.miscellaneous_count) ? ok : invalid_block;
  }
  return store_symbol(walk, state().assigned_value) ? ok : invalid_block;
}

// A function or nested block: its symbol, then its own scope.
std::uint8_t walk_block_begin(NestedWalk& walk) {
  Ieee695Module& m = state();
  std::uint32_t stack_space = 0;
  std::uint32_t type_index = 0;
  std::uint32_t start = 0;
  if (!read_block_begin() || !read_value(stack_space) || !read_value(type_index) || !read_value(start) ||
      !skip_numbers()) {
    return invalid_block;
  }
  if (walk.blocks.size() == Ieee695Module::max_block_depth) return no_space;
  if (!PUT_DEBUG_SYMBOL(m.block_type, static_cast<std::int32_t>(type_index), nullptr,
                        static_cast<std::int32_t>(walk.scope_start), open_scope_end, static_cast<std::int32_t>(start),
                        m.block_name, stack_space_block(stack_space))) {
    return invalid_block;
  }
  debug_symbol_record* symbol = get_last_debug_symbol();
  if (!PUT_DEBUG_ADDRESS(static_cast<std::int32_t>(start), symbol)) return invalid_block;
  if (!walk.blocks.empty()) walk.blocks.back().waiting.push_back(symbol);
  walk.blocks.push_back({start, {}});
  walk.scope_start = start;
  walk.stack_space = stack_space;
  return ok;
}

std::uint8_t walk_block_end(NestedWalk& walk) {
  std::uint32_t end = 0;
  if (!read_block_end() || !read_value(end)) return invalid_block;
  for (debug_symbol_record* symbol : walk.blocks.back().waiting) symbol->scope_end = static_cast<std::int32_t>(end);
  walk.blocks.pop_back();
  walk.scope_start = walk.blocks.empty() ? 0 : walk.blocks.back().start;
  return ok;
}

// Module scope: ends on its own block end, which stays the current byte.
std::uint8_t walk_nested_blocks() {
  NestedWalk walk;
  for (;;) {
    Ieee695Module& m = state();
    if (!m.current_valid) return invalid_block;
    std::uint8_t code = ok;
    switch (m.current) {
      case attribute:
        code = walk_attribute(walk);
        break;
      case assign:
        code = walk_assign(walk);
        break;
      case local_name:
        code = read_local_name() ? ok : invalid_block;
        break;
      case block_begin:
        code = walk_block_begin(walk);
        break;
      case block_end:
        if (walk.blocks.empty()) return ok;
        code = walk_block_end(walk);
        break;
      default:
        return invalid_block;
    }
    if (code != ok) return code;
  }
}

// A source block or one nested in it: its name is a source file.
std::uint8_t enter_source_block(std::vector<std::int32_t>& files) {
  if (!skip_numbers()) return invalid_block;
  if (files.size() == Ieee695Module::max_block_depth || !PUT_DEBUG_FILE(state().block_name)) return no_space;
  files.push_back(get_debug_file_count());
  return ok;
}

// Source files and their lines; the block that began it is the first level.
std::uint8_t walk_source_lines() {
  std::vector<std::int32_t> files;
  std::uint8_t code = enter_source_block(files);
  while (code == ok && !files.empty()) {
    Ieee695Module& m = state();
    if (!m.current_valid) return invalid_block;
    switch (m.current) {
      case block_begin:
        code = read_block_begin() ? enter_source_block(files) : invalid_block;
        break;
      case attribute:
        code = read_atn() && (!is_miscellaneous_announcement(m.atn.attribute) ||
                              skip_miscellaneous_records(m.atn.miscellaneous_count))
                   ? ok
                   : invalid_block;
        break;
      case local_name:
        code = read_local_name() ? ok : invalid_block;
        break;
      case assign:
        code = read_assign_of(letter('N')) && m.atn.attribute == 7 && m.atn.value_count >= 2 &&
                       PUT_DEBUG_LINE(static_cast<std::int32_t>(m.assigned_value), files.back(),
                                      static_cast<std::int32_t>(m.atn.values[0]))
                   ? ok
                   : invalid_block;
        break;
      case block_end:
        advance();
        files.pop_back();
        break;
      default:
        return invalid_block;
    }
  }
  return code;
}

std::uint8_t read_type_definitions() {
  Ieee695Module& m = state();
  while (!current_is(block_end)) {
    if (!read_local_name() || !read_type()) return invalid_block;
    if (!PUT_DEBUG_TYPE(m.last_name, m.type_index, m.type_code,
                        std::span<const std::uint8_t>(m.more_bytes.data(), m.more_length))) {
      return no_space;
    }
  }
  advance();
  return ok;
}

// An assembler module: to the next block when its length is known, else
// past its nested blocks. Either way the reading only moves forward.
std::uint8_t skip_assembler_block(std::uint32_t begin, std::uint64_t next_block) {
  Ieee695Module& m = state();
  if (m.block_length != 0) {
    if (next_block <= begin || next_block > max_file_offset) return invalid_block;
    seek(static_cast<std::uint32_t>(next_block));
    return m.current_valid ? ok : invalid_block;
  }
  for (std::uint32_t depth = 1; m.current_valid;) {
    if (m.current == block_begin) ++depth;
    if (m.current == block_end) --depth;
    advance();
    if (depth == 0) return ok;
  }
  return invalid_block;
}

// Stores the pending public symbol, or makes one pending.
void after_external_record(bool& pending, bool opens_symbol, bool& store_failed) {
  Ieee695Module& m = state();
  if (!pending) {
    pending = opens_symbol;
    return;
  }
  pending = false;
  const auto value = static_cast<std::int32_t>(m.assigned_value);
  if (!PUT_DEBUG_SYMBOL(static_cast<std::uint8_t>(m.ati.attribute), m.ati.type, nullptr, 0, open_scope_end, value,
                        m.last_name)) {
    store_failed = true;
    return;
  }
  if ((m.ati.attribute == 8 || m.ati.attribute == 19) && !PUT_DEBUG_ADDRESS(value, get_last_debug_symbol())) {
    store_failed = true;
  }
}

enum class RecordResult { read, failed, part_ends };

RecordResult read_external_attribute(bool& opens_symbol) {
  Ieee695Module& m = state();
  advance();
  opens_symbol = current_is(letter('I'));
  if (opens_symbol) return read_ati_fields() ? RecordResult::read : RecordResult::failed;
  if (current_is(letter('N'))) {
    const bool read = read_atn_fields() && (!is_miscellaneous_announcement(m.atn.attribute) ||
                                            skip_miscellaneous_records(m.atn.miscellaneous_count));
    return read ? RecordResult::read : RecordResult::failed;
  }
  if (current_is(letter('X'))) {
    advance();
    return skip_numbers() ? RecordResult::read : RecordResult::failed;
  }
  return RecordResult::part_ends;
}

RecordResult read_external_assign(bool& opens_symbol) {
  advance();
  opens_symbol = current_is(letter('I'));
  if (!opens_symbol && !current_is(letter('N'))) return RecordResult::part_ends;
  const std::uint8_t kind = state().current;
  advance();
  return read_assign_value(kind) ? RecordResult::read : RecordResult::failed;
}

bool begins_another_part() {
  for (std::uint32_t pointer : state().part) {
    if (pointer == current_offset()) return true;
  }
  return false;
}

}  // namespace

std::uint8_t read_debug_section() {
  Ieee695Module& m = state();
  if (!m.file_open) return ok;
  m.go_on = true;
  seek(m.part[4]);
  std::uint64_t next_block = m.part[4];
  while (current_is(block_begin)) {
    const std::uint32_t begin = current_offset();
    if (!read_block_begin()) return invalid_block;
    next_block += m.block_length;
    std::uint8_t code = ok;
    switch (m.block_type) {
      case 1:
      case 2:
        code = read_type_definitions();
        break;
      case 3:
        code = walk_nested_blocks();
        advance();
        break;
      case 5:
        code = walk_source_lines();
        break;
      case 10:
        code = skip_assembler_block(begin, next_block);
        break;
      default:
        code = invalid_block;
        break;
    }
    if (code != ok) return code;
  }
  return ok;
}

std::uint8_t read_externals_section() {
  Ieee695Module& m = state();
  if (!m.file_open) return ok;
  seek(m.part[3]);
  bool pending = false;
  bool store_failed = false;
  while (m.current_valid) {
    bool opens_symbol = false;
    RecordResult result = RecordResult::read;
    switch (m.current) {
      case public_name:
        result = read_public_name() ? RecordResult::read : RecordResult::failed;
        pending = false;
        break;
      case attribute:
        result = read_external_attribute(opens_symbol);
        if (result == RecordResult::read) after_external_record(pending, opens_symbol, store_failed);
        break;
      case assign:
        result = read_external_assign(opens_symbol);
        if (result == RecordResult::read) after_external_record(pending, opens_symbol, store_failed);
        break;
      case external_name:
        result = read_external_name() ? RecordResult::read : RecordResult::failed;
        break;
      case local_name:
        result = read_local_name() ? RecordResult::read : RecordResult::failed;
        break;
      case weak_external:
        advance();
        result = skip_numbers() ? RecordResult::read : RecordResult::failed;
        break;
      default:
        if (begins_another_part()) {
          result = RecordResult::part_ends;
          break;
        }
        WRITELN_TO_DEBUG("External Section Error - Unknown Character Detected($" + hex_byte(m.current) + ").");
        result = RecordResult::failed;
        break;
    }
    if (result == RecordResult::failed) return invalid_block;
    if (result == RecordResult::part_ends) break;
  }
  return store_failed ? no_space : ok;
}

}  // namespace vx::loaders::ieee695
