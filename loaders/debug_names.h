#pragma once

#include <cstdint>

#include "foundation/short_text.h"

namespace vx::loaders {

// The name of a type code (IEEE-695 numbering, letters as character codes).
ShortText get_debug_type_name(std::uint16_t type_code);
// The name of a symbol attribute as files of that format number use it.
ShortText attribute_name_for_format(std::uint16_t attribute, std::uint8_t format);
// As files of the format last accepted use it.
ShortText get_debug_attribute_name(std::uint16_t attribute);

}  // namespace vx::loaders
