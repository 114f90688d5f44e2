#include "loaders/debug_names.h"

#include <array>
#include <string_view>
#include <utility>

#include "loaders/debug_context.h"

namespace vx::loaders {
namespace {

constexpr std::string_view reserved_type = "reserved/unknown";
constexpr std::string_view unsupported_attribute = "Warning - Unsupported Attribute";
constexpr std::uint16_t first_pointer_code = 32;

// Codes 32 to 57 are pointers to these, except 32 itself.
constexpr std::array<std::string_view, 26> basic_types = {
    "untyped",          "void",
    "signed char",      "unsigned char",
    "signed short int", "unsigned short int",
    "signed long",      "unsigned long",
    "signed long long", "unsigned long long",
    "float",            "double",
    "long double",      "long long double",
    "QUOTED STRING",    "instruction address",
    "int",              "unsigned",
    "unsigned int",     "char",
    "long",             "short",
    "unsigned short",   "short int",
    "signed short",     "BCD float"};

constexpr std::array<std::pair<std::uint16_t, std::string_view>, 25> other_types = {{
    {'A', "pascal array with bounds"},
    {'E', "pascal enumeration 0..N"},
    {'G', "data structure"},
    {'N', "enumeration"},
    {'O', "small pointer"},
    {'P', "large pointer"},
    {'R', "range of another type"},
    {'S', "data structure"},
    {'T', "type name definition"},
    {'U', "union of members"},
    {'X', "procedure"},
    {'Z', "array"},
    {'a', "fortran array"},
    {'c', "fortran complex type"},
    {'d', "fortran double complex type"},
    {'f', "pascal file name"},
    {'g', "bitfield type"},
    {'n', "type qualifier"},
    {'s', "pascal set type"},
    {'x', "procedure"},
    {150, "boolean"},
    {182, "boolean *"},
    {199, "untyped"},
    {first_pointer_code, "UNKNOWN TYPE"},
    {first_pointer_code + 1, "void *"},
}};

struct AttributeNames {
  std::uint16_t code;
  std::string_view dwarf_like;  // formats 3 and 4
  std::string_view ieee_like;   // formats 1 and 2
};

constexpr std::array<AttributeNames, 12> attribute_names = {{
    {0, "", "No Attribute"},
    {1, "Local Variable", "Automatic Variable"},
    {2, "Register Variable", "Living Register Variable"},
    {3, unsupported_attribute, "Static Variable"},
    {4, "Function", "External Function"},
    {7, unsupported_attribute, "Line number"},
    {8, "Global Variable", "Global Variable"},
    {10, unsupported_attribute, "Locked Register Variable"},
    {16, unsupported_attribute, "Constant"},
    {19, unsupported_attribute, "Static Symbol"},
    {98, "Local Stack Variable", unsupported_attribute},
    {99, "Local Variable", unsupported_attribute},
}};

}  // namespace

ShortText get_debug_type_name(std::uint16_t type_code) {
  for (const auto& [code, name] : other_types) {
    if (code == type_code) return name;
  }
  if (type_code < basic_types.size()) return basic_types[type_code];
  if (type_code >= first_pointer_code && type_code < first_pointer_code + basic_types.size()) {
    return ShortText(basic_types[type_code - first_pointer_code]) + " *";
  }
  return reserved_type;
}

ShortText attribute_name_for_format(std::uint16_t attribute, std::uint8_t format) {
  const bool dwarf_like = format == 3 || format == 4;
  for (const AttributeNames& names : attribute_names) {
    if (names.code == attribute) return dwarf_like ? names.dwarf_like : names.ieee_like;
  }
  return unsupported_attribute;
}

ShortText get_debug_attribute_name(std::uint16_t attribute) {
  return attribute_name_for_format(attribute, get_object_file_format());
}

}  // namespace vx::loaders
