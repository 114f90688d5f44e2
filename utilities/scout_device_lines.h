#pragma once

#include <cstdint>
#include <string>
#include <vector>

// fwscout's reading of the combined USB device list.
namespace vx::utilities::fwscout_form {

// The list's lines for the `count` entries the last enumerate_devices left
// (fwscout's builds of the port list and the OSBDM binding): each Universal
// interface with its configuration, revision and serial, each OSBDM/OSJTAG
// board with its firmware's version bytes, an empty line after every entry,
// and "No Devices Found" when nothing was listed.
std::vector<std::string> device_lines(std::int32_t count);

}  // namespace vx::utilities::fwscout_form
