#pragma once

#include <cstdint>

// The DWARF 2.0 numbers the reader knows.
namespace vx::loaders::dw {

enum Tag : std::uint16_t {
  TAG_array_type = 0x01,
  TAG_enumeration_type = 0x04,
  TAG_formal_parameter = 0x05,
  TAG_label = 0x0A,
  TAG_lexical_block = 0x0B,
  TAG_member = 0x0D,
  TAG_pointer_type = 0x0F,
  TAG_compile_unit = 0x11,
  TAG_structure_type = 0x13,
  TAG_subroutine_type = 0x15,
  TAG_typedef = 0x16,
  TAG_union_type = 0x17,
  TAG_inlined_subroutine = 0x1D,
  TAG_subrange_type = 0x21,
  TAG_base_type = 0x24,
  TAG_const_type = 0x26,
  TAG_constant = 0x27,
  TAG_enumerator = 0x28,
  TAG_subprogram = 0x2E,
  TAG_variable = 0x34,
  TAG_volatile_type = 0x35,
};

enum Attribute : std::uint16_t {
  AT_location = 0x02,
  AT_name = 0x03,
  AT_byte_size = 0x0B,
  AT_low_pc = 0x11,
  AT_high_pc = 0x12,
  AT_const_value = 0x1C,
  AT_producer = 0x25,
  AT_start_scope = 0x2C,
  AT_upper_bound = 0x2F,
  AT_count = 0x37,
  AT_data_member_location = 0x38,
  AT_encoding = 0x3E,
  AT_external = 0x3F,
  AT_frame_base = 0x40,
  AT_type = 0x49,
};

enum Form : std::uint16_t {
  FORM_addr = 1,
  FORM_block2 = 3,
  FORM_block4 = 4,
  FORM_data2 = 5,
  FORM_data4 = 6,
  FORM_data8 = 7,
  FORM_string = 8,
  FORM_block = 9,
  FORM_block1 = 10,
  FORM_data1 = 11,
  FORM_flag = 12,
  FORM_sdata = 13,
  FORM_strp = 14,
  FORM_udata = 15,
  FORM_ref_addr = 16,
  FORM_ref1 = 17,
  FORM_ref2 = 18,
  FORM_ref4 = 19,
  FORM_ref8 = 20,
  FORM_ref_udata = 21,
  FORM_indirect = 22,
};

inline bool is_block_form(std::uint16_t form) {
  return form == FORM_block2 || form == FORM_block4 || form == FORM_block || form == FORM_block1;
}

// The forms a size or bound is read from as a number.
inline bool is_constant_form(std::uint16_t form) {
  return form == FORM_data2 || form == FORM_data4 || form == FORM_data8 || form == FORM_data1 ||
         form == FORM_sdata || form == FORM_udata;
}

inline bool is_unit_reference_form(std::uint16_t form) {
  return (form >= FORM_ref1 && form <= FORM_ref8) || form == FORM_ref_udata;
}

inline bool is_reference_form(std::uint16_t form) { return form == FORM_ref_addr || is_unit_reference_form(form); }

// A location-list offset: a constant or a reference form.
inline bool is_list_offset_form(std::uint16_t form) {
  return is_constant_form(form) || (form >= FORM_ref_addr && form <= FORM_ref_udata);
}

}  // namespace vx::loaders::dw
