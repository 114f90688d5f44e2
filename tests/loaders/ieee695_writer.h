#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

// Writes IEEE-695 absolute object modules for the tests: number and name
// encodings, the records the module reads, and a header whose part pointers
// name the parts given.
namespace vx::loaders::test_support::ieee695_writer {

using Bytes = std::vector<std::uint8_t>;

inline Bytes operator+(Bytes left, const Bytes& right) {
  left.insert(left.end(), right.begin(), right.end());
  return left;
}

inline Bytes& operator+=(Bytes& left, const Bytes& right) {
  left.insert(left.end(), right.begin(), right.end());
  return left;
}

// Values below 0x80 in one byte, others as 0x80 + length and the bytes, most
// significant first; `width` forces that many bytes.
inline Bytes number(std::uint32_t value, int width = 0) {
  if (width == 0 && value < 0x80) return {static_cast<std::uint8_t>(value)};
  if (width == 0) {
    width = value > 0xFFFFFF ? 4 : value > 0xFFFF ? 3 : value > 0xFF ? 2 : 1;
  }
  Bytes bytes{static_cast<std::uint8_t>(0x80 + width)};
  for (int i = width - 1; i >= 0; --i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  return bytes;
}

inline Bytes numbers(std::initializer_list<std::uint32_t> values) {
  Bytes bytes;
  for (std::uint32_t value : values) bytes += number(value);
  return bytes;
}

inline Bytes name(std::string_view text) {
  Bytes bytes{static_cast<std::uint8_t>(text.size())};
  bytes.insert(bytes.end(), text.begin(), text.end());
  return bytes;
}

inline constexpr std::uint8_t letter(char c) { return static_cast<std::uint8_t>(0xC0 + (c - '@')); }

inline Bytes as(char kind, std::initializer_list<std::uint32_t> values) {
  return Bytes{0xE2, letter(kind)} + numbers(values);
}
inline Bytes asp(std::uint32_t address) { return as('P', {0, address}); }
inline Bytes asn(std::uint32_t index, std::uint32_t value) { return as('N', {index, value}); }
inline Bytes asi(std::uint32_t index, std::uint32_t value) { return as('I', {index, value}); }
inline Bytes ld(const Bytes& data) { return Bytes{0xED, static_cast<std::uint8_t>(data.size())} + data; }
inline Bytes re(std::uint32_t count) { return Bytes{0xF7} + number(count); }
inline Bytes sb(std::uint32_t section) { return Bytes{0xE5} + number(section); }
inline Bytes module_end() { return {0xE1}; }

inline Bytes nn(std::uint32_t index, std::string_view text) { return Bytes{0xF0} + number(index) + name(text); }
inline Bytes ni(std::uint32_t index, std::string_view text) { return Bytes{0xE8} + number(index) + name(text); }
inline Bytes atn(std::uint32_t name_index, std::uint32_t type, std::uint32_t attribute,
                 std::initializer_list<std::uint32_t> values = {}) {
  return Bytes{0xF1, letter('N')} + numbers({name_index, type, attribute}) + numbers(values);
}
inline Bytes ati(std::uint32_t index, std::uint32_t type, std::uint32_t attribute) {
  return Bytes{0xF1, letter('I')} + numbers({index, type, attribute});
}
inline Bytes ty(std::uint32_t index, std::uint32_t code, const Bytes& more = {}) {
  return Bytes{0xF2} + number(index) + Bytes{letter('N')} + numbers({0, code}) + more;
}
inline Bytes bb(std::uint32_t type, std::uint32_t length, std::string_view block_name,
                std::initializer_list<std::uint32_t> values = {}) {
  return Bytes{0xF8} + numbers({type, length}) + name(block_name) + numbers(values);
}
inline Bytes be() { return {0xF9}; }
inline Bytes be(std::uint32_t end) { return Bytes{0xF9} + number(end); }

// The AD extension part of an absolute module: attribute 38 with its value.
inline Bytes object_format(std::uint32_t format = 1) { return atn(0, 0, 38, {format}); }

// A module: MB, AD, the eight ASW records, then the parts in the order
// extension (W0), external (W3), debug (W4), data (W5), module end (W7).
// An empty part gets pointer 0; `pointers` overrides any of them.
struct Module {
  Bytes extension = object_format();
  Bytes externals;
  Bytes debug;
  // A data part that ends at once.
  Bytes data = module_end();
  std::array<std::optional<std::uint32_t>, 8> pointers{};

  Bytes header() const { return Bytes{0xE0} + name("HC08") + name("app") + Bytes{0xEC, 8, 1, 0xCD}; }

  Bytes build() const {
    constexpr std::size_t part_pointers_size = 8 * 8;
    std::array<std::uint32_t, 8> w{};
    std::uint32_t position = static_cast<std::uint32_t>(header().size() + part_pointers_size);
    const auto place = [&](std::size_t index, const Bytes& part) {
      w[index] = part.empty() ? 0 : position;
      position += static_cast<std::uint32_t>(part.size());
    };
    place(0, extension);
    place(3, externals);
    place(4, debug);
    place(5, data);
    w[7] = position;
    Bytes bytes = header();
    for (std::uint32_t i = 0; i < 8; ++i) {
      bytes += Bytes{0xE2, letter('W')} + number(i) + number(pointers[i].value_or(w[i]), 4);
    }
    return bytes + extension + externals + debug + data + module_end();
  }
};

}  // namespace vx::loaders::test_support::ieee695_writer
