#include "loaders/dwarf_info.h"

#include <algorithm>
#include <new>

#include "foundation/containers/st_exception.h"
#include "foundation/status_output.h"
#include "loaders/bounded_reader.h"
#include "loaders/debug_context.h"
#include "loaders/dwarf_constants.h"
#include "loaders/dwarf_sections.h"
#include "loaders/elf_module.h"
#include "loaders/elf_readers.h"

namespace vx::loaders {
namespace {

constexpr std::uint8_t code_not_version_2 = 18;
constexpr std::uint8_t code_memory = 20;
constexpr std::uint8_t code_bad_abbreviations = 22;

// Values of forms that read nothing cost no input; beyond this many per
// byte of .debug_info a file is taken as an attempt to exhaust memory.
constexpr std::size_t empty_values_allowance = 4096;

void warn_not_compliant(const char* what) {
  WRITELN_TO_DEBUG("Warning - DWARF information not compliant with version 2.0");
  WRITELN_TO_DEBUG(what);
  WRITELN_TO_DEBUG("Attempting to continue loading DWARF information");
}

// An index table of 32-bit keys with one separately allocated int32 per key.
std::unique_ptr<TStHashTable> make_index(std::size_t count) {
  auto table = std::make_unique<TStHashTable>(sizeof(std::int32_t), static_cast<std::int32_t>(count));
  table->set_equal_function(elf_key_compare);
  table->set_hash_function(elf_key_hash);
  table->set_dispose_data(elf_key_dispose);
  return table;
}

TStHashTable::TStKey key_of(const std::int32_t& key) {
  return {reinterpret_cast<const std::byte*>(&key), sizeof key};
}

// Throws EStContainerError 54 for a key already present.
void index_add(TStHashTable& table, std::int32_t key, std::int32_t index) {
  auto data = std::make_unique<std::uint32_t>(static_cast<std::uint32_t>(index));
  table.add(key_of(key), data.get());
  data.release();
}

int index_find(TStHashTable* table, std::int32_t key) {
  void* data = nullptr;
  if (table == nullptr || !table->exists(key_of(key), data)) return -1;
  return static_cast<int>(*static_cast<std::uint32_t*>(data));
}

const dynamic_byte_array& no_value() {
  static const dynamic_byte_array empty;
  return empty;
}

dynamic_byte_array reversed(BoundedReader& reader, std::size_t count) {
  dynamic_byte_array bytes(count);
  reader.read_bytes(bytes);
  std::reverse(bytes.begin(), bytes.end());
  return bytes;
}

// The bytes of a LEB128 number, low byte of its 32 bits first, as many as it took.
dynamic_byte_array leb_bytes(std::uint32_t value, std::uint32_t consumed) {
  dynamic_byte_array bytes(consumed);
  for (std::size_t i = 0; i < bytes.size() && i < sizeof value; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
  return bytes;
}

dynamic_byte_array block(BoundedReader& reader, std::size_t length) {
  // A block that claims more than its section holds gets what is there.
  dynamic_byte_array bytes(std::min(length, reader.remaining()));
  reader.read_bytes(bytes);
  if (bytes.size() < length) reader.skip(length - bytes.size());
  return bytes;
}

dynamic_byte_array text_bytes(const ShortText& text) { return dynamic_byte_array(text.view().begin(), text.view().end()); }

// DW_FORM_strp: the table entry at the offset, else the text read from the
// section itself (a shared tail, or the first string whose entry lost a character).
dynamic_byte_array string_at(std::uint32_t offset) {
  const DwarfState& s = dwarf_state();
  const ElfExtent& section = elf_module().debug_str;
  const auto found = std::lower_bound(s.strings.begin(), s.strings.end(), offset,
                                      [](const debug_string_type& e, std::uint32_t o) {
                                        return static_cast<std::uint32_t>(e.offset) < o;
                                      });
  if (found != s.strings.end() && static_cast<std::uint32_t>(found->offset) == offset) return text_bytes(found->text);
  if (section.start != 0 && section.end != 0) {
    BoundedReader reader = section_reader(section.start, section.end);
    if (offset < reader.size()) {
      reader.seek(offset);
      return text_bytes(reader.read_zstring());
    }
  }
  WRITELN_TO_DEBUG("Warning - illegal string in debug_string section");
  return {};
}

dynamic_byte_array read_form(BoundedReader& reader, std::uint16_t form, std::uint8_t address_size,
                             std::uint16_t& indirect_form) {
  const std::size_t address_bytes = address_size == 1 || address_size == 2 || address_size == 4 ? address_size : 4;
  std::uint32_t consumed = 0;
  switch (form) {
    case dw::FORM_addr:
    case dw::FORM_ref_addr:
      return reversed(reader, address_bytes);
    case dw::FORM_block2:
      return block(reader, reader.read_u16_be());
    case dw::FORM_block4:
      return block(reader, reader.read_u32_be());
    case dw::FORM_block:
      return block(reader, reader.read_uleb128());
    case dw::FORM_block1:
      return block(reader, reader.read_u8());
    case dw::FORM_data2:
    case dw::FORM_ref2:
      return reversed(reader, 2);
    case dw::FORM_data4:
    case dw::FORM_ref4:
      return reversed(reader, 4);
    case dw::FORM_data8:
    case dw::FORM_ref8:
      return reversed(reader, 8);
    case dw::FORM_string:
      return text_bytes(reader.read_zstring());
    case dw::FORM_data1:
    case dw::FORM_flag:
    case dw::FORM_ref1:
      return {reader.read_u8()};
    case dw::FORM_sdata: {
      const auto value = static_cast<std::uint32_t>(reader.read_sleb128(&consumed));
      return leb_bytes(value, consumed);
    }
    case dw::FORM_udata:
    case dw::FORM_ref_udata: {
      const std::uint32_t value = reader.read_uleb128(&consumed);
      return leb_bytes(value, consumed);
    }
    case dw::FORM_strp:
      return string_at(reader.read_u32_be());
    case dw::FORM_indirect: {
      // The form stands before the value; an indirect form naming itself reads nothing more.
      indirect_form = static_cast<std::uint16_t>(reader.read_uleb128());
      if (indirect_form == dw::FORM_indirect) return {};
      std::uint16_t unused = 0;
      return read_form(reader, indirect_form, address_size, unused);
    }
    default:
      return {};
  }
}

void READ_DEBUG_ATTRIBUTE(BoundedReader& reader, const debug_abbreviation_type& abbreviation, std::size_t attribute,
                          debug_information_type& entry, std::uint8_t address_size) {
  const std::uint16_t form = abbreviation.attribute_forms[attribute];
  std::uint16_t indirect_form = 0;
  try {
    entry.values[attribute] = read_form(reader, form, address_size, indirect_form);
    if (form == dw::FORM_indirect) {
      entry.indirect_forms.resize(abbreviation.attribute_forms.size());
      entry.indirect_forms[attribute] = indirect_form;
    }
  } catch (const std::bad_alloc&) {
    set_debug_dll_error(code_memory);
  }
}

bool reads_nothing(std::uint16_t form) { return form == 0 || form == 2 || form > dw::FORM_indirect; }

// Finds the unit's abbreviation table, shifting every table offset when the
// unit names its table by file offset or by address.
int match_abbreviation_table(debug_information_unit_type& unit) {
  DwarfState& s = dwarf_state();
  const int table = find_abbreviation_table(unit.abbreviation_offset);
  if (table >= 0) return table;
  warn_not_compliant("Invalid location specified for debug abbreviation information");
  for (const std::uint32_t shift : {elf_module().debug_abbrev_offset, elf_module().debug_abbrev_address}) {
    const int shifted = find_abbreviation_table(unit.abbreviation_offset - shift);
    if (shifted < 0) continue;
    for (auto& t : s.abbreviation_units) t.offset = static_cast<std::int32_t>(static_cast<std::uint32_t>(t.offset) + shift);
    for (auto& u : s.units) {
      if (&u != &unit) u.abbreviation_offset += shift;
    }
    return shifted;
  }
  return -1;
}

// The entries of one unit up to its end; false when reading has to stop.
bool read_entries(BoundedReader& reader, debug_information_unit_type& unit, std::size_t unit_end, int table,
                  std::size_t& empty_values, std::size_t empty_values_limit) {
  debug_abbreviation_unit_type& abbreviations = dwarf_state().abbreviation_units[static_cast<std::size_t>(table)];
  std::int32_t depth = 0;
  // The entry whose children are read at each depth.
  std::vector<std::int32_t> open_entries;
  while (reader.position() < unit_end) {
    const auto offset = static_cast<std::int32_t>(reader.position());
    const std::uint32_t code = reader.read_uleb128();
    if (code == 0) {
      // Padding after the unit's entry would otherwise take the depth below the unit.
      depth = std::max(depth - 1, 0);
      continue;
    }
    const int index = find_abbreviation(abbreviations, code);
    if (index < 0) {
      set_debug_dll_error(code_bad_abbreviations);
      return false;
    }
    const debug_abbreviation_type& abbreviation = abbreviations.abbreviations[static_cast<std::size_t>(index)];
    for (std::uint16_t form : abbreviation.attribute_forms) {
      if (reads_nothing(form)) ++empty_values;
    }
    if (empty_values > empty_values_limit) {
      set_debug_dll_error(code_memory);
      return false;
    }
    const auto index_of_entry = static_cast<std::int32_t>(unit.entries.size());
    const std::int32_t parent = depth > 0 ? open_entries[static_cast<std::size_t>(depth - 1)] : -1;
    unit.entries.push_back({offset, code, depth, parent, {}, {}});
    debug_information_type& entry = unit.entries.back();
    entry.values.resize(abbreviation.attribute_names.size());
    for (std::size_t i = 0; i < entry.values.size(); ++i) {
      READ_DEBUG_ATTRIBUTE(reader, abbreviation, i, entry, unit.address_size);
    }
    if (abbreviation.children == 1) {
      open_entries.resize(static_cast<std::size_t>(depth) + 1);
      open_entries[static_cast<std::size_t>(depth)] = index_of_entry;
      ++depth;
    }
  }
  return true;
}

}  // namespace

void ANALYZE_DEBUG_STR(std::uint32_t section_start, std::uint32_t section_end) {
  DwarfState& s = dwarf_state();
  BoundedReader reader = section_reader(section_start, section_end);
  try {
    reader.read_u8();
    std::size_t offset = 1;
    while (true) {
      const auto first = static_cast<char>(reader.read_u8());
      if (first == '\0' || reader.at_end()) return;
      s.strings.push_back({ShortText(1, first), static_cast<std::int32_t>(offset)});
      s.strings.back().text += reader.read_zstring(ShortText::max_length - 1).view();
      offset = reader.position();
    }
  } catch (const std::bad_alloc&) {
    set_debug_dll_error(code_memory);
  }
}

void ANALYZE_DEBUG_ABBREV(std::uint32_t section_start, std::uint32_t section_end) {
  DwarfState& s = dwarf_state();
  BoundedReader reader = section_reader(section_start, section_end);
  try {
    while (reader.position() < reader.size()) {
      s.abbreviation_units.push_back({static_cast<std::int32_t>(reader.position()), nullptr, {}});
      debug_abbreviation_unit_type& table = s.abbreviation_units.back();
      while (const std::uint32_t code = reader.read_uleb128()) {
        debug_abbreviation_type abbreviation;
        abbreviation.code = code;
        abbreviation.tag = static_cast<std::uint16_t>(reader.read_uleb128());
        abbreviation.children = reader.read_u8();
        while (true) {
          const auto name = static_cast<std::uint16_t>(reader.read_uleb128());
          const auto form = static_cast<std::uint16_t>(reader.read_uleb128());
          if (name == 0 || form == 0) break;
          abbreviation.attribute_names.push_back(name);
          abbreviation.attribute_forms.push_back(form);
        }
        table.abbreviations.push_back(std::move(abbreviation));
      }
      if (table.abbreviations.empty()) continue;
      table.code_index = make_index(table.abbreviations.size());
      for (std::size_t i = 0; i < table.abbreviations.size(); ++i) {
        index_add(*table.code_index, static_cast<std::int32_t>(table.abbreviations[i].code), static_cast<std::int32_t>(i));
      }
    }
  } catch (const EStContainerError&) {
    // A code twice in one table leaves entries that cannot be told apart.
    set_debug_dll_error(code_bad_abbreviations);
  } catch (const std::bad_alloc&) {
    set_debug_dll_error(code_memory);
  }
}

void ANALYZE_DEBUG_INFO(std::uint32_t section_start, std::uint32_t section_end) {
  DwarfState& s = dwarf_state();
  BoundedReader reader = section_reader(section_start, section_end);
  std::size_t expected_start = 0;
  std::size_t empty_values = 0;
  const std::size_t empty_values_limit = reader.size() + empty_values_allowance;
  try {
    while (reader.position() < reader.size()) {
      s.units.emplace_back();
      debug_information_unit_type& unit = s.units.back();
      if (reader.position() != expected_start) {
        warn_not_compliant("DWARF compilation unit header begins or ends unexpectedly");
        reader.seek(expected_start);
      }
      unit.unit_offset = static_cast<std::int32_t>(reader.position());
      unit.unit_length = reader.read_u32_be();
      // Kept in 64 bits: a hostile length must not wrap back into the section.
      const std::size_t unit_end = std::min<std::size_t>(reader.position() + std::size_t{unit.unit_length}, reader.size());
      expected_start = reader.position() + std::size_t{unit.unit_length};
      unit.version = reader.read_u16_be();
      if (unit.version != 2) {
        set_debug_dll_error(code_not_version_2);
        return;
      }
      unit.abbreviation_offset = reader.read_u32_be();
      const int table = match_abbreviation_table(unit);
      if (table < 0) {
        set_debug_dll_error(code_bad_abbreviations);
        return;
      }
      unit.address_size = reader.read_u8();
      if (!read_entries(reader, unit, unit_end, table, empty_values, empty_values_limit)) return;
      if (unit.entries.empty()) continue;
      s.unit_last_entries.emplace_back(unit.entries.back().offset, static_cast<int>(s.units.size() - 1));
      unit.offset_index = make_index(unit.entries.size());
      for (std::size_t i = 0; i < unit.entries.size(); ++i) {
        index_add(*unit.offset_index, unit.entries[i].offset, static_cast<std::int32_t>(i));
      }
    }
  } catch (const std::bad_alloc&) {
    set_debug_dll_error(code_memory);
  }
}

ShortText GET_DEBUG_PRODUCER() {
  if (dwarf_state().units.empty()) return {};
  const std::optional<EntryRef> first = entry_of(0, 0);
  if (!first || first->tag() != dw::TAG_compile_unit || !first->has(dw::AT_producer)) return {};
  return value_text(first->value(dw::AT_producer));
}

std::uint32_t value_number(const dynamic_byte_array& value) {
  std::uint32_t number = 0;
  for (std::size_t i = 0; i < value.size() && i < sizeof number; ++i) number |= std::uint32_t{value[i]} << (8 * i);
  return number;
}

ShortText value_text(const dynamic_byte_array& value) {
  return ShortText(std::string_view(reinterpret_cast<const char*>(value.data()), value.size()));
}

// The tables stand in ascending offset order (a shift moves them all alike).
int find_abbreviation_table(std::uint32_t offset) {
  const auto& tables = dwarf_state().abbreviation_units;
  const auto found = std::lower_bound(tables.begin(), tables.end(), offset,
                                      [](const debug_abbreviation_unit_type& t, std::uint32_t o) {
                                        return static_cast<std::uint32_t>(t.offset) < o;
                                      });
  if (found == tables.end() || static_cast<std::uint32_t>(found->offset) != offset) return -1;
  return static_cast<int>(found - tables.begin());
}

int find_abbreviation(const debug_abbreviation_unit_type& table, std::uint32_t code) {
  return index_find(table.code_index.get(), static_cast<std::int32_t>(code));
}

int find_entry_index(const debug_information_unit_type& unit, std::int32_t offset) {
  return index_find(unit.offset_index.get(), offset);
}

// Entry offsets grow from unit to unit, so the last entries are in order.
int find_unit_holding(std::int32_t offset) {
  const auto& ends = dwarf_state().unit_last_entries;
  const auto found = std::lower_bound(ends.begin(), ends.end(), offset,
                                      [](const std::pair<std::int32_t, int>& e, std::int32_t o) { return e.first < o; });
  return found == ends.end() ? -1 : found->second;
}

int EntryRef::attribute_index(std::uint16_t name) const {
  const auto& names = abbreviation_record().attribute_names;
  const auto found = std::find(names.begin(), names.end(), name);
  return found == names.end() ? -1 : static_cast<int>(found - names.begin());
}

std::uint16_t EntryRef::form_at(int index) const {
  const auto i = static_cast<std::size_t>(index);
  const std::uint16_t form = abbreviation_record().attribute_forms[i];
  const auto& indirect = entry_record().indirect_forms;
  return form == dw::FORM_indirect && i < indirect.size() ? indirect[i] : form;
}

std::uint16_t EntryRef::form(std::uint16_t name) const {
  const int index = attribute_index(name);
  return index < 0 ? 0 : form_at(index);
}

const dynamic_byte_array& EntryRef::value(std::uint16_t name) const {
  const int index = attribute_index(name);
  const auto& values = entry_record().values;
  return index < 0 || static_cast<std::size_t>(index) >= values.size() ? no_value()
                                                                       : values[static_cast<std::size_t>(index)];
}

std::optional<EntryRef> entry_of(int unit, int entry) {
  const DwarfState& s = dwarf_state();
  if (unit < 0 || static_cast<std::size_t>(unit) >= s.units.size()) return std::nullopt;
  const auto& u = s.units[static_cast<std::size_t>(unit)];
  if (entry < 0 || static_cast<std::size_t>(entry) >= u.entries.size()) return std::nullopt;
  const int table = find_abbreviation_table(u.abbreviation_offset);
  if (table < 0) return std::nullopt;
  const int abbreviation = find_abbreviation(s.abbreviation_units[static_cast<std::size_t>(table)],
                                             u.entries[static_cast<std::size_t>(entry)].code);
  if (abbreviation < 0) return std::nullopt;
  return EntryRef{table, abbreviation, unit, entry};
}

std::optional<EntryRef> find_entry_at(std::int32_t offset) {
  const int unit = find_unit_holding(offset);
  if (unit < 0) return std::nullopt;
  return entry_of(unit, find_entry_index(dwarf_state().units[static_cast<std::size_t>(unit)], offset));
}

}  // namespace vx::loaders
