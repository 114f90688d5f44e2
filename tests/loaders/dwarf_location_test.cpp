#include "loaders/dwarf_location.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dwarf_walk_test_support.h"

namespace vx::loaders {
namespace {

using namespace test_support;

// .debug_loc entries of 2-byte addresses.
struct LocList {
  Bytes bytes;
  LocList& entry(std::uint16_t begin, std::uint16_t end, const std::vector<std::uint8_t>& expression) {
    bytes.u16(begin).u16(end).u16(static_cast<unsigned>(expression.size())).raw(expression);
    return *this;
  }
  LocList& end() {
    bytes.u16(0).u16(0);
    return *this;
  }
};

struct Located {
  std::uint8_t attribute;
  std::int32_t address;
  std::int32_t start;
  std::int32_t end;
  friend bool operator==(const Located&, const Located&) = default;
};

void PrintTo(const Located& l, std::ostream* out) {
  *out << "{" << int{l.attribute} << ", " << std::hex << l.address << ", " << l.start << ", " << l.end << "}";
}

class DwarfLocation : public DwarfTest {
 protected:
  // A unit (base 0x8000 unless given) with a function over 0x8000..0x803F
  // that holds one variable located by the list at offset 0.
  void walk_listed(const LocList& list, std::uint16_t unit_low = 0x8000, std::uint16_t unit_high = 0x8100) {
    UnitEntries u;
    u.add(Bytes().u8(c_unit).str("main.c").u16(unit_low).u16(unit_high));
    u.add(Bytes().u8(c_plain_function).str("f").u16(0x8000).u16(0x8040));
    u.add(Bytes().u8(c_listed_variable).str("v").u16(0).u32(0));
    analyze_units({u}, list.bytes.data);
    ASSERT_EQ(get_debug_dll_error(), 0);
    ANALYZE_DEBUG_ENTRIES();
  }

  static std::vector<Located> located(const std::string& name) {
    std::vector<Located> result;
    for (const debug_symbol_record* s : all_symbols()) {
      if (s->name.str() == name) result.push_back({s->attribute, s->address, s->scope_start, s->scope_end});
    }
    return result;
  }
};

TEST_F(DwarfLocation, OnlyEntriesOverlappingTheScopeGiveSlots) {
  walk_listed(LocList().entry(0x50, 0x60, {0x54}).entry(0x10, 0x20, {0x55}).end());
  EXPECT_EQ(located("v"), (std::vector<Located>{{2, 5, 0x8010, 0x801F}}));
  EXPECT_EQ(dwarf_state().slots[1].expression, (dynamic_byte_array{0x55}));
}

TEST_F(DwarfLocation, ListEndingWithoutOverlapGivesNoSymbol) {
  walk_listed(LocList().entry(0x50, 0x60, {0x54}).end());
  EXPECT_EQ(dwarf_state().slot_count, 0);
  EXPECT_TRUE(located("v").empty());
}

TEST_F(DwarfLocation, ListCutByTheSectionEndGivesTheScope) {
  LocList list;
  list.entry(0x50, 0x60, {0x54}).bytes.u16(0x10).u8(0x20);
  walk_listed(list);
  EXPECT_EQ(located("v"), (std::vector<Located>{{1, 0, 0x8000, 0x803F}}));
}

TEST_F(DwarfLocation, LongExpressionPastTheSectionEndsTheList) {
  LocList list;
  list.bytes.u16(0x10).u16(0x20).u16(0x4000).u8(0x55);
  walk_listed(list);
  EXPECT_EQ(located("v"), (std::vector<Located>{{1, 0, 0x8000, 0x803F}}));
}

TEST_F(DwarfLocation, LargestEndAddressTakesNoBase) {
  walk_listed(LocList().entry(0x8010, 0xFFFF, {0x03, 0x01, 0x00}).end());
  EXPECT_EQ(located("v"), (std::vector<Located>{{1, 0x100, 0x8010, 0x803F}}));
}

TEST_F(DwarfLocation, PpcCompilerWithoutUnitRangeTakesTheSectionBase) {
  ElfModule& m = elf_module();
  m.section_headers.resize(3);
  m.section_headers[1].sh_addr = 0x1000;
  m.section_headers[1].sh_size = 0x100;
  m.section_headers[2].sh_addr = 0x8000;
  m.section_headers[2].sh_size = 0x1000;
  m.allocatable_sections = {1, 2};
  set_debug_compiler_kind(2);
  walk_listed(LocList().entry(0x10, 0x20, {0x03, 0x01, 0x00}).end(), 0, 0);
  EXPECT_EQ(located("v"), (std::vector<Located>{{1, 0x100, 0x8010, 0x801F}}));
  EXPECT_EQ(GET_SECTION_BASE(0x10FF), 0x1000u);
  EXPECT_EQ(GET_SECTION_BASE(0x1100), 0u);
  EXPECT_EQ(GET_SECTION_BASE(0x8FFF), 0x8000u);
}

TEST_F(DwarfLocation, FrameBaseFromAList) {
  UnitEntries u;
  u.add(Bytes().u8(c_unit).str("main.c").u16(0x8000).u16(0x8100));
  u.add(Bytes().u8(c_listed_function).str("f").u16(0x8000).u16(0x8040).u32(0));
  u.add(Bytes().u8(c_variable).str("local").u16(0).raw(block({0x91, 0x7C})));
  LocList frame;
  frame.entry(0x00, 0x04, {0x71, 0x00}).entry(0x04, 0x40, {0x71, 0x02}).end();
  analyze_units({u}, frame.bytes.data);
  ANALYZE_DEBUG_ENTRIES();
  ASSERT_EQ(get_debug_dll_error(), 0);
  EXPECT_EQ(located("local"), (std::vector<Located>{{98, 0, 0x8000, 0x8003}, {98, 0, 0x8004, 0x803F}}));
  std::vector<std::vector<std::uint8_t>> frame_bases;
  for (const debug_symbol_record* s : all_symbols()) {
    if (s->name.str() == "local") frame_bases.push_back(s->extra_info.at(0).bytes);
  }
  EXPECT_EQ(frame_bases, (std::vector<std::vector<std::uint8_t>>{{0x71, 0x00}, {0x71, 0x02}}));
}

TEST_F(DwarfLocation, FrameRelativeWithoutSubprogramIsAnAddress) {
  UnitEntries u;
  u.add(Bytes().u8(c_unit).str("main.c").u16(0x8000).u16(0x8100));
  u.add(Bytes().u8(c_block).u16(0x8000).u16(0x8010));
  u.add(Bytes().u8(c_variable).str("orphan").u16(0).raw(block({0x91, 0x7C})));
  analyze_units({u});
  ANALYZE_DEBUG_ENTRIES();
  EXPECT_EQ(get_debug_dll_error(), 0);
  EXPECT_EQ(dwarf_state().frame_base_count, 0);
  EXPECT_EQ(located("orphan"), (std::vector<Located>{{1, 0, 0x8000, 0x800F}}));
}

TEST_F(DwarfLocation, FullSlotTableIsCode20) {
  LocList list;
  for (int i = 0; i < 1001; ++i) list.entry(0x10, 0x20, {0x30});
  walk_listed(list.end());
  EXPECT_EQ(get_debug_dll_error(), 20);
}

}  // namespace
}  // namespace vx::loaders
