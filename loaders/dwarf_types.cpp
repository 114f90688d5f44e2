#include <string>
#include <unordered_set>

#include "foundation/status_output.h"
#include "loaders/debug_context.h"
#include "loaders/dwarf_constants.h"
#include "loaders/dwarf_walk.h"

// Type records of the entry walk's second pass.
namespace vx::loaders {
namespace {

enum TypeCode : std::int32_t {
  code_pointer_other = 32,
  code_enumeration = 'N',
  code_small_pointer = 'O',
  code_large_pointer = 'P',
  code_structure = 'S',
  code_typedef = 'T',
  code_union = 'U',
  code_function = 'X',
  code_array = 'Z',
  code_qualified = 'n',
  code_boolean = 150,
  code_failed = 199,
};

struct TypeRecord {
  ShortText name;
  std::int32_t code = code_failed;
  array_dyn_lw_array member_lists;
  dyn_bool_array flag_list;
  dyn_lw_array member_type_list;
  std::int32_t extra_c = 0;
  std::int32_t extra_b = 0;
  std::int32_t extra_a = 0;
  string_list name_list;
  dyn_lw_array value_list;
  std::int32_t reference = 0;
};

void put(const EntryRef& entry, const TypeRecord& record) {
  PUT_DEBUG_TYPE_EX(record.name, type_number(entry), record.code, record.member_lists, record.flag_list,
                    record.member_type_list, record.extra_c, record.extra_b, record.extra_a, record.name_list,
                    record.value_list, record.reference, {});
}

// Back to the failed record, keeping only the name.
void fail(TypeRecord& record) {
  const ShortText name = record.name;
  record = TypeRecord();
  record.name = name;
}

std::uint8_t first_byte(const dynamic_byte_array& value) { return value.empty() ? 0 : value[0]; }

// The direct children of an entry.
template <class Visit>
void for_each_child(const EntryRef& entry, Visit visit) {
  const int end = index_after_children(entry);
  for (int i = entry.entry + 1; i < end; ++i) {
    if (entry.unit_record().entries[static_cast<std::size_t>(i)].depth != entry.depth() + 1) continue;
    if (const std::optional<EntryRef> child = entry_of(entry.unit, i)) visit(*child);
  }
}

// A signed constant of fewer than four bytes keeps its sign.
std::uint32_t constant_number(const EntryRef& entry, std::uint16_t attribute) {
  const dynamic_byte_array& value = entry.value(attribute);
  std::uint32_t number = value_number(value);
  if (entry.form(attribute) == dw::FORM_sdata && !value.empty() && value.size() < 4 && (value.back() & 0x80) != 0) {
    number |= ~std::uint32_t{0} << (8 * value.size());
  }
  return number;
}

void base_type(const EntryRef& entry, TypeRecord& record) {
  const auto size = static_cast<std::int32_t>(entry.number(dw::AT_byte_size));
  record.extra_b = size;
  switch (first_byte(entry.value(dw::AT_encoding))) {
    case 1:
      record.code = 15;
      record.extra_b = entry.unit_record().address_size;
      break;
    case 2:
      record.code = code_boolean;
      record.extra_b = 1;
      break;
    case 4:
      record.code = size <= 4 ? 10 : size <= 8 ? 11 : size <= 12 ? 12 : 13;
      break;
    case 5:
      record.code = size <= 1 ? 2 : size == 2 ? 4 : size <= 4 ? 6 : 8;
      break;
    case 6:
      record.code = 2;
      record.extra_b = 1;
      break;
    case 7:
      record.code = size <= 1 ? 3 : size == 2 ? 5 : size <= 4 ? 7 : 9;
      break;
    case 8:
      record.code = 3;
      record.extra_b = 1;
      break;
    default:
      record.extra_b = 0;
      break;
  }
}

void pointer(const EntryRef& entry, TypeRecord& record) {
  const std::optional<std::int32_t> target = reference_offset(entry, dw::AT_type);
  std::uint32_t size = entry.unit_record().address_size;
  bool valid = target.has_value();
  if (entry.has(dw::AT_byte_size)) {
    const std::optional<std::uint32_t> given = constant_value(entry, dw::AT_byte_size);
    size = given.value_or(0);
    valid = valid && size != 0;
  }
  record.extra_b = static_cast<std::int32_t>(size);
  record.code = code_pointer_other;
  if (!valid) return;
  if (size == get_large_pointer_size() || size == get_small_pointer_size()) {
    record.code = size == get_large_pointer_size() ? code_large_pointer : code_small_pointer;
    record.reference = type_number_at(*target);
  }
}

void aggregate(const EntryRef& entry, TypeRecord& record) {
  const bool structure = entry.tag() == dw::TAG_structure_type;
  const std::uint32_t size = constant_value(entry, dw::AT_byte_size).value_or(0);
  std::size_t members = 0;
  std::size_t locations = 0;
  for_each_child(entry, [&](const EntryRef& child) {
    if (child.tag() != dw::TAG_member) return;
    ++members;
    if (child.has(dw::AT_name)) record.name_list.push_back(value_text(child.value(dw::AT_name)).str());
    if (const auto target = reference_offset(child, dw::AT_type)) {
      record.member_type_list.push_back(static_cast<std::uint32_t>(type_number_at(*target)));
    }
    if (structure && dw::is_block_form(child.form(dw::AT_data_member_location))) {
      const dynamic_byte_array& bytes = child.value(dw::AT_data_member_location);
      record.member_lists.emplace_back(bytes.begin(), bytes.end());
      ++locations;
    }
  });
  const bool complete = members == record.name_list.size() && members == record.member_type_list.size() &&
                        (!structure || (members == locations && members > 0));
  const bool has_children = index_after_children(entry) > entry.entry + 1;
  if (size == 0 || !has_children || !complete) {
    fail(record);
    return;
  }
  record.code = structure ? code_structure : code_union;
  record.extra_b = static_cast<std::int32_t>(size);
}

void enumeration(const EntryRef& entry, TypeRecord& record) {
  if (index_after_children(entry) == entry.entry + 1) {
    WRITELN_TO_DEBUG("Error - Enumeration type specifies no enumerators.");
    WRITELN_TO_DEBUG("Ignoring type and continuing to load");
    return;
  }
  const std::uint32_t size = entry.number(dw::AT_byte_size);
  record.code = code_enumeration;
  record.extra_b = static_cast<std::int32_t>(size != 0 ? size : 4);
  for_each_child(entry, [&](const EntryRef& child) {
    if (child.tag() != dw::TAG_enumerator) return;
    if (child.has(dw::AT_name)) record.name_list.push_back(value_text(child.value(dw::AT_name)).str());
    if (child.has(dw::AT_const_value)) record.value_list.push_back(constant_number(child, dw::AT_const_value));
  });
}

void with_target(const EntryRef& entry, TypeRecord& record, std::int32_t code) {
  if (const auto target = reference_offset(entry, dw::AT_type)) {
    record.code = code;
    record.reference = type_number_at(*target);
  }
}

// Follows array, typedef and qualifier entries to the element type; its size
// and number, nothing when it has none. A chain that comes back to an entry fails.
std::optional<std::pair<std::uint32_t, std::int32_t>> element_of(const EntryRef& array) {
  std::unordered_set<std::int32_t> seen{array.offset()};
  std::optional<EntryRef> entry = referenced_entry(array, dw::AT_type);
  while (entry && (entry->tag() == dw::TAG_array_type || entry->tag() == dw::TAG_typedef ||
                   entry->tag() == dw::TAG_const_type || entry->tag() == dw::TAG_volatile_type)) {
    if (!seen.insert(entry->offset()).second) return std::nullopt;
    entry = referenced_entry(*entry, dw::AT_type);
  }
  if (!entry) return std::nullopt;
  std::optional<std::uint32_t> size;
  switch (entry->tag()) {
    case dw::TAG_base_type:
      size = entry->number(dw::AT_byte_size);
      break;
    case dw::TAG_structure_type:
    case dw::TAG_union_type:
      size = constant_value(*entry, dw::AT_byte_size);
      if (size == 0u) size.reset();
      break;
    case dw::TAG_enumeration_type:
      size = entry->number(dw::AT_byte_size);
      if (size == 0u) size = 4;
      break;
    case dw::TAG_pointer_type:
      size = entry->has(dw::AT_byte_size) ? constant_value(*entry, dw::AT_byte_size)
                                          : std::optional<std::uint32_t>(entry->unit_record().address_size);
      if (size == 0u) size.reset();
      break;
    default:
      break;
  }
  if (!size) return std::nullopt;
  return std::pair{*size, type_number(*entry)};
}

struct Dimensions {
  std::uint32_t total = 1;
  bool size_given = false;
  bool variable = false;
};

// The dimensions of one array entry's subranges; false for a bound of another form.
bool add_dimensions(const EntryRef& array, TypeRecord& record, Dimensions& dimensions) {
  bool valid = true;
  for_each_child(array, [&](const EntryRef& child) {
    if (child.tag() != dw::TAG_subrange_type) return;
    const auto& names = child.abbreviation_record().attribute_names;
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (names[i] != dw::AT_upper_bound && names[i] != dw::AT_count) continue;
      const bool upper_bound = names[i] == dw::AT_upper_bound;
      const std::uint16_t form = child.form_at(static_cast<int>(i));
      if (dw::is_constant_form(form)) {
        const std::uint32_t count = child.number(names[i]) + (upper_bound ? 1 : 0);
        record.member_type_list.push_back(count);
        record.flag_list.push_back(false);
        record.name_list.emplace_back();
        if (!dimensions.variable && !dimensions.size_given) dimensions.total *= count;
      } else if (dw::is_reference_form(form)) {
        const std::optional<std::int32_t> bound = reference_offset(child, names[i]);
        record.member_type_list.push_back(upper_bound ? 1 : 0);
        record.flag_list.push_back(true);
        record.name_list.push_back(GET_ENTRY_NAME(bound.value_or(0)).str());
        dimensions.variable = true;
        dimensions.total = 0;
      } else {
        valid = false;
      }
    }
  });
  return valid;
}

void array(const EntryRef& entry, TypeRecord& record) {
  Dimensions dimensions;
  if (const std::uint32_t size = entry.number(dw::AT_byte_size); size != 0) {
    dimensions.total = size;
    dimensions.size_given = true;
  }
  const auto element = element_of(entry);
  bool valid = element.has_value() && add_dimensions(entry, record, dimensions);
  // An array of arrays is one array of more dimensions.
  std::unordered_set<std::int32_t> seen{entry.offset()};
  for (std::optional<EntryRef> inner = referenced_entry(entry, dw::AT_type);
       valid && inner && inner->tag() == dw::TAG_array_type && seen.insert(inner->offset()).second;
       inner = referenced_entry(*inner, dw::AT_type)) {
    valid = add_dimensions(*inner, record, dimensions);
  }
  if (!valid || record.member_type_list.empty()) {
    fail(record);
    return;
  }
  if (!dimensions.variable && !dimensions.size_given) dimensions.total *= element->first;
  record.code = code_array;
  record.extra_c = static_cast<std::int32_t>(dimensions.total);
  record.extra_b = static_cast<std::int32_t>(element->first);
  record.extra_a = element->second;
}

}  // namespace

void put_type_record(const EntryRef& entry) {
  TypeRecord record;
  record.name = entry_name(entry);
  switch (entry.tag()) {
    case dw::TAG_base_type:
      base_type(entry, record);
      break;
    case dw::TAG_pointer_type:
      pointer(entry, record);
      break;
    case dw::TAG_structure_type:
    case dw::TAG_union_type:
      aggregate(entry, record);
      break;
    case dw::TAG_enumeration_type:
      enumeration(entry, record);
      break;
    case dw::TAG_subroutine_type:
      record.code = code_function;
      record.extra_b = entry.unit_record().address_size;
      break;
    case dw::TAG_typedef:
      with_target(entry, record, code_typedef);
      break;
    case dw::TAG_const_type:
    case dw::TAG_volatile_type:
      record.name = ShortText();
      with_target(entry, record, code_qualified);
      break;
    case dw::TAG_array_type:
      array(entry, record);
      break;
    default:
      return;
  }
  put(entry, record);
}

}  // namespace vx::loaders
