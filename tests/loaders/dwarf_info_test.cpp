#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dwarf_test_support.h"
#include "loaders/dwarf_constants.h"

namespace vx::loaders {
namespace {

using test_support::Abbreviation;
using test_support::abbreviation_table;
using test_support::Bytes;
using test_support::DwarfSections;
using test_support::DwarfTest;
using test_support::info_unit;

const std::vector<std::string> unit_warning{"Warning - DWARF information not compliant with version 2.0",
                                            "DWARF compilation unit header begins or ends unexpectedly",
                                            "Attempting to continue loading DWARF information"};
const std::vector<std::string> abbreviation_warning{
    "Warning - DWARF information not compliant with version 2.0",
    "Invalid location specified for debug abbreviation information",
    "Attempting to continue loading DWARF information"};

// A compile unit whose one attribute has the given form, then a null entry.
DwarfSections one_attribute(std::uint16_t form, const Bytes& value, std::uint8_t address_size = 2) {
  DwarfSections s;
  s.abbrev = abbreviation_table({{1, dw::TAG_compile_unit, false, {{dw::AT_name, form}}}});
  s.info = info_unit(Bytes().u8(1).raw(value), 0, address_size);
  return s;
}

const dynamic_byte_array& first_value() { return dwarf_state().units.at(0).entries.at(0).values.at(0); }

class DwarfInfo : public DwarfTest {};

TEST_F(DwarfInfo, FormsAreStoredAsTheTableSays) {
  struct Case {
    const char* name;
    std::uint16_t form;
    Bytes value;
    dynamic_byte_array stored;
    std::uint8_t address_size = 2;
  };
  const Case cases[] = {
      {"data2 reversed", dw::FORM_data2, Bytes().u16(0x1234), {0x34, 0x12}},
      {"data4 reversed", dw::FORM_data4, Bytes().u32(0x12345678), {0x78, 0x56, 0x34, 0x12}},
      {"data8 reversed", dw::FORM_data8, Bytes().u32(1).u32(2), {2, 0, 0, 0, 1, 0, 0, 0}},
      {"addr of 2 bytes", dw::FORM_addr, Bytes().u16(0x8000), {0x00, 0x80}},
      {"addr of 4 bytes", dw::FORM_addr, Bytes().u32(0x10000), {0, 0, 1, 0}, 4},
      {"addr of another size reads 4", dw::FORM_addr, Bytes().u32(0x01020304), {4, 3, 2, 1}, 8},
      {"udata 0x80 0x01", dw::FORM_udata, Bytes().u8(0x80).u8(0x01), {0x80, 0x00}},
      {"sdata -2", dw::FORM_sdata, Bytes().sleb(-2), {0xFE}},
      {"ref_udata", dw::FORM_ref_udata, Bytes().uleb(300), {0x2C, 0x01}},
      {"long udata keeps its length", dw::FORM_udata, Bytes().u8(0xFF).u8(0xFF).u8(0xFF).u8(0xFF).u8(0xFF).u8(0x01),
       {0xFF, 0xFF, 0xFF, 0xFF, 0, 0}},
      {"string", dw::FORM_string, Bytes().str("main"), {'m', 'a', 'i', 'n'}},
      {"block1", dw::FORM_block1, Bytes().u8(2).u8(0x91).u8(0x7C), {0x91, 0x7C}},
      {"block2", dw::FORM_block2, Bytes().u16(1).u8(0x55), {0x55}},
      {"block4", dw::FORM_block4, Bytes().u32(1).u8(0x55), {0x55}},
      {"block", dw::FORM_block, Bytes().uleb(1).u8(0x55), {0x55}},
      {"flag", dw::FORM_flag, Bytes().u8(1), {1}},
      {"ref1", dw::FORM_ref1, Bytes().u8(0x20), {0x20}},
      {"ref4", dw::FORM_ref4, Bytes().u32(0x20), {0x20, 0, 0, 0}},
      {"indirect data2", dw::FORM_indirect, Bytes().uleb(dw::FORM_data2).u16(0x1234), {0x34, 0x12}},
      {"form 2 reads nothing", 2, Bytes(), {}},
      {"unknown form reads nothing", 0x30, Bytes(), {}},
      // Values that run past the section keep what the section holds.
      {"block past the section", dw::FORM_block1, Bytes().u8(200).u8(1).u8(2), {1, 2}},
      {"block4 of 4 GiB", dw::FORM_block4, Bytes().u32(0xFFFFFFFF).u8(7), {7}},
      {"string past the section", dw::FORM_string, Bytes().u8('a').u8('b'), {'a', 'b'}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reset_dwarf_state();
    one_attribute(c.form, c.value, c.address_size).analyze();
    EXPECT_EQ(get_debug_dll_error(), 0);
    EXPECT_EQ(first_value(), c.stored);
  }
}

TEST_F(DwarfInfo, NumbersRebuildLittleEndian) {
  EXPECT_EQ(value_number({0x34, 0x12}), 0x1234u);
  EXPECT_EQ(value_number({0x80, 0x00}), 128u);
  EXPECT_EQ(value_number({1, 2, 3, 4, 5}), 0x04030201u);
  EXPECT_EQ(value_number({}), 0u);
}

TEST_F(DwarfInfo, IndirectFormsAreSeenByTheirOwnForm) {
  one_attribute(dw::FORM_indirect, Bytes().uleb(dw::FORM_data2).u16(0x1234)).analyze();
  const auto entry = entry_of(0, 0);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->form(dw::AT_name), dw::FORM_data2);
}

TEST_F(DwarfInfo, StringTableAndStrp) {
  DwarfSections s;
  // The first string is not empty: its entry loses its first character.
  s.str.str("first").str("shared_tail").str("");
  s.abbrev = abbreviation_table({{1, dw::TAG_variable, false,
                                  {{dw::AT_name, dw::FORM_strp}, {dw::AT_producer, dw::FORM_strp},
                                   {dw::AT_type, dw::FORM_strp}, {dw::AT_location, dw::FORM_strp}}}});
  s.info = info_unit(Bytes().u8(1).u32(0).u32(6).u32(6 + 7).u32(200));
  s.analyze();
  const auto& strings = dwarf_state().strings;
  ASSERT_EQ(strings.size(), 2u);
  EXPECT_EQ(strings[0].text, "irst");
  EXPECT_EQ(strings[0].offset, 1);
  EXPECT_EQ(strings[1].text, "shared_tail");
  EXPECT_EQ(strings[1].offset, 6);
  const auto& values = dwarf_state().units.at(0).entries.at(0).values;
  EXPECT_EQ(value_text(values[0]), "first");
  EXPECT_EQ(value_text(values[1]), "shared_tail");
  EXPECT_EQ(value_text(values[2]), "tail");
  EXPECT_TRUE(values[3].empty());
  EXPECT_EQ(status_lines(), std::vector<std::string>{"Warning - illegal string in debug_string section"});
}

TEST_F(DwarfInfo, StrpWithoutStringSectionWarns) {
  one_attribute(dw::FORM_strp, Bytes().u32(1)).analyze();
  EXPECT_TRUE(first_value().empty());
  EXPECT_EQ(status_lines(), std::vector<std::string>{"Warning - illegal string in debug_string section"});
}

TEST_F(DwarfInfo, StrpDirectReadStopsAtTheSectionEnd) {
  DwarfSections s;
  s.str.u8(0).raw(Bytes().u8('a').u8('b'));
  s.abbrev = abbreviation_table({{1, dw::TAG_variable, false, {{dw::AT_name, dw::FORM_strp}}}});
  // The abbreviation section follows the strings directly.
  s.info = info_unit(Bytes().u8(1).u32(2));
  s.analyze();
  EXPECT_EQ(value_text(first_value()), "b");
}

TEST_F(DwarfInfo, DepthFollowsChildrenAndNullEntries) {
  DwarfSections s;
  s.abbrev = abbreviation_table({{1, dw::TAG_compile_unit, true, {}},
                                 {2, dw::TAG_subprogram, true, {}},
                                 {3, dw::TAG_variable, false, {}}});
  // unit { sub {} (empty child list)  sub { var }  var }
  s.info = info_unit(Bytes().u8(1).u8(2).u8(0).u8(2).u8(3).u8(0).u8(3).u8(0));
  s.analyze();
  std::vector<std::int32_t> depths;
  for (const auto& e : dwarf_state().units.at(0).entries) depths.push_back(e.depth);
  EXPECT_EQ(depths, (std::vector<std::int32_t>{0, 1, 1, 2, 1}));
  EXPECT_EQ(find_entry_index(dwarf_state().units[0], 11 + 3), 2);
  // The last entry stands at 17; a null entry follows it.
  EXPECT_EQ(find_unit_holding(17), 0);
  EXPECT_EQ(find_unit_holding(18), -1);
}

TEST_F(DwarfInfo, AbbreviationOffsetGivenAsFileOffsetIsRepaired) {
  DwarfSections s;
  const Bytes entries = Bytes().u8(1).str("x");
  s.abbrev = abbreviation_table({{1, dw::TAG_compile_unit, false, {{dw::AT_name, dw::FORM_string}}}});
  s.install();
  const std::uint32_t file_offset = s.abbrev_extent.start;
  s.info = info_unit(entries, file_offset).raw(info_unit(entries, file_offset));
  s.analyze();
  EXPECT_EQ(get_debug_dll_error(), 0);
  EXPECT_EQ(status_lines(), abbreviation_warning);
  EXPECT_EQ(dwarf_state().units.size(), 2u);
  EXPECT_EQ(find_abbreviation_table(file_offset), 0);
}

TEST_F(DwarfInfo, UnmatchedAbbreviationOffsetIsCode22) {
  DwarfSections s;
  s.abbrev = abbreviation_table({{1, dw::TAG_compile_unit, false, {}}});
  s.info = info_unit(Bytes().u8(1), 0x777);
  s.analyze();
  EXPECT_EQ(get_debug_dll_error(), 22);
}

TEST_F(DwarfInfo, VersionOtherThan2IsCode18) {
  DwarfSections s;
  s.abbrev = abbreviation_table({{1, dw::TAG_compile_unit, false, {}}});
  s.info.u32(7).u16(3).u32(0).u8(2).u8(1);
  s.analyze();
  EXPECT_EQ(get_debug_dll_error(), 18);
}

TEST_F(DwarfInfo, EntriesRunningOverTheUnitEndMoveTheNextUnitBack) {
  DwarfSections s;
  s.abbrev = abbreviation_table({{1, dw::TAG_compile_unit, false, {{dw::AT_name, dw::FORM_data4}}}});
  // The first unit's length leaves out two bytes of its attribute.
  Bytes first;
  first.u32(2 + 4 + 1 + 3).u16(2).u32(0).u8(2).u8(1).u32(0x11223344);
  Bytes second = info_unit(Bytes().u8(1).u32(0x55667788));
  // The second unit starts where the first one's length says, inside the attribute.
  first.data.resize(first.size() - 2);
  s.info = first.raw(second);
  s.analyze();
  EXPECT_EQ(get_debug_dll_error(), 0);
  EXPECT_EQ(status_lines(), unit_warning);
  ASSERT_EQ(dwarf_state().units.size(), 2u);
  EXPECT_EQ(dwarf_state().units[1].unit_offset, 14);
}

TEST_F(DwarfInfo, HostileHeadersEndWithTheModulesCodes) {
  struct Case {
    const char* name;
    std::vector<Abbreviation> abbreviations;
    Bytes info;
    std::uint8_t code;
  };
  const std::vector<Abbreviation> unit_only{{1, dw::TAG_compile_unit, true, {}}};
  const Case cases[] = {
      {"duplicate abbreviation code",
       {{1, dw::TAG_compile_unit, true, {}}, {1, dw::TAG_variable, false, {}}},
       info_unit(Bytes().u8(1)),
       22},
      {"entry with an unknown code", unit_only, info_unit(Bytes().u8(1).u8(9)), 22},
      // A length that wraps past 4 GiB ends at the section end.
      {"wrapping unit length", unit_only, Bytes().u32(0xFFFFFFF8).u16(2).u32(0).u8(2).u8(1).u8(0), 0},
      {"unit without entries", unit_only, info_unit(Bytes()).raw(info_unit(Bytes().u8(1))), 0},
      {"only padding", unit_only, info_unit(Bytes().u8(0).u8(0)), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reset_dwarf_state();
    set_debug_dll_error(0);
    DwarfSections s;
    s.abbrev = abbreviation_table(c.abbreviations);
    s.info = c.info;
    s.analyze();
    EXPECT_EQ(get_debug_dll_error(), c.code);
    GET_DEBUG_PRODUCER();
  }
}

// Attributes whose form reads nothing would let a few bytes claim unbounded memory.
TEST_F(DwarfInfo, EntriesOfFormsThatReadNothingAreBounded) {
  DwarfSections s;
  std::vector<std::pair<std::uint16_t, std::uint16_t>> attributes(5000, {dw::AT_name, 0x30});
  s.abbrev = abbreviation_table({{1, dw::TAG_variable, false, attributes}});
  s.info = info_unit(Bytes().raw(std::vector<std::uint8_t>(64, 1)));
  s.analyze();
  EXPECT_EQ(get_debug_dll_error(), 20);
}

TEST_F(DwarfInfo, ProducerOfTheFirstUnit) {
  DwarfSections s;
  s.abbrev = abbreviation_table({{1, dw::TAG_compile_unit, false, {{dw::AT_producer, dw::FORM_string}}},
                                 {2, dw::TAG_variable, false, {{dw::AT_producer, dw::FORM_string}}}});
  s.info = info_unit(Bytes().u8(1).str("MW EABI PPC C-Compiler"));
  s.analyze();
  EXPECT_EQ(GET_DEBUG_PRODUCER(), "MW EABI PPC C-Compiler");
  reset_dwarf_state();
  s.info = info_unit(Bytes().u8(2).str("not a unit"));
  s.analyze();
  EXPECT_EQ(GET_DEBUG_PRODUCER(), "");
  reset_dwarf_state();
  EXPECT_EQ(GET_DEBUG_PRODUCER(), "");
}

}  // namespace
}  // namespace vx::loaders
