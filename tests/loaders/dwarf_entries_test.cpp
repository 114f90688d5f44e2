#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dwarf_walk_test_support.h"
#include "loaders/dwarf_walk.h"

namespace vx::loaders {
namespace {

using namespace test_support;

class DwarfEntries : public DwarfTest {
 protected:
  void SetUp() override {
    DwarfTest::SetUp();
    elf_module().image_lowest = 0x8000;
    elf_module().image_highest = 0xFFFF;
  }
  void walk(const std::vector<UnitEntries>& units, std::vector<std::uint8_t> loc = {}) {
    analyze_units(units, std::move(loc));
    ASSERT_EQ(get_debug_dll_error(), 0);
    ANALYZE_DEBUG_ENTRIES();
  }
};

// A unit over 0x8000..0x80FF.
UnitEntries c_unit_entries() {
  UnitEntries u;
  u.add(Bytes().u8(c_unit).str("main.c").u16(0x8000).u16(0x8100));
  return u;
}

TEST_F(DwarfEntries, FunctionsAndVariablesBecomeSymbols) {
  UnitEntries u = c_unit_entries();
  const std::uint16_t int_type = u.add(Bytes().u8(c_base).str("int").u8(2).u8(5));
  u.add(Bytes().u8(c_variable).str("counter").u16(int_type).raw(block({0x03, 0x01, 0x00})));
  const std::uint16_t function = u.add(Bytes().u8(c_function).str("sum").u16(0x8000).u16(0x8040).raw(block({0x71, 0x00})));
  u.add(Bytes().u8(c_variable).str("n").u16(int_type).raw(block({0x55})));
  u.add(Bytes().u8(c_block).u16(0x8010).u16(0x8040));
  u.add(Bytes().u8(c_variable).str("total").u16(int_type).raw(block({0x91, 0x7C})));
  u.end_children();
  u.end_children();
  u.end_children();
  walk({u});
  ASSERT_EQ(get_debug_dll_error(), 0);

  const debug_symbol_record* counter = symbol("counter");
  ASSERT_NE(counter, nullptr);
  EXPECT_EQ(counter->attribute, 8);
  EXPECT_EQ(counter->address, 0x100);
  EXPECT_EQ(counter->type, int_type + 1000);
  EXPECT_EQ(counter->scope_start, 0x8000);
  EXPECT_EQ(counter->scope_end, 0x80FF);

  const debug_symbol_record* sum = symbol("sum");
  ASSERT_NE(sum, nullptr);
  EXPECT_EQ(sum->attribute, 4);
  EXPECT_EQ(sum->address, 0x8000);
  EXPECT_EQ(sum->type, function + 1000);
  ASSERT_NE(type(function + 1000), nullptr);
  EXPECT_EQ(type(function + 1000)->type_code, 'X');
  EXPECT_EQ(type(function + 1000)->more->extra_value_b, 2);

  const debug_symbol_record* n = symbol("n");
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->attribute, 2);
  EXPECT_EQ(n->address, 5);
  EXPECT_EQ(n->scope_start, 0x8000);
  EXPECT_EQ(n->scope_end, 0x803F);

  // A local of a lexical block, relative to the frame base of its function.
  const debug_symbol_record* total = symbol("total");
  ASSERT_NE(total, nullptr);
  EXPECT_EQ(total->attribute, 98);
  EXPECT_EQ(total->scope_start, 0x8010);
  EXPECT_EQ(total->scope_end, 0x803F);
  ASSERT_NE(total->more, nullptr);
  EXPECT_EQ(total->more->raw, (std::vector<std::uint8_t>{0x91, 0x7C}));
  EXPECT_EQ(total->more->more_length, 2);
  EXPECT_EQ(total->more->zero, 2);
  ASSERT_EQ(total->extra_info.size(), 1u);
  EXPECT_EQ(total->extra_info[0].bytes, (std::vector<std::uint8_t>{0x71, 0x00}));

