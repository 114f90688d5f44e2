#pragma once

#include <cstdint>

#include "foundation/short_text.h"

// The parallel-port addresses and programmer IP addresses the user entered,
// kept in the registry. A registry failure reads as a missing value.
namespace vx {

inline constexpr const char* user_lpt_key = "Software\\Velmorix\\Parallel Port";
inline constexpr const char* user_ethernet_key = "Software\\Velmorix\\Ethernet IP";

// LPTn, n from 1; 0 when there is none.
std::uint32_t read_user_lpt_address(std::int32_t n);
void write_user_lpt_address(std::int32_t n, std::uint32_t address);

std::int32_t count_user_ethernet_ips();
// '' when there is none.
ShortText read_user_ethernet_ip(std::int32_t n);
// Stores the trimmed address under a number not yet in use, unless it is listed.
void add_user_ethernet_ip(const ShortText& ip);
// Removes the address and numbers the rest from 1 again.
void remove_user_ethernet_ip(const ShortText& ip);

}  // namespace vx
