#include "loaders/imagecraft_debug.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <utility>

#include "foundation/file_names.h"
#include "foundation/kstring.h"
#include "loaders/bounded_reader.h"
#include "loaders/debug_context.h"
#include "loaders/dll_imagecraft.h"

namespace vx::loaders::imagecraft {
namespace {

constexpr std::uint8_t function_attribute = 4;
constexpr std::uint8_t global_attribute = 8;
constexpr std::uint8_t local_stack_attribute = 98;
constexpr std::int32_t procedure = 88;

constexpr std::array<std::pair<std::string_view, Keyword>, 16> keywords{{
    {"DIR", Keyword::dir},
    {"FILE", Keyword::file},
    {"START", Keyword::start},
    {"FUNC", Keyword::func},
    {"FUNCEND", Keyword::funcend},
    {"BLOCK", Keyword::block},
    {"BLOCKEND", Keyword::blockend},
    {"LINE", Keyword::line},
    {"DEFGLOBAL", Keyword::defglobal},
    {"DEFSTATIC", Keyword::defstatic},
    {"DEFLOCAL", Keyword::deflocal},
    {"STRUCT", Keyword::structure},
    {"UNION", Keyword::union_type},
    {"FIELD", Keyword::field},
    {"STRUCTEND", Keyword::structend},
    {"UNIONEND", Keyword::unionend},
}};

DebugLine split_line(std::string_view text) {
  DebugLine line;
  for (std::size_t blank = text.find(' '); blank != std::string_view::npos; blank = text.find(' ')) {
    line.words.push_back(text.substr(0, blank));
    text.remove_prefix(blank + 1);
  }
  line.words.push_back(text);
  for (const auto& [word, keyword] : keywords) {
    if (line.words.front() == word) line.keyword = keyword;
  }
  return line;
}

std::vector<DebugLine> non_blank_lines(std::string_view text) {
  std::vector<DebugLine> lines;
  LineReader reader(text);
  std::string_view raw;
  while (reader.next(raw)) {
    const std::string_view line = trim_debug_line(raw);
    if (!line.empty()) lines.push_back(split_line(line));
  }
  return lines;
}

bool sets_address(Keyword keyword) {
  return keyword == Keyword::block || keyword == Keyword::blockend || keyword == Keyword::line;
}

// Lines before the first FILE line belong to no file and widen nothing.
void widen_scope(DebugReading& reading, std::uint32_t address) {
  if (!reading.scope) return;
  FileScope& scope = reading.current_scope();
  if (address == 0) {
    scope.zero_address = true;
    scope.lowest = 0;
  } else if (scope.lowest == 0 && scope.highest == 0 && !scope.zero_address) {
    scope.lowest = address;
    scope.highest = address;
  } else if (address < scope.lowest) {
    scope.lowest = address;
  } else if (address > scope.highest) {
    scope.highest = address;
  }
}

void enter_directory(DebugReading& reading, const DebugLine& line) {
  reading.directory = std::string(line.word(2));
}

std::string full_file_name(DebugReading& reading, const DebugLine& line) {
  if (!reading.directory) reading.directory = reading.own_directory;
  return file_names::join_directory(*reading.directory, line.word(2));
}

void find_file_scope(DebugReading& reading, const DebugLine& line) {
  const auto known = reading.scope_by_name.find(full_file_name(reading, line));
  if (known != reading.scope_by_name.end()) reading.scope = known->second;
}

// The file's scope, new ones stored as source files.
bool enter_file_scope(DebugReading& reading, const DebugLine& line) {
  const std::string name = full_file_name(reading, line);
  if (const auto known = reading.scope_by_name.find(name); known != reading.scope_by_name.end()) {
    reading.scope = known->second;
    return true;
  }
  if (!PUT_DEBUG_FILE(ShortText(name))) return false;
  FileScope scope;
  scope.name = name;
  scope.file_index = get_debug_file_count();
  reading.scopes.push_back(std::move(scope));
  reading.scope = reading.scopes.size() - 1;
  reading.scope_by_name.emplace(name, *reading.scope);
  return true;
}

// Source files, their address ranges and the types defined outside functions.
bool read_files_and_ranges(DebugReading& reading) {
  bool inside_function = false;
  for (std::size_t i = 0; i < reading.lines.size(); ++i) {
    const DebugLine& line = reading.lines[i];
    switch (line.keyword) {
      case Keyword::dir:
        enter_directory(reading, line);
        break;
      case Keyword::file:
        if (!enter_file_scope(reading, line)) return false;
        break;
      case Keyword::func:
      case Keyword::block:
      case Keyword::blockend:
      case Keyword::line:
        widen_scope(reading, hex_word(line.word(3)));
        inside_function = inside_function || line.keyword == Keyword::func;
        break;
      case Keyword::funcend:
        widen_scope(reading, hex_word(line.word(2)));
        inside_function = false;
        break;
      case Keyword::structure:
      case Keyword::union_type:
        if (!inside_function) read_type_definition(reading, i, reading.current_scope().types);
        break;
      default:
        break;
    }
  }
  return true;
}

// A function's lines run to its FUNCEND; a FUNC line before it ends them
// too, so that a missing FUNCEND costs no second look at the rest of the file.
bool ends_function(Keyword keyword) { return keyword == Keyword::funcend || keyword == Keyword::func; }

void store_function(DebugReading& reading) {
  const FileScope& scope = reading.current_scope();
  const CurrentFunction& function = reading.function;
  const auto start = static_cast<std::int32_t>(function.start);
  PUT_DEBUG_SYMBOL(function_attribute, procedure, nullptr, static_cast<std::int32_t>(scope.lowest),
                   static_cast<std::int32_t>(scope.highest), start, ShortText(function.name));
  PUT_DEBUG_ADDRESS(start, get_last_debug_symbol());
}

void begin_function(DebugReading& reading, std::size_t first) {
  CurrentFunction& function = reading.function;
  const DebugLine& head = reading.lines[first];
  function.inside = true;
  function.types.clear();
  function.name = head.word(2);
  if (function.name.empty()) function.name = std::to_string(reading.next_type_number());
  function.start = function.end = hex_word(head.word(3));
  for (std::size_t i = first + 1; i < reading.lines.size() && !ends_function(reading.lines[i].keyword); ++i) {
    const DebugLine& line = reading.lines[i];
    if (sets_address(line.keyword)) function.end = std::max(function.end, hex_word(line.word(3)));
  }
  for (std::size_t i = first + 1; i < reading.lines.size(); ++i) {
    const DebugLine& line = reading.lines[i];
    if (line.keyword == Keyword::func) return;
    if (line.keyword == Keyword::structure || line.keyword == Keyword::union_type) {
      read_type_definition(reading, i, function.types);
    } else if (line.keyword == Keyword::funcend) {
      function.end = hex_word(line.word(2));
      store_function(reading);
      return;
    }
  }
}

void store_global(DebugReading& reading, const DebugLine& line) {
  const ShortText name(line.word(2));
  const auto address = static_cast<std::int32_t>(hex_word(line.word(3)));
  const std::int32_t type = parse_type(reading, line.word(4));
  const FileScope& scope = reading.current_scope();
  PUT_DEBUG_SYMBOL(global_attribute, type, nullptr, static_cast<std::int32_t>(scope.lowest),
                   static_cast<std::int32_t>(scope.highest), address, name);
  PUT_DEBUG_ADDRESS(address, get_last_debug_symbol());
}

void store_local(DebugReading& reading, const DebugLine& line) {
  const ShortText name(line.word(2));
  const std::int32_t offset = decimal_word(line.word(3));
  const std::int32_t type = parse_type(reading, line.word(4));
  auto more = std::make_unique<debug_more_record>();
  more->more_length = 1;
  more->zero = get_large_pointer_size();
  more->raw = {0};
  std::vector<debug_extra_info_block> extra{{0, {0}}};
  PUT_DEBUG_SYMBOL(local_stack_attribute, type, std::move(more), static_cast<std::int32_t>(reading.function.start),
                   static_cast<std::int32_t>(reading.function.end), offset, name, std::move(extra));
}

void store_line(DebugReading& reading, const DebugLine& line) {
  const auto address = static_cast<std::int32_t>(hex_word(line.word(3)));
  const std::int32_t number = decimal_word(line.word(2));
  if (reading.scope) PUT_DEBUG_LINE(address, reading.current_scope().file_index, number);
}

// Symbols, lines and the types defined inside functions.
void read_symbols_and_lines(DebugReading& reading) {
  reading.directory.reset();
  reading.scope.reset();
  reading.function = CurrentFunction{};
  for (std::size_t i = 0; i < reading.lines.size(); ++i) {
    const DebugLine& line = reading.lines[i];
    switch (line.keyword) {
      case Keyword::dir:
        enter_directory(reading, line);
        break;
      case Keyword::file:
        find_file_scope(reading, line);
        break;
      case Keyword::func:
        begin_function(reading, i);
        break;
      case Keyword::defglobal:
      case Keyword::defstatic:
        if (!reading.function.inside) store_global(reading, line);
        break;
      case Keyword::funcend:
        reading.function = CurrentFunction{};
        break;
      case Keyword::block:
      case Keyword::blockend:
      case Keyword::line:
        store_line(reading, line);
        break;
      case Keyword::deflocal:
        store_local(reading, line);
        break;
      default:
        break;
    }
  }
}

}  // namespace

std::string_view trim_debug_line(std::string_view text) {
  const auto is_blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

std::uint8_t read_debug_file(std::string_view text, const ShortText& file_name) {
  DebugReading reading;
  reading.lines = non_blank_lines(text);
  reading.own_directory = std::string(file_names::path_part(file_name.view()));
  if (!read_files_and_ranges(reading)) return imagecraft_no_memory;
  read_symbols_and_lines(reading);
  return imagecraft_no_error;
}

}  // namespace vx::loaders::imagecraft
