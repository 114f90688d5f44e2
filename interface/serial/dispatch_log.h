#pragma once

#include <cstdint>
#include <string>

#include "foundation/short_text.h"
#include "platform/osinfo.h"

// How the byte trace and the dispatch log are written out.
namespace vx::serial {

// Log entry types and subtypes the dispatcher records.
inline constexpr std::uint8_t dtDispatch = 1;
inline constexpr std::uint8_t dtTrigger = 2;
inline constexpr std::uint8_t dtTriggerHandlerAlloc = 7;
inline constexpr std::uint8_t dtTriggerHandlerDispose = 8;
inline constexpr std::uint8_t dtTriggerDataChange = 9;
inline constexpr std::uint8_t dstReadCom = 1;
inline constexpr std::uint8_t dstWriteCom = 2;
inline constexpr std::uint8_t dstAvail = 5;
inline constexpr std::uint8_t dstTimer = 6;
inline constexpr std::uint8_t dstData = 7;
inline constexpr std::uint8_t dstStatus = 8;
inline constexpr std::uint8_t dstAvailLevel = 16;
inline constexpr std::uint8_t dstWindow = 17;

inline constexpr std::uint32_t MaxTraceEntries = 4'000'000;

// A byte as the dumps show it: itself when printable (from a blank, or from
// '!' with hexControls, up to '~'), else "[HH]" with hexControls or allHex,
// else "[decimal]".
std::string DumpByteText(std::uint8_t byte, bool all_hex, bool hex_controls);
// Milliseconds as at least seven digits with a point before the last three: 0001.234.
std::string LogTimeText(std::uint32_t ms);
ShortText OsDescription(const platform::OsVersion& version);

}  // namespace vx::serial
