#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vx {

// One numbered message of the program's message table.
struct MessageEntry {
  std::int32_t number;
  std::string_view text;
};

// The program's message table: the messages the containers raise.
std::span<const MessageEntry> message_table();

// The text of the last entry with that number; empty when there is none.
std::string message_text(std::span<const MessageEntry> table, std::int32_t number);
std::string message_text(std::int32_t number);

}  // namespace vx
