#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Why a device node could not be opened, said in one line that tells the
// user what to fix: a missing permission names the group that owns the node
// (or a udev rule), and "in use" is kept for a device another program holds.
namespace vx::platform {

enum class DeviceOpenFailure { missing, in_use, no_permission, other };

DeviceOpenFailure classify_open_error(int error);

// The line for an open of `node` that failed with errno `error`.
std::string device_open_problem(const std::string& node, int error);

// The node of USB device `address` on bus `bus`: /dev/bus/usb/BBB/DDD.
std::string usb_device_node(std::uint8_t bus, std::uint8_t address);

// Nodes a USB library was refused, kept for the layer that tells the user;
// callable from any thread.
void record_refused_device(const std::string& node);
// The nodes refused since the last call, each handed out once per run.
std::vector<std::string> take_refused_devices();
void reset_refused_devices();

}  // namespace vx::platform
