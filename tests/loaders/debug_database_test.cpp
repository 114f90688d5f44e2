#include "loaders/debug_database.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "loaders/debug_names.h"

namespace vx::loaders {
namespace {

std::vector<std::uint32_t> line_addresses(const DebugDatabase& db) {
  std::vector<std::uint32_t> result;
  for (const debug_line_record* r = db.lines().head; r != nullptr; r = r->next) {
    result.push_back(static_cast<std::uint32_t>(r->address));
  }
  return result;
}

std::vector<std::int32_t> line_numbers(const DebugDatabase& db) {
  std::vector<std::int32_t> result;
  for (const debug_line_record* r = db.lines().head; r != nullptr; r = r->next) result.push_back(r->line);
  return result;
}

// Name-list members, each followed by the rest of its same-name chain, as "name:scope end".
std::vector<std::string> symbols(const DebugDatabase& db) {
  std::vector<std::string> result;
  for (const debug_symbol_record* member = db.symbols().head; member != nullptr; member = member->next) {
    for (const debug_symbol_record* s = member; s != nullptr; s = s->same_name_next) {
      result.push_back(s->name.str() + ":" + std::to_string(s->scope_end));
    }
  }
  return result;
}

bool put_symbol(DebugDatabase& db, const char* name, std::int32_t scope_end, std::int32_t address = 0) {
  return db.put_symbol(0, 0, nullptr, 0, scope_end, address, name, {});
}

TEST(DebugDatabase, LinesCompareUnsigned) {
  DebugDatabase db;
  for (std::uint32_t address : {0x8000u, 0x10u, 0xFFFF0000u}) {
    ASSERT_TRUE(db.put_line(static_cast<std::int32_t>(address), 1, 1));
  }
  EXPECT_EQ(line_addresses(db), (std::vector<std::uint32_t>{0x10, 0x8000, 0xFFFF0000}));
}

TEST(DebugDatabase, EqualLineAddressesGoWhereTheSearchMeetsThem) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::int32_t, std::int32_t>> puts;  // address, line
    std::vector<std::int32_t> line_order;
  };
  const Case cases[] = {
      // From an equal cursor the search goes up and stops at the first equal record.
      {"equal cursor", {{0x10, 1}, {0x10, 2}}, {2, 1}},
      // From below: before the first equal record met.
      {"from below", {{0x10, 1}, {0x10, 2}, {0x08, 3}, {0x10, 4}}, {3, 4, 2, 1}},
      // From above: after the equal records.
      {"from above", {{0x10, 1}, {0x10, 2}, {0x20, 3}, {0x10, 4}}, {2, 1, 4, 3}},
      {"new head and tail", {{0x10, 1}, {0x20, 2}, {0x05, 3}, {0x30, 4}, {0x15, 5}}, {3, 1, 5, 2, 4}},
  };
  for (const Case& c : cases) {
    DebugDatabase db;
    for (auto [address, line] : c.puts) ASSERT_TRUE(db.put_line(address, 1, line));
    EXPECT_EQ(line_numbers(db), c.line_order) << c.name;
    EXPECT_EQ(db.lines().tail->next, nullptr) << c.name;
    EXPECT_EQ(db.lines().head->previous, nullptr) << c.name;
  }
}

TEST(DebugDatabase, SymbolsOfOneNameChainByScopeLength) {
  DebugDatabase db;
  ASSERT_TRUE(put_symbol(db, "x", 0x100));
  ASSERT_TRUE(put_symbol(db, "x", 0x10));
  ASSERT_TRUE(put_symbol(db, "x", 0x1000));
  EXPECT_EQ(symbols(db), (std::vector<std::string>{"x:16", "x:256", "x:4096"}));
  EXPECT_EQ(db.symbols().head, db.symbols().tail);
  EXPECT_EQ(db.symbols().head->scope_end, 0x10);
  EXPECT_EQ(db.last_symbol()->scope_end, 0x1000);
}

