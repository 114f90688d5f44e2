#pragma once

#include <cstdint>
#include <initializer_list>

// One command of the target operations, repeated until HS_GOOD: every byte
// but the last with SEND8, the last with the short or long time-out, then
// the reply word when one is expected.
namespace vx {

enum class CommandWait : std::uint8_t { short_wait, long_wait };

// The reply word's 16 bits (stale when no reply was asked for).
std::uint16_t exchange(std::initializer_list<std::uint8_t> bytes, CommandWait wait, bool with_reply);

}  // namespace vx
