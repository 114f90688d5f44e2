#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "interface/crc32.h"
#include "sim/programmer/sim_programmer.h"

// Update files for a stand-alone programmer and what they must leave in its
// flash, computed the way the programmer computes them.
namespace vx::test {

using Bytes = std::vector<std::uint8_t>;

// One run of bytes at an image address.
struct ImagePiece {
  std::uint32_t address = 0;
  Bytes bytes;
};

// S3 records of 32 bytes, whatever the address.
inline std::string s3_records(const std::vector<ImagePiece>& pieces) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text = "S00600004844521B\r\n";
  for (const ImagePiece& piece : pieces) {
    for (std::size_t at = 0; at < piece.bytes.size(); at += 32) {
      const std::size_t count = std::min<std::size_t>(32, piece.bytes.size() - at);
      const std::uint32_t address = piece.address + static_cast<std::uint32_t>(at);
      Bytes record{static_cast<std::uint8_t>(count + 5), static_cast<std::uint8_t>(address >> 24),
                   static_cast<std::uint8_t>(address >> 16), static_cast<std::uint8_t>(address >> 8),
                   static_cast<std::uint8_t>(address)};
      record.insert(record.end(), piece.bytes.begin() + static_cast<long>(at),
                    piece.bytes.begin() + static_cast<long>(at + count));
      unsigned sum = 0;
      text += "S3";
      for (std::uint8_t byte : record) {
        sum += byte;
        text += {digits[byte >> 4], digits[byte & 0xF]};
      }
      const auto check = static_cast<std::uint8_t>(~sum);
      text += {digits[check >> 4], digits[check & 0xF], '\r', '\n'};
    }
  }
  return text + "S70500000000FA\r\n";
}

// An image whose version text and name the simulated programmer reads, at image address 0x400.
inline ImagePiece image_at_0x400(const std::string& version, const std::string& name, std::size_t size) {
  return {0x400, sim::programmer_image(version, name, size)};
}

// Filler bytes for a piece that is not the start of an image.
inline Bytes filler(std::size_t size, std::uint8_t seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + seed);
  return bytes;
}

inline std::uint32_t crc_of(const Bytes& bytes) {
  std::uint32_t crc = 0;
  for (std::size_t at = 0; at < bytes.size(); at += 0x8000) {
    crc32_update(bytes.data() + at, static_cast<std::uint16_t>(std::min<std::size_t>(0x8000, bytes.size() - at)), crc);
  }
  return crc;
}

inline Bytes big_endian(std::initializer_list<std::uint32_t> values) {
  Bytes bytes;
  for (std::uint32_t value : values) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
  }
  return bytes;
}

inline Bytes flash_bytes(const sim::SimProgrammer& programmer, std::uint32_t address, std::size_t count) {
  Bytes bytes;
  for (std::size_t i = 0; i < count; ++i) bytes.push_back(programmer.byte_at(address + static_cast<std::uint32_t>(i)));
  return bytes;
}

// The section table an upgrade of one or two sections leaves, ending at 0xF0110000.
inline Bytes section_table(const Bytes& section1, const Bytes& section2) {
  if (section2.empty()) return big_endian({0, 0, static_cast<std::uint32_t>(section1.size()), crc_of(section1)});
  return big_endian({0, 0, static_cast<std::uint32_t>(section2.size()), crc_of(section2), 0, 0xF0040000,
                     static_cast<std::uint32_t>(section1.size()), crc_of(section1)});
}

}  // namespace vx::test