TEST(DebugDatabase, SymbolsSortByOrdinalNameWithNeighbours) {
  DebugDatabase db;
  for (const char* name : {"m", "b", "z", "B", "\xE9t", "mm", "a"}) ASSERT_TRUE(put_symbol(db, name, 1));
  // A same-name symbol with a smaller scope takes over the member's place between its neighbours.
  ASSERT_TRUE(put_symbol(db, "m", 0));
  ASSERT_TRUE(put_symbol(db, "m", 1, 9));
  ASSERT_TRUE(put_symbol(db, "a", 0));
  ASSERT_TRUE(put_symbol(db, "\xE9t", 0));
  EXPECT_EQ(symbols(db), (std::vector<std::string>{"B:1", "a:0", "a:1", "b:1", "m:0", "m:1", "m:1", "mm:1", "z:1",
                                                   "\xE9t:0", "\xE9t:1"}));
  // Equal scope lengths keep their arrival order.
  const debug_symbol_record* m = db.symbols().head->next->next->next;
  ASSERT_EQ(m->name, "m");
  EXPECT_EQ(m->same_name_next->address, 0);
  EXPECT_EQ(m->same_name_next->same_name_next->address, 9);
  std::vector<std::string> backwards;
  for (const debug_symbol_record* s = db.symbols().tail; s != nullptr; s = s->previous) {
    backwards.push_back(s->name.str());
  }
  EXPECT_EQ(backwards, (std::vector<std::string>{"\xE9t", "z", "mm", "m", "b", "a", "B"}));
}

TEST(DebugDatabase, AddressIndexComparesSigned) {
  DebugDatabase db;
  ASSERT_TRUE(put_symbol(db, "s", 0));
  for (std::int32_t address : {0x100, static_cast<std::int32_t>(0x80000000), 0}) {
    ASSERT_TRUE(db.put_address(address, db.last_symbol()));
  }
  std::vector<std::int32_t> order;
  for (const debug_address_record* r = db.addresses().head; r != nullptr; r = r->next) order.push_back(r->address);
  EXPECT_EQ(order, (std::vector<std::int32_t>{static_cast<std::int32_t>(0x80000000), 0, 0x100}));
  EXPECT_EQ(db.addresses().head->symbol, db.last_symbol());
}