  std::vector<std::int32_t> indexed;
  for (const debug_address_record* a = get_debug_database().addresses().head; a != nullptr; a = a->next) {
    indexed.push_back(a->address);
  }
  EXPECT_EQ(indexed, (std::vector<std::int32_t>{0, 5, 0x100, 0x8000}));
}

TEST_F(DwarfEntries, ExternalFlagChoosesTheAttribute) {
  struct Case {
    const char* name;
    bool nested;
    std::uint8_t flag;
    std::uint8_t attribute;
  };
  const Case cases[] = {
      {"global external", false, 1, 8},
      {"global not external", false, 0, 1},
      {"local external", true, 1, 8},
      {"local not external", true, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reset_all();
    reset_dwarf_state();
    UnitEntries u = c_unit_entries();
    if (c.nested) u.add(Bytes().u8(c_plain_function).str("f").u16(0x8000).u16(0x8010));
    u.add(Bytes().u8(c_external_variable).str("v").raw(block({0x03, 0x00, 0x80})).u8(c.flag));
    walk({u});
    ASSERT_NE(symbol("v"), nullptr);
    EXPECT_EQ(symbol("v")->attribute, c.attribute);
  }
}

TEST_F(DwarfEntries, TypeRecords) {
  UnitEntries u = c_unit_entries();
  struct Expect {
    std::uint16_t number;
    std::int32_t code;
    std::int32_t b;
  };
  std::vector<Expect> expected;
  const auto base = [&](const char* name, unsigned size, unsigned encoding, std::int32_t code, std::int32_t b) {
    const std::uint16_t offset = u.add(Bytes().u8(c_base).str(name).u8(size).u8(encoding));
    expected.push_back({offset, code, b});
    return offset;
  };
  const std::uint16_t uchar = base("unsigned char", 1, 8, 3, 1);
  const std::uint16_t int2 = base("int", 2, 5, 4, 2);
  base("float", 4, 4, 10, 4);
  base("double", 8, 4, 11, 8);
  base("long", 4, 5, 6, 4);
  base("long long", 8, 7, 9, 8);
  base("bool", 1, 2, 150, 1);
  base("address", 4, 1, 15, 2);
  base("complex", 8, 3, 199, 0);
  base("odd", 1, 0x80, 199, 0);
  const std::uint16_t small = u.add(Bytes().u8(c_pointer).u8(2).u16(uchar));
  const std::uint16_t large = u.add(Bytes().u8(c_pointer).u8(4).u16(int2));
  const std::uint16_t odd_pointer = u.add(Bytes().u8(c_pointer).u8(3).u16(int2));
  const std::uint16_t void_pointer = u.add(Bytes().u8(c_void_pointer).u8(2));
  const std::uint16_t word = u.add(Bytes().u8(c_typedef).str("word").u16(int2));
  const std::uint16_t constant = u.add(Bytes().u8(c_const).u16(word));
  walk({u});
  for (const Expect& e : expected) {
    SCOPED_TRACE(e.number);
    ASSERT_NE(type(e.number + 1000), nullptr);
    EXPECT_EQ(type(e.number + 1000)->type_code, e.code);
    EXPECT_EQ(type(e.number + 1000)->more->extra_value_b, e.b);
  }
  EXPECT_EQ(type(small + 1000)->type_code, 'O');
  EXPECT_EQ(type(small + 1000)->more->reference_value, uchar + 1000);
  EXPECT_EQ(type(large + 1000)->type_code, 'P');
  EXPECT_EQ(type(odd_pointer + 1000)->type_code, 32);
  EXPECT_EQ(type(odd_pointer + 1000)->more->extra_value_b, 3);
  EXPECT_EQ(type(void_pointer + 1000)->type_code, 32);
  EXPECT_EQ(type(word + 1000)->type_code, 'T');
  EXPECT_EQ(type(word + 1000)->more->reference_value, int2 + 1000);
  EXPECT_EQ(type(constant + 1000)->type_code, 'n');
  EXPECT_EQ(type(constant + 1000)->name, "");
  EXPECT_EQ(type(small + 1000)->name, ShortText(std::to_string(small)));
}

TEST_F(DwarfEntries, Arrays) {
  UnitEntries u = c_unit_entries();
  const std::uint16_t int2 = u.add(Bytes().u8(c_base).str("int").u8(2).u8(5));
  const std::uint16_t matrix = u.add(Bytes().u8(c_array).u16(int2));
  u.add(Bytes().u8(c_bound).u8(2));
  u.add(Bytes().u8(c_bound).u8(3));
  u.end_children();
  const std::uint16_t length = u.add(Bytes().u8(c_variable).str("length").u16(int2).raw(block({0x03, 0x00, 0x90})));
  const std::uint16_t flexible = u.add(Bytes().u8(c_array).u16(int2));
  u.add(Bytes().u8(c_variable_bound).u16(length));
  u.end_children();
  // An array of arrays: rows of the matrix.
  const std::uint16_t rows = u.add(Bytes().u8(c_array).u16(matrix));
  u.add(Bytes().u8(c_bound).u8(1));
  u.end_children();
  const std::uint16_t no_dimension = u.add(Bytes().u8(c_array).u16(int2));
  u.end_children();
  walk({u});

  const debug_type_record* m = type(matrix + 1000);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->type_code, 'Z');
  EXPECT_EQ(m->more->member_type_list, (dyn_lw_array{3, 4}));
  EXPECT_EQ(m->more->extra_value_c, 24);
  EXPECT_EQ(m->more->extra_value_b, 2);
  EXPECT_EQ(m->more->extra_value_a, int2 + 1000);

  const debug_type_record* f = type(flexible + 1000);
  EXPECT_EQ(f->type_code, 'Z');
  EXPECT_EQ(f->more->flag_list, (dyn_bool_array{true}));
  EXPECT_EQ(f->more->name_list, (string_list{"length"}));
  EXPECT_EQ(f->more->extra_value_c, 0);

  const debug_type_record* r = type(rows + 1000);
  EXPECT_EQ(r->type_code, 'Z');
  EXPECT_EQ(r->more->member_type_list, (dyn_lw_array{2, 3, 4}));
  EXPECT_EQ(r->more->extra_value_c, 48);

  EXPECT_EQ(type(no_dimension + 1000)->type_code, 199);
}

TEST_F(DwarfEntries, EnumerationsStructuresAndUnions) {
  UnitEntries u = c_unit_entries();
  const std::uint16_t int2 = u.add(Bytes().u8(c_base).str("int").u8(2).u8(5));
  const std::uint16_t colour = u.add(Bytes().u8(c_enumeration).str("colour").u8(1));
  u.add(Bytes().u8(c_enumerator).str("red").sleb(0));
  u.add(Bytes().u8(c_enumerator).str("none").sleb(-1));
  u.end_children();
  const std::uint16_t empty = u.add(Bytes().u8(c_empty_enumeration).str("empty").u8(1));
  const std::uint16_t point = u.add(Bytes().u8(c_structure).str("point").u8(4));
  u.add(Bytes().u8(c_member).str("x").u16(int2).raw(block({0x23, 0x00})));
  u.add(Bytes().u8(c_member).str("y").u16(int2).raw(block({0x23, 0x02})));
  u.end_children();
  const std::uint16_t hollow = u.add(Bytes().u8(c_structure).str("hollow").u8(4));
  u.add(Bytes().u8(c_union_member).str("x").u16(int2));
  u.end_children();
  const std::uint16_t number = u.add(Bytes().u8(c_union).str("number").u8(2));
  u.add(Bytes().u8(c_union_member).str("whole").u16(int2));
  u.add(Bytes().u8(c_union_member).str("half").u16(int2));
  u.end_children();
  walk({u});

  const debug_type_record* c = type(colour + 1000);
  EXPECT_EQ(c->type_code, 'N');
  EXPECT_EQ(c->more->extra_value_b, 1);
  EXPECT_EQ(c->more->name_list, (string_list{"red", "none"}));
  EXPECT_EQ(c->more->value_list, (dyn_lw_array{0, 0xFFFFFFFF}));

  EXPECT_EQ(type(empty + 1000)->type_code, 199);
  const std::vector<std::string> lines = status_lines();
  EXPECT_EQ(lines, (std::vector<std::string>{"Error - Enumeration type specifies no enumerators.",
                                             "Ignoring type and continuing to load"}));

  const debug_type_record* p = type(point + 1000);
  EXPECT_EQ(p->type_code, 'S');
  EXPECT_EQ(p->more->member_lists, (array_dyn_lw_array{{0x23, 0x00}, {0x23, 0x02}}));
  EXPECT_EQ(p->more->member_type_list, (dyn_lw_array{int2 + 1000u, int2 + 1000u}));
  EXPECT_EQ(p->more->name_list, (string_list{"x", "y"}));
  EXPECT_EQ(p->more->extra_value_b, 4);

  EXPECT_EQ(type(hollow + 1000)->type_code, 199);
  EXPECT_EQ(type(number + 1000)->type_code, 'U');
  EXPECT_EQ(type(number + 1000)->more->name_list, (string_list{"whole", "half"}));
}

TEST_F(DwarfEntries, TypesInsideFunctionsAndGlobalsAfterThem) {
  UnitEntries u = c_unit_entries();
  const std::uint16_t int2 = u.add(Bytes().u8(c_base).str("int").u8(2).u8(5));
  u.add(Bytes().u8(c_plain_function).str("f").u16(0x8000).u16(0x8010));
  const std::uint16_t inner = u.add(Bytes().u8(c_structure).str("inner").u8(2));
  u.add(Bytes().u8(c_member).str("a").u16(int2).raw(block({0x23, 0x00})));
  u.end_children();
  u.end_children();
  u.add(Bytes().u8(c_variable).str("after").u16(inner).raw(block({0x03, 0x00, 0x60})));
  walk({u});
  EXPECT_EQ(type(inner + 1000)->type_code, 'S');
  ASSERT_NE(symbol("after"), nullptr);
  EXPECT_EQ(symbol("after")->type, inner + 1000);
}

TEST_F(DwarfEntries, TypesOfAnotherUnitResolve) {
  UnitEntries first = c_unit_entries();
  const std::uint16_t int2 = first.add(Bytes().u8(c_base).str("int").u8(2).u8(5));
  UnitEntries second = c_unit_entries();
  const std::uint32_t second_start = 11 + static_cast<std::uint32_t>(first.bytes.size());
  // DW_FORM_ref_addr takes the address size: 2 bytes here.
  second.add(Bytes().u8(c_far_variable).str("far").u16(int2).raw(block({0x03, 0x00, 0x70})));
  const std::uint16_t pointer = second.add(Bytes().u8(c_pointer).u8(2).u16(0));
  // The pointer's reference is relative to its unit: it names the second unit's own header entry.
  walk({first, second});
  ASSERT_NE(symbol("far"), nullptr);
  EXPECT_EQ(symbol("far")->type, int2 + 1000);
  EXPECT_EQ(dwarf_state().units.at(1).unit_offset, static_cast<std::int32_t>(second_start));
  EXPECT_EQ(type(static_cast<std::int32_t>(second_start) + pointer + 1000)->more->reference_value,
            static_cast<std::int32_t>(second_start) + 1000);
}

// References to offsets no unit holds and chains that come back do not end the walk.
TEST_F(DwarfEntries, BrokenReferencesAndCyclesFailTheirType) {
  UnitEntries u = c_unit_entries();
  // An array of a typedef of the same array.
  const std::uint16_t array_offset = u.next();
  const std::uint16_t typedef_offset = static_cast<std::uint16_t>(array_offset + 3 + 2 + 1);
  u.add(Bytes().u8(c_array).u16(typedef_offset));
  u.add(Bytes().u8(c_bound).u8(1));
  u.end_children();
  ASSERT_EQ(u.add(Bytes().u8(c_typedef).str("t").u16(array_offset)), typedef_offset);
  const std::uint16_t self = u.next();
  u.add(Bytes().u8(c_array).u16(self));
  u.add(Bytes().u8(c_bound).u8(1));
  u.end_children();
  const std::uint16_t dangling = u.add(Bytes().u8(c_array).u16(0x7000));
  u.add(Bytes().u8(c_bound).u8(1));
  u.end_children();
  u.add(Bytes().u8(c_variable).str("lost").u16(0x7000).raw(block({0x03, 0x00, 0x60})));
  walk({u});
  EXPECT_EQ(type(array_offset + 1000)->type_code, 199);
  EXPECT_EQ(type(self + 1000)->type_code, 199);
  EXPECT_EQ(type(dangling + 1000)->type_code, 199);
  EXPECT_EQ(symbol("lost")->type, 0x7000 + 1000);
  EXPECT_EQ(GET_ENTRY_NAME(0x7000), "28672");
}

}  // namespace
}  // namespace vx::loaders
