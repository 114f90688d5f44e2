#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "loader_test_support.h"
#include "loaders/dwarf_info.h"
#include "loaders/dwarf_state.h"
#include "loaders/elf_module.h"

namespace vx::loaders::test_support {

// Section bytes as the tests write them: fixed-size values big-endian.
struct Bytes {
  std::vector<std::uint8_t> data;

  std::size_t size() const { return data.size(); }
  Bytes& u8(unsigned value) {
    data.push_back(static_cast<std::uint8_t>(value));
    return *this;
  }
  Bytes& u16(unsigned value) { return u8(value >> 8).u8(value); }
  Bytes& u32(std::uint32_t value) { return u16(value >> 16).u16(value & 0xFFFF); }
  Bytes& uleb(std::uint32_t value) {
    do {
      const unsigned group = value & 0x7F;
      value >>= 7;
      u8(group | (value != 0 ? 0x80 : 0));
    } while (value != 0);
    return *this;
  }
  Bytes& sleb(std::int32_t value) {
    while (true) {
      const unsigned group = static_cast<unsigned>(value) & 0x7F;
      value >>= 7;
      const bool done = (value == 0 && (group & 0x40) == 0) || (value == -1 && (group & 0x40) != 0);
      u8(group | (done ? 0 : 0x80));
      if (done) return *this;
    }
  }
  Bytes& str(std::string_view text) {
    data.insert(data.end(), text.begin(), text.end());
    return u8(0);
  }
  Bytes& raw(const std::vector<std::uint8_t>& bytes) {
    data.insert(data.end(), bytes.begin(), bytes.end());
    return *this;
  }
  Bytes& raw(const Bytes& bytes) { return raw(bytes.data); }
};

// One abbreviation: code, tag, children, then (attribute, form) pairs.
struct Abbreviation {
  std::uint32_t code;
  std::uint16_t tag;
  bool children;
  std::vector<std::pair<std::uint16_t, std::uint16_t>> attributes;
};

inline Bytes abbreviation_table(const std::vector<Abbreviation>& abbreviations) {
  Bytes bytes;
  for (const Abbreviation& a : abbreviations) {
    bytes.uleb(a.code).uleb(a.tag).u8(a.children ? 1 : 0);
    for (const auto& [name, form] : a.attributes) bytes.uleb(name).uleb(form);
    bytes.u8(0).u8(0);
  }
  return bytes.u8(0);
}

// A version 2 unit header around the entries.
inline Bytes info_unit(const Bytes& entries, std::uint32_t abbreviation_offset = 0, std::uint8_t address_size = 2) {
  Bytes unit;
  unit.u32(static_cast<std::uint32_t>(2 + 4 + 1 + entries.size())).u16(2).u32(abbreviation_offset).u8(address_size);
  return unit.raw(entries);
}

// Hand-made sections placed in one file as the ELF module would give them.
struct DwarfSections {
  Bytes str;
  Bytes abbrev;
  Bytes info;
  Bytes line;
  std::vector<std::uint8_t> loc;

  // Where each section starts in the file; 16 filler bytes stand for the headers.
  ElfExtent str_extent, abbrev_extent, info_extent, line_extent;

  void install() {
    std::vector<std::uint8_t> file(16, 0xEE);
    auto place = [&file](const Bytes& section, ElfExtent& extent) {
      extent.start = static_cast<std::uint32_t>(file.size());
      file.insert(file.end(), section.data.begin(), section.data.end());
      extent.end = static_cast<std::uint32_t>(file.size());
    };
    place(str, str_extent);
    place(abbrev, abbrev_extent);
    place(info, info_extent);
    place(line, line_extent);
    set_elf_file_bytes(file);
    ElfModule& m = elf_module();
    if (str.size() != 0) m.debug_str = str_extent;
    m.debug_abbrev_offset = abbrev_extent.start;
    m.debug_info_offset = info_extent.start;
    m.dynamic_byte_array = loc;
  }

  // The open slot's reading of the three sections.
  void analyze() {
    install();
    if (str.size() != 0) ANALYZE_DEBUG_STR(str_extent.start, str_extent.end);
    if (get_debug_dll_error() == 0) ANALYZE_DEBUG_ABBREV(abbrev_extent.start, abbrev_extent.end);
    if (get_debug_dll_error() == 0) ANALYZE_DEBUG_INFO(info_extent.start, info_extent.end);
  }
};

class DwarfTest : public LoaderTest {
 protected:
  void SetUp() override {
    LoaderTest::SetUp();
    reset_dwarf_state();
  }
  void TearDown() override {
    reset_dwarf_state();
    LoaderTest::TearDown();
  }
};

}  // namespace vx::loaders::test_support
