#include "loaders/dwarf_line.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "dwarf_test_support.h"

namespace vx::loaders {
namespace {

using test_support::Bytes;
using test_support::DwarfSections;
using test_support::DwarfTest;

using Row = std::tuple<std::uint32_t, std::int32_t, std::int32_t>;

const std::vector<std::string> line_warning{"Warning - DWARF line information not compliant with version 2.0",
                                            "DWARF line information begins or ends unexpectedly",
                                            "Attempting to continue loading DWARF information"};

struct LineUnit {
  std::uint16_t version = 2;
  std::uint8_t minimum_instruction_length = 1;
  std::int8_t line_base = -5;
  std::uint8_t line_range = 14;
  std::uint8_t opcode_base = 10;
  std::vector<std::uint8_t> opcode_lengths{0, 1, 1, 1, 1, 0, 0, 0, 1};
  std::vector<std::string> directories;
  std::vector<std::pair<std::string, unsigned>> files{{"a.c", 0}};
  Bytes program;
  // Bytes of the header that the header length leaves out.
  std::uint32_t header_length_short_by = 0;

  Bytes build() const {
    Bytes header;
    header.u8(minimum_instruction_length).u8(1).u8(static_cast<std::uint8_t>(line_base)).u8(line_range).u8(opcode_base);
    for (std::uint8_t length : opcode_lengths) header.u8(length);
    for (const std::string& d : directories) header.str(d);
    header.u8(0);
    for (const auto& [name, directory] : files) header.str(name).uleb(directory).uleb(0).uleb(0);
    header.u8(0);
    Bytes unit;
    unit.u32(static_cast<std::uint32_t>(2 + 4 + header.size() + program.size())).u16(version);
    unit.u32(static_cast<std::uint32_t>(header.size()) - header_length_short_by);
    return unit.raw(header).raw(program);
  }
};

Bytes set_address(std::uint32_t address, int size = 4) {
  Bytes op;
  op.u8(0).uleb(static_cast<std::uint32_t>(size + 1)).u8(2);
  for (int i = size - 1; i >= 0; --i) op.u8(address >> (8 * i));
  return op;
}
Bytes end_sequence() { return Bytes().u8(0).u8(1).u8(1); }
Bytes copy() { return Bytes().u8(1); }
Bytes advance_line(std::int32_t delta) { return Bytes().u8(3).sleb(delta); }

class DwarfLine : public DwarfTest {
 protected:
  void run(const Bytes& section) {
    DwarfSections s;
    s.line = section;
    s.install();
    ANALYZE_DEBUG_LINE(s.line_extent.start, s.line_extent.end);
  }
  std::vector<Row> rows() const {
    std::vector<Row> result;
    for (const debug_line_record* r = get_debug_database().lines().head; r != nullptr; r = r->next) {
      result.emplace_back(static_cast<std::uint32_t>(r->address), r->file, r->line);
    }
    return result;
  }
  std::vector<std::string> files() const {
    const auto& f = get_debug_database().files();
    return {f.begin(), f.end()};
  }
};

TEST_F(DwarfLine, ProgramGivesRowsWithALine) {
  LineUnit unit;
  unit.directories = {"src", "inc\\", "io"};
  unit.files = {{"a.c", 0}, {"b.c", 1}, {"c.h", 2}, {"p.c", 3}};
  unit.program.raw(set_address(0x8000)).raw(copy());
  // Special opcode: address + 1, line + 2.
  unit.program.u8(static_cast<std::uint8_t>(10 + 1 * 14 + (2 + 5)));
  unit.program.u8(2).uleb(3).raw(advance_line(-3)).raw(copy());  // line 0: no row
  unit.program.raw(advance_line(10)).u8(4).uleb(2).u8(8).raw(copy());  // const_add_pc: (255-10)/14 = 17
  unit.program.u8(9).u16(0x100).u8(6).u8(7).u8(5).uleb(4).raw(copy());
  unit.program.raw(end_sequence()).raw(copy());
  run(unit.build());
  EXPECT_EQ(get_debug_dll_error(), 0);
  EXPECT_EQ(files(), (std::vector<std::string>{"a.c", "src\\b.c", "inc\\c.h", "io\\p.c"}));
  EXPECT_EQ(rows(), (std::vector<Row>{{0, 1, 1}, {0x8000, 1, 1}, {0x8001, 1, 3}, {0x8015, 2, 10}, {0x8115, 2, 10}}));
}

TEST_F(DwarfLine, FilesOfLaterUnitsAreNumberedOn) {
  LineUnit first;
  first.files = {{"a.c", 0}, {"b.c", 0}, {"c.c", 0}};
  first.program.raw(set_address(0x10)).raw(copy());
  LineUnit second;
  second.files = {{"d.c", 0}, {"e.c", 0}};
  second.program.raw(set_address(0x20)).raw(copy()).u8(4).uleb(2).raw(copy());
  run(first.build().raw(second.build()));
  EXPECT_EQ(get_debug_dll_error(), 0);
  const std::vector<Row> stored = rows();
  EXPECT_EQ(std::multiset<Row>(stored.begin(), stored.end()), (std::multiset<Row>{{0x10, 1, 1}, {0x20, 4, 1}, {0x20, 5, 1}}));
}

TEST_F(DwarfLine, DefineFileAddsAFile) {
  LineUnit unit;
  unit.program.u8(0).uleb(1 + 4 + 3).u8(3).str("x.c").uleb(0).uleb(0).uleb(0);
  unit.program.u8(4).uleb(2).raw(copy());
  run(unit.build());
  EXPECT_EQ(get_debug_dll_error(), 0);
  EXPECT_EQ(files(), (std::vector<std::string>{"a.c", "x.c"}));
  EXPECT_EQ(rows(), (std::vector<Row>{{0, 2, 1}}));
}

TEST_F(DwarfLine, HeadersStartingLateAreFound) {
  for (std::size_t filler = 1; filler <= 4; ++filler) {
    SCOPED_TRACE(filler);
    reset_all();
    reset_dwarf_state();
    status_output().lines.clear();
    LineUnit unit;
    unit.program.raw(set_address(0x40)).raw(copy());
    run(Bytes().raw(std::vector<std::uint8_t>(filler, 0)).raw(unit.build()));
    EXPECT_EQ(status_lines(), line_warning);
    if (filler < 4) {
      EXPECT_EQ(get_debug_dll_error(), 0);
      EXPECT_EQ(rows(), (std::vector<Row>{{0x40, 1, 1}}));
    } else {
      EXPECT_EQ(get_debug_dll_error(), 21);
    }
  }
}

TEST_F(DwarfLine, VersionOneIsCode21WithoutWarnings) {
  LineUnit unit;
  unit.version = 1;
  run(unit.build());
  EXPECT_EQ(get_debug_dll_error(), 21);
  EXPECT_TRUE(status_lines().empty());
}

TEST_F(DwarfLine, OperandsAndLengthsAsTheFileGivesThem) {
  struct Case {
    const char* name;
    LineUnit unit;
    std::vector<Row> rows;
  };
  LineUnit two_byte_address;
  two_byte_address.program.raw(set_address(0x1234, 2)).raw(copy());
  LineUnit long_extended;
  // An unknown extended opcode of 130 bytes: its length takes two ULEB bytes.
  long_extended.program.u8(0).uleb(130).u8(0x80).raw(std::vector<std::uint8_t>(129, 1)).raw(copy());
  LineUnit standard_with_operands;
  standard_with_operands.opcode_base = 13;
  standard_with_operands.opcode_lengths = {0, 1, 1, 1, 1, 0, 0, 0, 1, 0, 0, 2};
  standard_with_operands.program.u8(12).uleb(300).uleb(1).raw(copy());
  LineUnit small_opcode_base;
  small_opcode_base.opcode_base = 4;
  small_opcode_base.opcode_lengths = {0, 1, 1};
  // Opcode 9 is special here: address + 0, line + (-5 + 5).
  small_opcode_base.program.u8(9);
  const Case cases[] = {
      {"2-byte set_address", two_byte_address, {{0x1234, 1, 1}}},
      {"extended length of two bytes", long_extended, {{0, 1, 1}}},
      {"standard opcode with operands", standard_with_operands, {{0, 1, 1}}},
      {"opcode base below 10", small_opcode_base, {{0, 1, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reset_all();
    reset_dwarf_state();
    run(c.unit.build());
    EXPECT_EQ(get_debug_dll_error(), 0);
    EXPECT_EQ(rows(), c.rows);
  }
}

TEST_F(DwarfLine, HostileProgramsAreCode21) {
  struct Case {
    const char* name;
    LineUnit unit;
  };
  LineUnit zero_range;
  zero_range.line_range = 0;
  zero_range.program.u8(20);
  LineUnit zero_base;
  zero_base.opcode_base = 0;
  zero_base.opcode_lengths = {};
  LineUnit short_table;
  // The program would start inside the opcode-length table.
  short_table.header_length_short_by = 13;
  LineUnit directory_beyond;
  directory_beyond.files = {{"a.c", 2}};
  directory_beyond.directories = {"src"};
  LineUnit odd_address;
  odd_address.program.raw(set_address(0x123456, 3)).raw(copy());
  LineUnit defined_beyond;
  defined_beyond.program.u8(0).uleb(1 + 4 + 3).u8(3).str("x.c").uleb(5).uleb(0).uleb(0);
  const Case cases[] = {
      {"zero line range", zero_range},
      {"zero opcode base", zero_base},
      {"opcode lengths beyond the header", short_table},
      {"directory index beyond the list", directory_beyond},
      {"3-byte set_address", odd_address},
      {"defined file beyond the directories", defined_beyond},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reset_all();
    reset_dwarf_state();
    run(c.unit.build());
    EXPECT_EQ(get_debug_dll_error(), 21);
  }
}

// Lengths that run past the section, or wrap, end at the section end.
TEST_F(DwarfLine, TruncatedUnitsEndAtTheSection) {
  LineUnit unit;
  unit.program.raw(set_address(0x40)).raw(copy()).u8(0).uleb(0xFFFFFFFF).u8(0x80);
  Bytes section = unit.build();
  section.data[0] = 0xFF;
  run(section);
  EXPECT_EQ(get_debug_dll_error(), 0);
  EXPECT_EQ(rows(), (std::vector<Row>{{0x40, 1, 1}}));
}

TEST_F(DwarfLine, StoreFailures) {
  LineUnit unit;
  unit.program.raw(copy());
  get_debug_database().set_record_limit(0);
  run(unit.build());
  EXPECT_EQ(get_debug_dll_error(), 13);
  reset_all();
  reset_dwarf_state();
  get_debug_database().set_record_limit(1);
  run(unit.build());
  EXPECT_EQ(get_debug_dll_error(), 14);
}

}  // namespace
}  // namespace vx::loaders
