#pragma once

#include <string>

namespace vx::test {

// The part's flash from 0xF000 for a bench's `image` setting: WAIT and a branch back to it, with
// the reset vector on it. A run's long waits (an interface or programmer rewriting its firmware)
// then cost the simulated part next to nothing, instead of millions of instructions through
// erased flash.
inline std::string idle_target_image() {
  std::string image(0x1000, '\xFF');
  const char wait_loop[] = {'\x8F', '\x20', '\xFD'}, reset_vector[] = {'\xF0', '\x00'};
  image.replace(0, sizeof wait_loop, wait_loop, sizeof wait_loop);
  image.replace(0xFFE, sizeof reset_vector, reset_vector, sizeof reset_vector);
  return image;
}

// The [target] lines that load it from "idle.bin" beside the bench.
inline constexpr const char* idle_target_lines = "image = idle.bin\nimage_address = 0xF000\n";

}  // namespace vx::test
