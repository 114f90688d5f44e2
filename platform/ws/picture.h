#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vx::ws {

// A decoded picture: rows of red, green, blue bytes, top row first.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
  bool empty() const { return width == 0 || height == 0; }
};

// Nothing when the data is not a JPEG image we can decode, or when its
// header claims a picture too large to hold.
std::optional<Picture> decode_jpeg(std::span<const std::uint8_t> data);
std::optional<Picture> load_jpeg_file(const std::string& path);

}  // namespace vx::ws
