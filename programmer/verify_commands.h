#pragma once

#include <cstdint>

// VM and VR: every object-file byte of the module (or of a range of it) compared with the device.
namespace vx::programmer {

// Object-file addresses start..end.
void verify_module(std::int32_t start, std::int32_t end);
void verify_range();

}  // namespace vx::programmer