TEST(DebugDatabase, FileTableTurnsSlashesAndRefusesWhenFull) {
  DebugDatabase db(3);
  ASSERT_TRUE(db.put_file("src/app/main.c"));
  EXPECT_EQ(db.files()[0], "src\\app\\main.c");
  ASSERT_TRUE(db.put_file("b"));
  ASSERT_TRUE(db.put_file("c"));
  EXPECT_FALSE(db.put_file("d"));
  EXPECT_EQ(db.file_count(), 3);

  DebugDatabase full_size;
  for (int i = 0; i < 20'000; ++i) ASSERT_TRUE(full_size.put_file("f"));
  EXPECT_FALSE(full_size.put_file("g"));
  EXPECT_EQ(full_size.file_count(), 20'000);
}

TEST(DebugDatabase, ExtendedTypesKeepTheFieldsOfTheirCode) {
  const array_dyn_lw_array member_lists{{1, 2}, {3}};
  const dyn_bool_array flags{true, false};
  const dyn_lw_array member_types{7, 8};
  const string_list names{"first", "second"};
  const dyn_lw_array values{10, 20};
  const std::vector<std::uint8_t> more(5000, 0xAB);
  DebugDatabase db;
  for (std::int32_t code : {'N', 'Z', 'S', 'U', 'O', 'P', 'n', 'T', 'X'}) {
    ASSERT_TRUE(db.put_type_ex("t", code, code, member_lists, flags, member_types, 3, 2, 1, names, values, 99, more));
  }
  ASSERT_EQ(db.types().size(), 9u);
  auto more_of = [&](std::size_t i) -> const debug_more_record& { return *db.types()[i]->more; };
  EXPECT_EQ(more_of(0).value_list, values);
  EXPECT_EQ(more_of(0).name_list, names);
  EXPECT_TRUE(more_of(0).member_type_list.empty());
  EXPECT_EQ(more_of(0).extra_value_b, 2);
  EXPECT_EQ(more_of(1).extra_value_a, 1);
  EXPECT_EQ(more_of(1).extra_value_c, 3);
  EXPECT_EQ(more_of(1).flag_list, flags);
  EXPECT_EQ(more_of(1).member_type_list, member_types);
  EXPECT_TRUE(more_of(1).member_lists.empty());
  EXPECT_EQ(more_of(2).member_lists, member_lists);
  EXPECT_EQ(more_of(2).extra_value_a, 0);
  EXPECT_EQ(more_of(3).name_list, names);
  EXPECT_TRUE(more_of(3).flag_list.empty());
  EXPECT_EQ(more_of(4).reference_value, 99);
  EXPECT_EQ(more_of(5).extra_value_b, 2);
  EXPECT_EQ(more_of(6).reference_value, 99);
  EXPECT_EQ(more_of(6).extra_value_b, 0);
  EXPECT_EQ(more_of(7).extra_value_b, 0);
  EXPECT_EQ(more_of(8).reference_value, 0);
  EXPECT_FALSE(more_of(8).name_list.has_value());
  EXPECT_EQ(more_of(8).extra_value_b, 2);
  EXPECT_EQ(more_of(8).more_length, debug_more_record::extended_raw_size);
  EXPECT_EQ(more_of(8).raw.size(), debug_more_record::extended_raw_size);

  const std::uint8_t plain_bytes[] = {1, 2, 3};
  ASSERT_TRUE(db.put_type("plain", 5, 'g', plain_bytes));
  EXPECT_FALSE(db.types().back()->more->extended);
  EXPECT_EQ(db.types().back()->more->raw, (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(db.types().back()->more->more_length, 3);
}

TEST(DebugDatabase, ClearFreesEverythingAndForgetsTheLastSymbol) {
  DebugDatabase db;
  ASSERT_TRUE(db.put_file("a.c"));
  ASSERT_TRUE(db.put_line(1, 1, 1));
  ASSERT_TRUE(put_symbol(db, "s", 1));
  ASSERT_TRUE(put_symbol(db, "s", 0));
  ASSERT_TRUE(db.put_address(1, db.last_symbol()));
  ASSERT_TRUE(db.put_type("t", 1, 1, {}));
  db.build_trees();
  db.clear();
  EXPECT_EQ(db.last_symbol(), nullptr);
  EXPECT_EQ(db.file_count(), 0);
  EXPECT_TRUE(db.types().empty());
  EXPECT_TRUE(db.lines().empty());
  EXPECT_TRUE(db.symbols().empty());
  EXPECT_TRUE(db.addresses().empty());
  ASSERT_TRUE(db.put_line(2, 1, 1));
  EXPECT_EQ(line_addresses(db), (std::vector<std::uint32_t>{2}));
}

TEST(DebugDatabase, AFullDatabaseRefusesEveryKind) {
  DebugDatabase db;
  db.set_record_limit(0);
  EXPECT_FALSE(db.put_file("a"));
  EXPECT_FALSE(db.put_line(1, 1, 1));
  EXPECT_FALSE(put_symbol(db, "s", 1));
  EXPECT_FALSE(db.put_address(1, nullptr));
  EXPECT_FALSE(db.put_type("t", 1, 1, {}));
  EXPECT_FALSE(db.put_type_ex("t", 1, 'N', {}, {}, {}, 0, 0, 0, {}, {}, 0, {}));
  EXPECT_EQ(db.last_symbol(), nullptr);
  EXPECT_TRUE(db.lines().empty());
}

// The tree's shape as "node(left,right)" with '-' for an empty subtree.
std::string shape(const debug_line_record* node) {
  if (node == nullptr) return "-";
  const std::string name(1, static_cast<char>('a' + node->line));
  if (node->previous == nullptr && node->next == nullptr) return name;
  return name + "(" + shape(node->previous) + "," + shape(node->next) + ")";
}

TEST(DebugList, BuildsBalancedTreesAndFlattensThemBack) {
  const std::pair<int, std::string> cases[] = {
      {0, "-"},
      {1, "a"},
      {2, "b(a,-)"},
      {3, "b(a,c)"},
      {4, "d(b(a,c),-)"},
      {5, "d(b(a,c),e)"},
      {7, "d(b(a,c),f(e,g))"},
  };
  for (const auto& [count, expected] : cases) {
    DebugDatabase db;
    for (int i = 0; i < count; ++i) ASSERT_TRUE(db.put_line(i * 4, 1, i));
    DebugList<debug_line_record>& lines = db.lines();
    lines.build_tree();
    EXPECT_EQ(shape(lines.root), expected) << count;
    EXPECT_EQ(lines.head, nullptr);
    lines.flatten_tree();
    EXPECT_EQ(lines.root, nullptr);
    std::vector<std::int32_t> expected_order;
    for (int i = 0; i < count; ++i) expected_order.push_back(i);
    EXPECT_EQ(line_numbers(db), expected_order) << count;
    if (count > 0) {
      EXPECT_EQ(lines.tail->line, count - 1);
      EXPECT_EQ(lines.head->previous, nullptr);
    }
    lines.flatten_tree();
    EXPECT_EQ(line_numbers(db), expected_order) << count;
  }
}

TEST(DebugList, RecordsStoredAfterTheTreeWasBuiltJoinTheList) {
  DebugDatabase db;
  ASSERT_TRUE(db.put_line(0x20, 1, 1));
  ASSERT_TRUE(put_symbol(db, "b", 0));
  db.build_trees();
  ASSERT_TRUE(db.put_line(0x10, 1, 2));
  ASSERT_TRUE(put_symbol(db, "a", 0));
  EXPECT_EQ(line_addresses(db), (std::vector<std::uint32_t>{0x10, 0x20}));
  EXPECT_EQ(symbols(db), (std::vector<std::string>{"a:0", "b:0"}));
  EXPECT_EQ(db.lines().root, nullptr);
}

int depth(const debug_line_record* node) {
  return node == nullptr ? 0 : 1 + std::max(depth(node->previous), depth(node->next));
}

TEST(DebugList, LargeTreesStayWithinLogDepthAndInOrder) {
  DebugDatabase db;
  constexpr int count = 100'000;
  for (int i = 0; i < count; ++i) ASSERT_TRUE(db.put_line(i, 1, i));
  db.lines().build_tree();
  EXPECT_LE(depth(db.lines().root), 17);
  db.lines().flatten_tree();
  int expected = 0;
  for (const debug_line_record* r = db.lines().head; r != nullptr; r = r->next) ASSERT_EQ(r->line, expected++);
  EXPECT_EQ(expected, count);
}

TEST(DebugNames, TypeCodes) {
  const std::pair<std::uint16_t, const char*> cases[] = {
      {0, "untyped"},        {1, "void"},           {25, "BCD float"},          {26, "reserved/unknown"},
      {31, "reserved/unknown"}, {32, "UNKNOWN TYPE"}, {33, "void *"},          {34, "signed char *"},
      {57, "BCD float *"},   {58, "reserved/unknown"}, {'A', "pascal array with bounds"}, {'g', "bitfield type"},
      {'x', "procedure"},    {150, "boolean"},      {182, "boolean *"},         {199, "untyped"},
      {200, "reserved/unknown"}, {300, "reserved/unknown"},
  };
  for (auto [code, name] : cases) EXPECT_EQ(get_debug_type_name(code), name) << code;
}

TEST(DebugNames, AttributesDependOnTheFormat) {
  struct Case {
    std::uint16_t code;
    const char* dwarf_like;
    const char* ieee_like;
  };
  const Case cases[] = {
      {0, "", "No Attribute"},
      {3, "Warning - Unsupported Attribute", "Static Variable"},
      {4, "Function", "External Function"},
      {8, "Global Variable", "Global Variable"},
      {97, "Warning - Unsupported Attribute", "Warning - Unsupported Attribute"},
      {99, "Local Variable", "Warning - Unsupported Attribute"},
      {1000, "Warning - Unsupported Attribute", "Warning - Unsupported Attribute"},
  };
  for (const Case& c : cases) {
    for (std::uint8_t format : {3, 4}) EXPECT_EQ(attribute_name_for_format(c.code, format), c.dwarf_like) << c.code;
    for (std::uint8_t format : {1, 2}) EXPECT_EQ(attribute_name_for_format(c.code, format), c.ieee_like) << c.code;
  }
}

}  // namespace
}  // namespace vx::loaders
