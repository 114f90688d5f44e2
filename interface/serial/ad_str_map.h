#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "foundation/short_text.h"

// The serial-port stack's message numbers and their texts.
namespace vx::serial {

struct AdMessageNumberLookupRecord {
  std::int32_t number;
  std::string_view text;
};

// Ascending by absolute number, no absolute number twice. Negative numbers
// are result codes, positive ones status texts and names.
std::span<const AdMessageNumberLookupRecord> MessageNumberTable();

// The text of |code|; empty when the table has none.
ShortText LookupMessageNumber(std::int32_t code);
// The table's text of the code taken as 16 bits, else the system's text; empty when neither knows it.
ShortText MessageTextForCode(std::int32_t code);
// Control characters become blanks and runs of blanks one blank.
ShortText TidySystemMessage(const ShortText& text);

}  // namespace vx::serial
