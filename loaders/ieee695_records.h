#pragma once

#include <cstdint>

#include "loaders/dll_695.h"

// The record readers of the IEEE-695 module. Each is entered with the
// current byte on the first byte it examines and leaves it on the byte after
// what it consumed; read_number and read_name leave it on the value's last
// byte. They answer true on success.
namespace vx::loaders::ieee695 {

// Reads the next byte into the current byte; past the end it is not valid.
void advance();
// Moves to a file offset and reads the byte there.
void seek(std::uint32_t offset);
// The offset of the current byte.
std::uint32_t current_offset();
bool current_is(std::uint8_t byte);
// A byte that can begin a number, bracketed numbers included.
bool starts_number(std::uint8_t byte);

// Codes 3 and 14 for what is not a number or too long a number.
bool read_number(std::uint32_t& value);
// Code 2 for a length byte with bit 7 set.
bool read_name(ShortText& name);
// Numbers and the bytes after them up to the first byte that begins none.
bool skip_numbers();

bool read_module_begin();
bool read_address_descriptor();
bool read_assign();
bool read_assign_value(std::uint8_t letter);
// An AS record of the given kind only.
bool read_assign_of(std::uint8_t kind);
// A number and the byte after it.
bool read_value(std::uint32_t& value);
bool read_local_name();
bool read_public_name();
bool read_external_name();
bool read_header_attribute();
bool read_type();
bool read_block_begin();
bool read_block_end();
// With the current byte on the letter after 0xF1.
bool read_atn_fields();
bool read_ati_fields();
// An ATN record from its 0xF1.
bool read_atn();
bool skip_miscellaneous_records(std::uint32_t count);

// The debug information part and the external part; each gives its error code.
std::uint8_t read_debug_section();
std::uint8_t read_externals_section();

}  // namespace vx::loaders::ieee695
