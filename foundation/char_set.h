#pragma once

#include <bitset>
#include <string_view>

namespace vx {

// A set of single-byte characters, used as word delimiters.
class CharSet {
 public:
  CharSet() = default;
  explicit CharSet(std::string_view members) {
    for (const char c : members) add(c);
  }
  bool contains(char c) const { return bits_.test(static_cast<unsigned char>(c)); }
  void add(char c) { bits_.set(static_cast<unsigned char>(c)); }

 private:
  std::bitset<256> bits_;
};

}  // namespace vx
