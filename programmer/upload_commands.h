#pragma once

#include <cstdint>

// UM and UR: the device memory of the module, or of a range of it, into an S-record file.
namespace vx::programmer {

// Object-file addresses start..end; the file name is the rest of the command line.
void upload_module(std::int32_t start, std::int32_t end);
void upload_range();

}  // namespace vx::programmer
