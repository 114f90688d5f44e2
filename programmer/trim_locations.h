#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "programmer/module_state.h"

// The device's non-volatile trim locations and what PT writes into them.
namespace vx::programmer {

// A value the device can use: its trim bits neither all zeros nor all ones.
bool trim_value_valid(const TrimState& trim);

struct TrimLocation {
  std::uint16_t address = 0;
  std::uint8_t value = 0;
  std::string_view name;
};

// The locations of the trim type, in the order PT programs them, with their values.
std::vector<TrimLocation> trim_locations(const TrimState& trim);

}  // namespace vx::programmer
