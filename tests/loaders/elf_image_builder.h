#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Builds small 32-bit big-endian ELF executables for tests: a header, the
// program headers, each segment's bytes, each section's bytes, the section
// names and the section headers (a null section first, the names last).
namespace vx::loaders::test_support {

inline void put_u16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
  bytes.at(offset) = static_cast<std::uint8_t>(value >> 8);
  bytes.at(offset + 1) = static_cast<std::uint8_t>(value);
}

inline void put_u32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
  put_u16(bytes, offset, value >> 16);
  put_u16(bytes, offset + 2, value & 0xFFFF);
}

struct ElfSegmentSpec {
  std::uint32_t vaddr = 0;
  std::vector<std::uint8_t> bytes;
  std::uint32_t paddr = 0;
  // 0: the size of the bytes.
  std::uint32_t memsz = 0;
  std::uint32_t type = 1;
};

struct ElfSectionSpec {
  std::string name;
  std::vector<std::uint8_t> bytes;
  std::uint32_t type = 1;
  std::uint32_t flags = 0;
  std::uint32_t addr = 0;
};

struct ElfImageBuilder {
  std::uint8_t ei_class = 1;
  std::uint8_t ei_data = 2;
  std::uint16_t e_type = 2;
  std::uint16_t e_machine = 71;
  bool section_table = true;
  std::vector<ElfSegmentSpec> segments;
  std::vector<ElfSectionSpec> sections;

  // Where build() put things.
  static constexpr std::size_t phoff = 52;
  std::size_t shoff = 0;
  std::vector<std::size_t> segment_offsets;

  static constexpr std::size_t e_phoff_at = 28;
  static constexpr std::size_t e_shoff_at = 32;
  static constexpr std::size_t e_phnum_at = 44;
  static constexpr std::size_t e_shentsize_at = 46;
  static constexpr std::size_t e_shnum_at = 48;
  static constexpr std::size_t e_shstrndx_at = 50;
  static std::size_t program_header_at(std::size_t index) { return phoff + 32 * index; }
  // Section 0 is the null section; spec i is section i + 1.
  std::size_t section_header_at(std::size_t section) const { return shoff + 40 * section; }

  std::vector<std::uint8_t> build() {
    std::vector<std::uint8_t> out(phoff + 32 * segments.size());
    out[0] = 0x7F;
    out[1] = 'E';
    out[2] = 'L';
    out[3] = 'F';
    out[4] = ei_class;
    out[5] = ei_data;
    out[6] = 1;
    put_u16(out, 16, e_type);
    put_u16(out, 18, e_machine);
    put_u32(out, 20, 1);
    put_u32(out, e_phoff_at, segments.empty() ? 0 : phoff);
    put_u16(out, 40, 52);
    put_u16(out, 42, 32);
    put_u16(out, e_phnum_at, static_cast<std::uint32_t>(segments.size()));
    segment_offsets.clear();
    for (std::size_t i = 0; i < segments.size(); ++i) {
      const ElfSegmentSpec& s = segments[i];
      segment_offsets.push_back(out.size());
      const std::size_t at = program_header_at(i);
      put_u32(out, at, s.type);
      put_u32(out, at + 4, static_cast<std::uint32_t>(out.size()));
      put_u32(out, at + 8, s.vaddr);
      put_u32(out, at + 12, s.paddr);
      put_u32(out, at + 16, static_cast<std::uint32_t>(s.bytes.size()));
      put_u32(out, at + 20, s.memsz != 0 ? s.memsz : static_cast<std::uint32_t>(s.bytes.size()));
      put_u32(out, at + 24, 5);
      put_u32(out, at + 28, 1);
      out.insert(out.end(), s.bytes.begin(), s.bytes.end());
    }
    if (!section_table) return out;
    std::vector<std::uint8_t> names{0};
    std::vector<std::uint32_t> name_offsets;
    std::vector<std::uint32_t> data_offsets;
    for (const ElfSectionSpec& s : sections) {
      name_offsets.push_back(static_cast<std::uint32_t>(names.size()));
      names.insert(names.end(), s.name.begin(), s.name.end());
      names.push_back(0);
      data_offsets.push_back(static_cast<std::uint32_t>(out.size()));
      if (s.type != 8) out.insert(out.end(), s.bytes.begin(), s.bytes.end());
    }
    const std::uint32_t names_name = static_cast<std::uint32_t>(names.size());
    for (char c : std::string(".shstrtab")) names.push_back(static_cast<std::uint8_t>(c));
    names.push_back(0);
    const std::uint32_t names_offset = static_cast<std::uint32_t>(out.size());
    out.insert(out.end(), names.begin(), names.end());
    shoff = out.size();
    const std::size_t count = sections.size() + 2;
    out.resize(shoff + 40 * count);
    for (std::size_t i = 0; i < sections.size(); ++i) {
      const ElfSectionSpec& s = sections[i];
      const std::size_t at = section_header_at(i + 1);
      put_u32(out, at, name_offsets[i]);
      put_u32(out, at + 4, s.type);
      put_u32(out, at + 8, s.flags);
      put_u32(out, at + 12, s.addr);
      put_u32(out, at + 16, data_offsets[i]);
      put_u32(out, at + 20, static_cast<std::uint32_t>(s.bytes.size()));
    }
    const std::size_t at = section_header_at(count - 1);
    put_u32(out, at, names_name);
    put_u32(out, at + 4, 3);
    put_u32(out, at + 16, names_offset);
    put_u32(out, at + 20, static_cast<std::uint32_t>(names.size()));
    put_u32(out, e_shoff_at, static_cast<std::uint32_t>(shoff));
    put_u16(out, e_shentsize_at, 40);
    put_u16(out, e_shnum_at, static_cast<std::uint32_t>(count));
    put_u16(out, e_shstrndx_at, static_cast<std::uint32_t>(count - 1));
    return out;
  }
};

// An executable with one segment and the sections a program has.
inline ElfImageBuilder simple_elf(std::uint32_t address, std::vector<std::uint8_t> bytes) {
  ElfImageBuilder elf;
  elf.segments.push_back({address, bytes, address});
  elf.sections.push_back({".text", std::move(bytes), 1, 6, address});
  return elf;
}

}  // namespace vx::loaders::test_support
