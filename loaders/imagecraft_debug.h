#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "foundation/short_text.h"

// The debug reading of an ImageCraft debug file: two passes over its
// non-blank lines into the debug store.
namespace vx::loaders::imagecraft {

// A number, type descriptor or bracket the reading cannot make sense of.
class UnreadableText : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Keyword {
  other,
  dir,
  file,
  start,
  func,
  funcend,
  block,
  blockend,
  line,
  defglobal,
  defstatic,
  deflocal,
  structure,
  union_type,
  field,
  structend,
  unionend,
};

// One trimmed line split at single blanks; word 1 is the keyword.
struct DebugLine {
  Keyword keyword = Keyword::other;
  std::vector<std::string_view> words;
  // Word n (1-based); empty when the line has fewer.
  std::string_view word(std::size_t n) const { return n <= words.size() ? words[n - 1] : std::string_view(); }
};

// Structure and union names known in a scope, with their type numbers.
using TypeNames = std::unordered_map<std::string, std::int32_t>;

struct FileScope {
  std::string name;
  std::uint32_t lowest = 0;
  bool zero_address = false;
  std::uint32_t highest = 0;
  TypeNames types;
  // Its index in the source-file table; 0 for the lines before any file.
  std::int32_t file_index = 0;
};

struct CurrentFunction {
  std::string name;
  std::uint32_t start = 0;
  std::uint32_t end = 0;
  bool inside = false;
  TypeNames types;
};

struct DebugReading {
  static constexpr std::int32_t first_type_number = 1001;
  // Deeper descriptors than this are refused.
  static constexpr int max_descriptor_depth = 64;

  std::vector<DebugLine> lines;
  // The debug file's own directory, joined to names without a directory.
  std::string own_directory;
  std::optional<std::string> directory;
  std::vector<FileScope> scopes;
  std::unordered_map<std::string, std::size_t> scope_by_name;
  // Stands in for a file scope before the first FILE line.
  FileScope no_file;
  std::optional<std::size_t> scope;
  CurrentFunction function;
  std::int32_t type_counter = first_type_number;

  FileScope& current_scope() { return scope ? scopes[*scope] : no_file; }
  std::int32_t next_type_number() { return type_counter++; }
};

// Numbers as the debug file writes them; UnreadableText when they are not.
std::int32_t decimal_word(std::string_view word);
std::uint32_t hex_word(std::string_view word);

// The type code or type number of a descriptor.
std::int32_t parse_type(DebugReading& reading, std::string_view descriptor);
// A STRUCT or UNION definition that begins at line `first`, into `names`.
void read_type_definition(DebugReading& reading, std::size_t first, TypeNames& names);

// A line without the blanks and control characters around it.
std::string_view trim_debug_line(std::string_view text);

// Gives the error code of the reading; UnreadableText passes through.
std::uint8_t read_debug_file(std::string_view text, const ShortText& file_name);

}  // namespace vx::loaders::imagecraft
