#include "foundation/message_table.h"

#include <array>

namespace vx {
namespace {

constexpr std::array<MessageEntry, 6> messages{{
    {51, "Compare property must be set"},
    {52, "An incompatible class is passed to a method"},
    {53, "Bad size parameter"},
    {54, "Attempt to add duplicate node to TStTree"},
    {59, "Container's StoreData property is unassigned"},
    {60, "Container's LoadData property is unassigned"},
}};

}  // namespace

std::span<const MessageEntry> message_table() { return messages; }

std::string message_text(std::span<const MessageEntry> table, std::int32_t number) {
  std::string_view text;
  for (const MessageEntry& entry : table) {
    if (entry.number == number) {
      text = entry.text;
    }
  }
  return std::string(text);
}

std::string message_text(std::int32_t number) { return message_text(message_table(), number); }

}  // namespace vx
