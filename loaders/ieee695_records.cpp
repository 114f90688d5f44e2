#include "loaders/ieee695_records.h"

#include <algorithm>

#include "foundation/kstring.h"
#include "foundation/status_output.h"
#include "loaders/debug_context.h"

namespace vx::loaders::ieee695 {
namespace {

Ieee695Module& state() { return ieee695_module(); }

bool fail(std::uint8_t code) {
  set_debug_dll_error(code);
  return false;
}

// A number of up to four bytes, or a bracketed one's first term.
bool read_plain_number(std::uint32_t& value) {
  Ieee695Module& m = state();
  if (!m.current_valid) return fail(ieee695_invalid_number);
  const std::uint8_t first = m.current;
  if (first < 0x80) {
    value = first;
    return true;
  }
  if (first <= 0x84) {
    std::uint32_t result = 0;
    for (int i = 0; i < (first & 0x0F); ++i) {
      advance();
      if (!m.current_valid) return fail(ieee695_invalid_number);
      result = result << 8 | m.current;
    }
    value = result;
    return true;
  }
  return fail(first <= 0x88 ? ieee695_number_too_large : ieee695_invalid_number);
}

// Index and name of an NN, NI or NX record.
bool read_indexed_name(std::uint8_t record) {
  Ieee695Module& m = state();
  std::uint32_t index = 0;
  if (!current_is(record)) return false;
  advance();
  if (!read_number(index)) return false;
  advance();
  if (!read_name(m.last_name)) return false;
  advance();
  return true;
}

bool read_atn_value() {
  Ieee695Module::Atn& atn = state().atn;
  std::uint32_t value = 0;
  if (!read_value(value)) return false;
  // A value beyond the last slot overwrites it.
  atn.values[std::min(atn.value_count, Ieee695Module::max_atn_values - 1)] = value;
  atn.value_count = std::min(atn.value_count + 1, Ieee695Module::max_atn_values);
  return true;
}

bool read_atn_values(int count) {
  for (int i = 0; i < count; ++i) {
    if (!read_atn_value()) return false;
  }
  return true;
}

void keep_more_byte(std::uint8_t byte) {
  Ieee695Module& m = state();
  // A full buffer starts over near its end rather than grow past it.
  if (m.more_length == Ieee695Module::more_bytes_capacity) m.more_length = Ieee695Module::more_bytes_wrap;
  m.more_bytes[m.more_length++] = byte;
}

}  // namespace

void advance() {
  Ieee695Module& m = state();
  m.current_valid = !m.file.at_end();
  m.current = m.current_valid ? m.file.read_u8() : 0;
}

void seek(std::uint32_t offset) {
  state().file.seek(offset);
  advance();
}

std::uint32_t current_offset() { return static_cast<std::uint32_t>(state().file.position() - 1); }

bool current_is(std::uint8_t byte) { return state().current_valid && state().current == byte; }

bool starts_number(std::uint8_t byte) { return byte < 0x89 || byte == open_bracket; }

bool read_number(std::uint32_t& value) {
  Ieee695Module& m = state();
  if (current_is(open_bracket)) {
    advance();
    if (!read_plain_number(value)) return false;
    do {
      advance();
    } while (m.current_valid && m.current != close_bracket);
  } else if (!read_plain_number(value)) {
    return false;
  }
  m.last_number = value;
  return true;
}

bool read_name(ShortText& name) {
  Ieee695Module& m = state();
  if (!m.current_valid || m.current >= 0x80) return fail(ieee695_invalid_string);
  const std::uint8_t length = m.current;
  name = ShortText();
  for (std::uint8_t i = 0; i < length; ++i) {
    advance();
    if (!m.current_valid) return fail(ieee695_invalid_string);
    name += static_cast<char>(m.current);
  }
  return true;
}

bool read_value(std::uint32_t& value) {
  if (!read_number(value)) return false;
  advance();
  return true;
}

bool skip_numbers() {
  Ieee695Module& m = state();
  std::uint32_t value = 0;
  while (m.current_valid && starts_number(m.current)) {
    if (!read_value(value)) return false;
  }
  return true;
}

// The MB record byte itself is not examined.
bool read_module_begin() {
  Ieee695Module& m = state();
  ShortText name;
  advance();
  if (!read_name(name)) return false;
  advance();
  if (m.current_valid && m.current < 0x80) {
    if (!read_name(name)) return false;
    advance();
  }
  return true;
}

// The AD record byte itself is not examined.
bool read_address_descriptor() {
  Ieee695Module& m = state();
  m.bits_per_mau = 8;
  m.maus_per_address = 1;
  m.most_significant_first = true;
  advance();
  if (!read_value(m.bits_per_mau)) return false;
  if (!m.current_valid || m.current >= 0x89) return true;
  if (!read_value(m.maus_per_address)) return false;
  if (current_is(letter('L')) || current_is(letter('M'))) {
    m.most_significant_first = m.current == letter('M');
    advance();
  }
  return true;
}

bool read_assign() {
  Ieee695Module& m = state();
  if (!current_is(assign)) return false;
  advance();
  if (!m.current_valid) return false;
  const std::uint8_t kind = m.current;
  advance();
  return read_assign_value(kind);
}

bool read_assign_value(std::uint8_t kind) {
  Ieee695Module& m = state();
  std::uint32_t first = 0;
  std::uint32_t second = 0;
  switch (kind) {
    case letter('A'):
    case letter('B'):
    case letter('F'):
    case letter('L'):
    case letter('M'):
    case letter('R'):
    case letter('X'):
      return skip_numbers();
    case letter('G'):
      if (!read_value(first)) return false;
      m.go_on = false;
      WRITELN_TO_DEBUG("Note - Execution start record found. Start address = $" + hex_long(first));
      return true;
    case letter('I'):
    case letter('N'):
      if (!read_value(first) || !read_value(second)) return false;
      m.assigned_value = second;
      return true;
    case letter('P'):
      if (!read_value(m.section_index) || !read_value(second)) return false;
      set_block_address(static_cast<std::int32_t>(second));
      return true;
    case letter('S'):
      return read_value(first) && read_value(second);
    case letter('W'):
      if (!read_value(first) || !read_value(second) || first >= m.part.size()) return false;
      m.part[first] = second;
      return true;
    default:
      skip_numbers();
      return false;
  }
}

bool read_assign_of(std::uint8_t kind) {
  if (!current_is(assign)) return false;
  advance();
  if (!current_is(kind)) return false;
  advance();
  return read_assign_value(kind);
}

bool read_local_name() { return read_indexed_name(local_name); }

bool read_public_name() { return read_indexed_name(public_name); }

bool read_external_name() { return read_indexed_name(external_name); }

// Letters with their symbol index, the type index, then the attribute and
// its values when they follow.
bool read_header_attribute() {
  Ieee695Module& m = state();
  std::uint32_t value = 0;
  m.header_attribute = 0;
  advance();
  while (m.current_valid && m.current >= 0xC0 && m.current <= 0xDF) {
    advance();
    if (!read_value(value)) return false;
  }
  if (!read_value(value)) return false;
  if (!m.current_valid || m.current > 0x88) return true;
  if (!read_value(m.header_attribute)) return false;
  while (m.current_valid && m.current <= 0x88) {
    if (!read_value(value)) return false;
  }
  return true;
}

bool read_type() {
  Ieee695Module& m = state();
  std::uint32_t index = 0;
  std::uint32_t name_index = 0;
  std::uint32_t code = 0;
  if (!current_is(type)) return false;
  advance();
  if (!read_value(index) || !current_is(letter('N'))) return false;
  advance();
  if (!read_value(name_index) || !read_value(code)) return false;
  m.type_index = static_cast<std::uint16_t>(index);
  m.type_code = static_cast<std::uint16_t>(code);
  m.more_length = 0;
  while (m.current_valid && m.current < 0x85) {
    const std::uint8_t first = m.current;
    keep_more_byte(first);
    for (int i = 0; first >= 0x80 && i < (first & 0x0F); ++i) {
      advance();
      if (!m.current_valid) return false;
      keep_more_byte(m.current);
    }
    advance();
  }
  return true;
}

bool read_block_begin() {
  Ieee695Module& m = state();
  std::uint32_t block_type = 0;
  if (!current_is(block_begin)) return false;
  advance();
  if (!read_value(block_type) || !read_value(m.block_length) || !read_name(m.block_name)) return false;
  m.block_type = static_cast<std::uint8_t>(block_type);
  advance();
  return true;
}

bool read_block_end() {
  if (!current_is(block_end)) return false;
  advance();
  return true;
}

bool read_atn_fields() {
  Ieee695Module::Atn& atn = state().atn;
  std::uint32_t name_index = 0;
  std::uint32_t type_index = 0;
  std::uint32_t attribute_number = 0;
  advance();
  if (!read_value(name_index) || !read_value(type_index) || !read_value(attribute_number)) return false;
  atn.name_index = static_cast<std::uint16_t>(name_index);
  atn.type_index = static_cast<std::uint16_t>(type_index);
  atn.attribute = static_cast<std::uint16_t>(attribute_number);
  atn.value_count = 0;
  atn.miscellaneous_count = 0;
  ShortText ignored;
  switch (attribute_number) {
    case 1:
    case 2:
      return read_atn_values(1);
    case 10:
      return read_atn_values(1) && skip_numbers();
    case 7:
      return read_atn_values(2);
    case 3:
    case 4:
    case 8:
      return true;
    case 62:
    case 63:
    case 64:
      if (!read_atn_values(2)) return false;
      atn.miscellaneous_count = atn.values[1];
      return true;
    case 65:
      if (!read_name(ignored)) return false;
      advance();
      return true;
    default:
      while (state().current_valid && starts_number(state().current)) {
        if (!read_atn_value()) return false;
      }
      return true;
  }
}

bool read_ati_fields() {
  Ieee695Module::Ati& ati = state().ati;
  std::uint32_t index = 0;
  std::uint32_t type_index = 0;
  std::uint32_t attribute_number = 0;
  advance();
  if (!read_value(index) || !read_value(type_index) || !read_value(attribute_number)) return false;
  ati = {static_cast<std::uint16_t>(index), static_cast<std::uint16_t>(type_index),
         static_cast<std::uint16_t>(attribute_number)};
  return skip_numbers();
}

bool read_atn() {
  if (!current_is(attribute)) return false;
  advance();
  if (!current_is(letter('N'))) return false;
  return read_atn_fields();
}

// ATN and ASN records that belong to an ATN of attribute 62 to 64.
bool skip_miscellaneous_records(std::uint32_t count) {
  for (std::uint32_t i = 0; i < count; ++i) {
    if (current_is(attribute)) {
      if (!read_atn()) return false;
    } else if (!read_assign_of(letter('N'))) {
      return false;
    }
  }
  return true;
}

}  // namespace vx::loaders::ieee695
