#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/kstring.h"
#include "loaders/debug_context.h"
#include "loaders/imagecraft_debug.h"

// Type descriptors and structure and union definitions of the debug file.
namespace vx::loaders::imagecraft {
namespace {

constexpr std::int32_t untyped = 199;
constexpr std::int32_t procedure = 88;
constexpr std::int32_t unknown_type = 32;
constexpr std::int32_t small_pointer = 79;
constexpr std::int32_t array = 90;
constexpr std::int32_t structure = 83;
constexpr std::int32_t union_of_members = 85;

bool stored_as_type(std::int32_t type) { return type != 0 && type != untyped; }

ShortText number_name(std::int32_t number) { return ShortText(std::to_string(number)); }

void put_untyped(const ShortText& name, std::int32_t number) {
  PUT_DEBUG_TYPE_EX(name, number, untyped, {}, {}, {}, 0, 0, 0, {}, {}, 0, {});
}

// The number of a structure or union name: known in the function, then in
// the file scope; else new in the innermost of them.
std::int32_t structure_number(DebugReading& reading, const std::string& name) {
  TypeNames& file_types = reading.current_scope().types;
  if (reading.function.inside) {
    if (const auto known = reading.function.types.find(name); known != reading.function.types.end()) {
      return known->second;
    }
  }
  if (const auto known = file_types.find(name); known != file_types.end()) return known->second;
  TypeNames& owner = reading.function.inside ? reading.function.types : file_types;
  return owner.emplace(name, reading.next_type_number()).first->second;
}

std::int32_t parse_type_at(DebugReading& reading, std::string_view descriptor, int depth);

// "A[" total size ":" count ... "]" element
std::int32_t parse_array(DebugReading& reading, std::string_view descriptor, int depth) {
  const std::int32_t number = reading.next_type_number();
  const std::size_t close = descriptor.find(']', 2);
  if (close == std::string_view::npos) throw UnreadableText("array without ']'");
  std::string_view sizes = descriptor.substr(2, close - 2);
  std::size_t colon = sizes.find(':');
  const std::int64_t total = decimal_word(sizes.substr(0, colon));
  dyn_lw_array counts;
  std::int64_t product = 1;
  bool beyond_total = false;
  bool zero_count = false;
  while (colon != std::string_view::npos) {
    sizes.remove_prefix(colon + 1);
    colon = sizes.find(':');
    const std::int32_t count = decimal_word(sizes.substr(0, colon));
    counts.push_back(static_cast<std::uint32_t>(count));
    zero_count = zero_count || count == 0;
    product *= count;
    // Past any total the element size is 0; stop before the product overflows.
    if (product > 0x7FFFFFFF || product < -0x7FFFFFFF) {
      beyond_total = true;
      product = 1;
    }
  }
  const std::int32_t element = parse_type_at(reading, descriptor.substr(close + 1), depth + 1);
  const ShortText name = number_name(number);
  if (!stored_as_type(element) || counts.empty() || zero_count) {
    put_untyped(name, number);
    return number;
  }
  const auto element_size = static_cast<std::int32_t>(beyond_total ? 0 : total / product);
  PUT_DEBUG_TYPE_EX(name, number, array, {}, dyn_bool_array(counts.size(), false), counts, 0, element_size, element,
                    string_list(counts.size()), {}, 0, {});
  return number;
}

std::int32_t parse_pointer(DebugReading& reading, std::string_view target_descriptor, int depth) {
  const std::int32_t number = reading.next_type_number();
  const std::int32_t target = parse_type_at(reading, target_descriptor, depth + 1);
  const bool typed = stored_as_type(target);
  PUT_DEBUG_TYPE_EX(number_name(number), number, typed ? small_pointer : unknown_type, {}, {}, {}, 0,
                    get_large_pointer_size(), 0, {}, {}, typed ? target : 0, {});
  return number;
}

std::int32_t parse_type_at(DebugReading& reading, std::string_view descriptor, int depth) {
  if (depth > DebugReading::max_descriptor_depth) throw UnreadableText("type descriptor nested too deeply");
  if (descriptor.empty()) return 0;
  const bool bracket = descriptor.size() > 1 && descriptor[1] == '[';
  switch (descriptor[0]) {
    case 'C':
      return 2;
    case 'c':
      return 3;
    case 'I':
      return 4;
    case 'S':
      if (!bracket) return 4;
      if (descriptor.size() < 3 || descriptor.back() != ']') throw UnreadableText("structure without ']'");
      return structure_number(reading, std::string(descriptor.substr(2, descriptor.size() - 3)));
    case 'i':
    case 's':
      return 5;
    case 'L':
      return 6;
    case 'l':
      return 7;
    case 'D':
      return 10;
    case 'f':
      return procedure;
    case 'A':
      return bracket ? parse_array(reading, descriptor, depth) : untyped;
    case 'p':
      return parse_pointer(reading, descriptor.substr(1), depth);
    default:
      return untyped;
  }
}

}  // namespace

std::int32_t decimal_word(std::string_view word) {
  std::int32_t value = 0;
  if (!convert_integer_text(word, value)) throw UnreadableText("not a number");
  return value;
}

std::uint32_t hex_word(std::string_view word) {
  std::int32_t value = 0;
  if (!convert_integer_text("$" + std::string(word), value)) throw UnreadableText("not a hexadecimal number");
  return static_cast<std::uint32_t>(value);
}

std::int32_t parse_type(DebugReading& reading, std::string_view descriptor) {
  return parse_type_at(reading, descriptor, 0);
}

// A definition ends at its end line; one that meets the next definition
// first has none and stores nothing.
void read_type_definition(DebugReading& reading, std::size_t first, TypeNames& names) {
  const DebugLine& head = reading.lines[first];
  const bool is_structure = head.keyword == Keyword::structure;
  const Keyword end = is_structure ? Keyword::structend : Keyword::unionend;
  const std::int32_t size = decimal_word(head.word(2));
  const std::string name(head.word(3));
  array_dyn_lw_array offsets;
  dyn_lw_array types;
  string_list member_names;
  for (std::size_t i = first + 1; i < reading.lines.size(); ++i) {
    const DebugLine& line = reading.lines[i];
    if (line.keyword == Keyword::structure || line.keyword == Keyword::union_type) return;
    if (line.keyword == Keyword::field) {
      if (is_structure) offsets.push_back({static_cast<std::uint32_t>(decimal_word(line.word(2)))});
      member_names.emplace_back(line.word(3));
      types.push_back(static_cast<std::uint32_t>(parse_type(reading, line.word(4))));
    }
    if (line.keyword != end) continue;
    const auto known = names.find(name);
    const std::int32_t number =
        known != names.end() ? known->second : names.emplace(name, reading.next_type_number()).first->second;
    if (types.empty() || size == 0) {
      put_untyped(ShortText(name), number);
    } else if (is_structure) {
      PUT_DEBUG_TYPE_EX(ShortText(name), number, structure, offsets, {}, types, 0, size, 0, member_names, {}, 0, {});
    } else {
      PUT_DEBUG_TYPE_EX(ShortText(name), number, union_of_members, {}, {}, types, 0, size, 0, member_names, {}, 0,
                        {});
    }
    return;
  }
}

}  // namespace vx::loaders::imagecraft
