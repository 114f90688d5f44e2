#pragma once

#include <string>

// Why a device node could not be opened, said in one line that tells the
// user what to fix: a missing permission names the group that owns the node
// (or a udev rule), and "in use" is kept for a device another program holds.
namespace vx::platform {

enum class DeviceOpenFailure { missing, in_use, no_permission, other };

DeviceOpenFailure classify_open_error(int error);

// The line for an open of `node` that failed with errno `error`.
std::string device_open_problem(const std::string& node, int error);

}  // namespace vx::platform
