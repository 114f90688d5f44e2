#include "loaders/dll_695.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "loaders/debug_context.h"
#include "tests/loaders/ieee695_writer.h"
#include "tests/loaders/loader_test_support.h"

namespace vx::loaders {
namespace {

using namespace test_support::ieee695_writer;
using test_support::counting;
using test_support::Record;

const std::filesystem::path fixtures = std::filesystem::path(VX_TEST_FIXTURES) / "loaders";

struct Loaded {
  std::vector<Record> blocks;
  std::uint8_t code = 0;
  friend bool operator==(const Loaded&, const Loaded&) = default;
};

std::ostream& operator<<(std::ostream& out, const Loaded& loaded) {
  out << "code " << int(loaded.code) << ":";
  for (const Record& r : loaded.blocks) out << " " << r;
  return out;
}

class Ieee695Test : public test_support::LoaderTest {
 protected:
  std::uint8_t open_file(const std::string& name) {
    current_debug_context().module.load_file_name = ShortText(name);
    DEBUG_DLL_OPEN_695();
    return get_debug_dll_error();
  }
  std::uint8_t open(const Bytes& bytes) { return open_file(write("app.695", bytes)); }

  // The blocks of the next-block entry up to length 0 or an error.
  Loaded load(const Bytes& bytes) {
    Loaded loaded;
    loaded.code = open(bytes);
    for (int i = 0; loaded.code == 0 && i < 1000; ++i) {
      DEBUG_DLL_LOAD_695();
      loaded.code = get_debug_dll_error();
      const std::uint16_t length = get_block_length();
      if (loaded.code != 0 || length == 0) break;
      const auto& data = current_debug_context().module.block_data;
      loaded.blocks.push_back({get_block_address(), std::vector<std::uint8_t>(data.begin(), data.begin() + length)});
    }
    DEBUG_DLL_CLOSE_695();
    return loaded;
  }
  Loaded load_data(const Bytes& data) {
    Module module;
    module.data = data;
    return load(module.build());
  }

  // The debug entry's code after a successful open.
  std::uint8_t read_debug(const Module& module) {
    EXPECT_EQ(open(module.build()), 0);
    DEBUG_DLL_DEBUG_695();
    const std::uint8_t code = get_debug_dll_error();
    DEBUG_DLL_CLOSE_695();
    return code;
  }

  static std::string error_text(std::uint8_t code) {
    set_debug_dll_error(code);
    DEBUG_DLL_ERROR_695();
    return get_debug_dll_error_text().str();
  }
};

TEST_F(Ieee695Test, NameAndFilter) {
  DEBUG_DLL_NAME_695();
  EXPECT_EQ(current_debug_context().module.module_name, "IEEE695");
  EXPECT_EQ(DEBUG_DLL_FILTER_695(), "IEEE-695 Object/Debug | *.695");
  EXPECT_EQ(DEBUG_DLL_FILTER_695().size(), 29u);
}

TEST_F(Ieee695Test, NumbersAndNames) {
  struct Case {
    const char* what;
    Bytes address;
    std::int32_t expected;
  };
  const std::vector<Case> cases{
      {"one byte", {0x7F}, 0x7F},
      {"0x80 alone", {0x80}, 0},
      {"two bytes", {0x82, 0x12, 0x34}, 0x1234},
      {"four bytes", {0x84, 0xFF, 0xFF, 0xFF, 0xFE}, -2},
      {"bracketed", {0xBE, 0x05, 0xA5, 0x03, 0xBF}, 5},
      {"bracketed long number", {0xBE, 0x82, 0x10, 0x00, 0xBF}, 0x1000},
  };
  for (const Case& c : cases) {
    const Loaded loaded = load_data(Bytes{0xE2, letter('P'), 0} + c.address + ld({7}));
    EXPECT_EQ(loaded, (Loaded{{{c.expected, {7}}}, 0})) << c.what;
  }
}

TEST_F(Ieee695Test, TheHeaderDecidesWhetherTheFileIsTaken) {
  struct Case {
    const char* what;
    Bytes file;
    std::uint8_t code;
  };
  const Bytes valid = Module{}.build();
  const Bytes header = Module{}.header();
  Module relocatable;
  relocatable.extension = object_format(2);
  Module no_extension;
  no_extension.pointers[0] = 0;
  Module no_data;
  no_data.pointers[5] = 0;
  Module unknown_record;
  unknown_record.extension = Bytes{0xE5, 0} + object_format();
  Module names_and_assignments;
  names_and_assignments.extension = nn(1, "HC08") + as('N', {1, 2}) + object_format();
  // The index 1 is the number read last when the file ends.
  Module no_object_format;
  no_object_format.extension = nn(1, "x");
  no_object_format.data.clear();
  no_object_format.pointers[5] = 1;
  Bytes ends_in_extension = no_object_format.build();
  ends_in_extension.pop_back();
  Bytes nine_pointers = header;
  Bytes seven_pointers = header;
  for (int i = 0; i < 8; ++i) {
    if (i < 7) seven_pointers += as('W', {static_cast<std::uint32_t>(i), 100});
    nine_pointers += as('W', {static_cast<std::uint32_t>(i == 3 ? 8 : i), 100});
  }
  const std::vector<Case> cases{
      {"valid", valid, 0},
      {"relocatable", relocatable.build(), 9},
      {"no extension part", no_extension.build(), 7},
      {"no data part", no_data.build(), 7},
      {"unknown record in the extension part", unknown_record.build(), 7},
      {"names and assignments before the attribute", names_and_assignments.build(), 0},
      {"extension part that ends without attribute 38", ends_in_extension, 7},
      {"empty file", {}, 4},
      {"processor name too long", Bytes{0xE0, 0x80}, 4},
      {"processor name past the end", Bytes{0xE0, 9, 'H'}, 4},
      {"no address descriptor", Bytes{0xE0} + name("HC08") + name("app"), 5},
      {"address descriptor with a 5-byte number", Bytes{0xE0} + name("HC08") + Bytes{0xEC, 0x85}, 5},
      {"seven part pointers", seven_pointers, 6},
      {"part pointer index 8", nine_pointers, 6},
      {"part pointer with a 5-byte value", header + Bytes{0xE2, letter('W'), 0, 0x85, 1, 2, 3, 4, 5}, 6},
  };
  for (const Case& c : cases) EXPECT_EQ(open(c.file), c.code) << c.what;
}

TEST_F(Ieee695Test, ObjectFilesOfOtherFormatsAreRefused) {
  EXPECT_EQ(open_file((fixtures / "s1_run.s19").string()), 6);
  EXPECT_EQ(open_file((fixtures / "sdcc_s08.s19").string()), 6);
  EXPECT_EQ(open_file((fixtures / "tiny.elf").string()), 6);
  EXPECT_EQ(open_file(write("app.dbg", "IMAGECRAFT DEBUG FORMAT\nVERSION 1.1\nCPU HC08\n")), 4);
}

TEST_F(Ieee695Test, AFileNamedWithoutItsExtensionIsFoundWithIt) {
  write("app.695", Module{}.build());
  EXPECT_EQ(open_file(path("app")), 0);
  EXPECT_EQ(ieee695_module().file_name, path("app.695"));
  EXPECT_EQ(open_file(path("app.obj")), 0);
  EXPECT_EQ(open_file(path("other")), 1);
  DEBUG_DLL_ERROR_695();
  EXPECT_EQ(get_debug_dll_error_text(), "ERROR - Load file " + path("other.695") + " does not exist.");
}

TEST_F(Ieee695Test, TheDataPartGivesTheBlocks) {
  struct Case {
    const char* what;
    Bytes data;
    Loaded expected;
  };
  const std::vector<Case> cases{
      {"two LD records after an ASP",
       asp(0x1000) + ld(counting(16)) + ld(counting(16, 16)) + module_end(),
       {{{0x1000, counting(16)}, {0x1010, counting(16, 16)}}, 0}},
      {"an LD run followed by another count",
       asp(0x1000) + ld({1, 2}) + Bytes{3, 7, 8, 9} + module_end(),
       {{{0x1000, {1, 2}}, {0x1002, {7, 8, 9}}}, 0}},
      {"a repeated block",
       asp(0x2000) + re(3) + ld({1, 2, 3, 4}) + module_end(),
       {{{0x2000, {1, 2, 3, 4}}, {0x2004, {1, 2, 3, 4}}, {0x2008, {1, 2, 3, 4}}, {0x200C, {1, 2, 3, 4}}}, 0}},
      {"sections and the largest block",
       sb(1) + asp(0x100) + ld(counting(127)) + sb(2) + ld({9}) + module_end(),
       {{{0x100, counting(127)}, {0x17F, {9}}}, 0}},
      {"a record of another kind ends the load", asp(0x100) + ld({1}) + Bytes{0xE1} + ld({2}), {{{0x100, {1}}}, 0}},
      {"execution start ends the load", asp(0x100) + ld({1}) + as('G', {0xC000}) + ld({2}), {{{0x100, {1}}}, 0}},
      {"an LD with count 0 ends the load", asp(0x100) + ld({}) + ld({2}) + module_end(), {{}, 0}},
      {"no address: 0", ld({5}) + module_end(), {{{0, {5}}}, 0}},
      {"ignored assignments", as('S', {1, 0x400}) + as('A', {1, 2, 3}) + asp(0x40) + ld({5}) + module_end(),
       {{{0x40, {5}}}, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(load_data(c.data), c.expected) << c.what;
}

TEST_F(Ieee695Test, ExecutionStartIsReported) {
  load_data(asp(0x100) + ld({1}) + as('G', {0xC000}));
  EXPECT_EQ(status_lines().back(), "Note - Execution start record found. Start address = $0000C000");
}

TEST_F(Ieee695Test, BrokenDataPartsAreInvalidSectionAddresses) {
  struct Case {
    const char* what;
    Bytes data;
    bool with_module_end;
    Loaded expected;
  };
  Module beyond_the_file;
  beyond_the_file.data = ld({1});
  beyond_the_file.pointers[5] = 5000;
  const std::vector<Case> cases{
      {"the file ends after the last block", asp(0x100) + ld({1}), false, {{{0x100, {1}}}, 10}},
      {"the file ends inside an LD", asp(0x100) + ld({1}) + Bytes{0xED, 4, 1, 2}, false, {{{0x100, {1}}}, 10}},
      {"the file ends inside an ASP", asp(0x100) + ld({1}) + Bytes{0xE2, letter('P'), 0, 0x82, 1}, false,
       {{{0x100, {1}}}, 10}},
      {"the file ends inside a continued run", asp(0x100) + ld({1}) + Bytes{3, 7}, false, {{{0x100, {1}}}, 10}},
      {"an LD count with bit 7 set", asp(0x100) + Bytes{0xED, 0x81, 0} + module_end(), true, {{}, 10}},
      {"a 5-byte address", Bytes{0xE2, letter('P'), 0, 0x85, 0, 0, 0, 0, 1} + ld({1}), true, {{}, 10}},
      {"an unknown assignment", as('Q', {1}) + ld({1}), true, {{}, 10}},
      {"repeats past 4 GiB", asp(0xFFFFFFF0) + re(4) + ld({1, 2, 3, 4}), true, {{}, 10}},
      {"repeats past 16 MiB", asp(0x100) + re(0x40000000) + ld({1, 2, 3, 4}), true, {{}, 10}},
  };
  for (const Case& c : cases) {
    Module module;
    module.data = c.data;
    Bytes file = module.build();
    if (!c.with_module_end) file.pop_back();
    EXPECT_EQ(load(file), c.expected) << c.what;
  }
  EXPECT_EQ(load(beyond_the_file.build()), (Loaded{{}, 10}));
  // Repeats that end exactly at 4 GiB still fit.
  EXPECT_EQ(load_data(asp(0xFFFFFFF8) + re(1) + ld({1, 2, 3, 4}) + module_end()).code, 0);
}

TEST_F(Ieee695Test, RepeatsOfALoadTogetherStayWithin16MiB) {
  Module module;
  module.data = asp(0) + re(132'000) + ld(counting(127)) + re(200) + ld(counting(127)) + module_end();
  ASSERT_EQ(open(module.build()), 0);
  std::uint64_t bytes = 0;
  for (int i = 0; i < 200'000; ++i) {
    DEBUG_DLL_LOAD_695();
    if (get_debug_dll_error() != 0 || get_block_length() == 0) break;
    bytes += get_block_length();
  }
  EXPECT_EQ(get_debug_dll_error(), 10);
  EXPECT_EQ(get_block_length(), 0);
  EXPECT_EQ(bytes, 132'001u * 127);
}

TEST_F(Ieee695Test, EachOpenStartsAtAddress0WithoutRepeats) {
  start_object_loading();
  Module first;
  first.data = asp(0x1000) + re(5) + ld({1, 2, 3, 4}) + module_end();
  get_object_record_list().set_record_limit(1);
  EXPECT_FALSE(LOAD_OBJECT_FILE(ShortText(write("first.695", first.build())), load_object_bytes));
  get_object_record_list().set_record_limit(100);
  Module second;
  second.data = ld({9}) + module_end();
  ASSERT_TRUE(LOAD_OBJECT_FILE(ShortText(write("second.695", second.build())), load_object_bytes));
  EXPECT_EQ(test_support::stored_records(), (std::vector<Record>{{0, {9}}}));
}

TEST_F(Ieee695Test, TypesAreStoredWithTheirMoreBytes) {
  Module module;
  module.debug = bb(1, 0, "types") + nn(1, "point") + ty(0x101, 'S', Bytes{2, 0x82, 0x12, 0x34, 'x'}) +
                 nn(2, "count") + ty(0x102, 'T', {}) + be();
  ASSERT_EQ(read_debug(module), 0);
  const auto& types = get_debug_database().types();
  ASSERT_EQ(types.size(), 2u);
  EXPECT_EQ(types[0]->name, "point");
  EXPECT_EQ(types[0]->number, 0x101);
  EXPECT_EQ(types[0]->type_code, 'S');
  EXPECT_EQ(types[0]->more->raw, (std::vector<std::uint8_t>{2, 0x82, 0x12, 0x34, 'x'}));
  EXPECT_EQ(types[1]->name, "count");
  EXPECT_TRUE(types[1]->more->raw.empty());
}

TEST_F(Ieee695Test, MoreBytesWrapInsideTheirBuffer) {
  Bytes more;
  for (int i = 0; i < 1200; ++i) more += Bytes{0x84, 1, 2, 3, 4};
  Module module;
  module.debug = bb(1, 0, "types") + nn(1, "big") + ty(1, 'S', more) + be();
  ASSERT_EQ(read_debug(module), 0);
  ASSERT_EQ(get_debug_database().types().size(), 1u);
  const std::vector<std::uint8_t>& raw = get_debug_database().types()[0]->more->raw;
  EXPECT_GE(raw.size(), 4000u);
  EXPECT_LE(raw.size(), 4096u);
}

TEST_F(Ieee695Test, FunctionsAndBlocksGiveTheirVariablesTheirScope) {
  Module module;
  module.debug = bb(3, 0, "main.c") +
                 // A global at depth 0 waits for its ASN.
                 nn(1, "total") + atn(1, 5, 3) + asn(1, 0x80) +
                 bb(4, 0, "main", {8, 0x20, 0xC000}) + nn(2, "i") + atn(2, 4, 1, {2}) + nn(3, "r") +
                 atn(3, 4, 2, {5}) + bb(6, 0, "inner", {2, 0, 0xC010}) + nn(4, "j") + atn(4, 4, 1, {4}) +
                 be(0xC020) + be(0xC040) + be();
  ASSERT_EQ(read_debug(module), 0);
  DebugDatabase& db = get_debug_database();
  std::map<std::string, const debug_symbol_record*> symbols;
  for (const debug_symbol_record* s = db.symbols().head; s != nullptr; s = s->next) symbols[s->name.str()] = s;
  ASSERT_EQ(symbols.size(), 6u);
  struct Expected {
    const char* name;
    std::uint8_t attribute;
    std::int32_t address;
    std::int32_t scope_start;
    std::int32_t scope_end;
  };
  for (const Expected& e : {Expected{"total", 3, 0x80, 0, -1}, Expected{"main", 4, 0xC000, 0, -1},
                            Expected{"i", 1, 2, 0xC000, 0xC040}, Expected{"r", 2, 5, 0xC000, 0xC040},
                            Expected{"inner", 6, 0xC010, 0xC000, 0xC040}, Expected{"j", 1, 4, 0xC010, 0xC020}}) {
    const debug_symbol_record* s = symbols[e.name];
    ASSERT_NE(s, nullptr) << e.name;
    EXPECT_EQ(s->attribute, e.attribute) << e.name;
    EXPECT_EQ(s->address, e.address) << e.name;
    EXPECT_EQ(s->scope_start, e.scope_start) << e.name;
    EXPECT_EQ(s->scope_end, e.scope_end) << e.name;
  }
  // Stack variables carry the stack space of the block begun last.
  ASSERT_EQ(symbols["i"]->extra_info.size(), 1u);
  EXPECT_EQ(symbols["i"]->extra_info[0].type, 1);
  EXPECT_EQ(symbols["i"]->extra_info[0].bytes, (std::vector<std::uint8_t>{8, 0}));
  EXPECT_EQ(symbols["j"]->extra_info[0].bytes, (std::vector<std::uint8_t>{2, 0}));
  EXPECT_TRUE(symbols["r"]->extra_info.empty());
  // The address index holds the global and the blocks.
  std::vector<std::int32_t> addresses;
  for (const debug_address_record* a = db.addresses().head; a != nullptr; a = a->next) addresses.push_back(a->address);
  EXPECT_EQ(addresses, (std::vector<std::int32_t>{0x80, 0xC000, 0xC010}));
}

TEST_F(Ieee695Test, AnUnnamedAttribute9MovesTheLastSymbolsScope) {
  Module module;
  module.debug = bb(3, 0, "m") + bb(4, 0, "f", {0, 0, 0x100}) + atn(0, 0, 9, {0x10}) + be(0x200) + be();
  ASSERT_EQ(read_debug(module), 0);
  ASSERT_NE(get_last_debug_symbol(), nullptr);
  EXPECT_EQ(get_last_debug_symbol()->name, "f");
  EXPECT_EQ(get_last_debug_symbol()->scope_start, 0x10);
}

TEST_F(Ieee695Test, SourceBlocksGiveFilesAndLines) {
  Module module;
  module.debug = bb(5, 0, "main.c", {2024, 1, 1}) + atn(0, 0, 7, {10, 1}) + asn(0, 0xC000) +
                 bb(5, 0, "inc/io.h") + atn(0, 0, 7, {3, 0}) + asn(0, 0xC100) + be() + atn(0, 0, 7, {11, 2}) +
                 asn(0, 0xC004) + be();
  ASSERT_EQ(read_debug(module), 0);
  EXPECT_EQ(get_debug_database().files(), (std::vector<ShortText>{"main.c", "inc\\io.h"}));
  std::vector<std::array<std::int32_t, 3>> lines;
  for (const debug_line_record* l = get_debug_database().lines().head; l != nullptr; l = l->next) {
    lines.push_back({l->address, l->file, l->line});
  }
  EXPECT_EQ(lines, (std::vector<std::array<std::int32_t, 3>>{{0xC000, 1, 10}, {0xC004, 1, 11}, {0xC100, 2, 3}}));
}

TEST_F(Ieee695Test, PublicSymbolsComeFromTheExternalPart) {
  Module module;
  module.externals = ni(1, "main") + ati(1, 0, 19) + asi(1, 0xC000) + ni(2, "buffer") + ati(2, 0, 8) +
                     asi(2, 0x100) + Bytes{0xE9} + number(3) + name("extern_fn") + Bytes{0xF4} + numbers({3, 0}) +
                     ni(4, "constant") + ati(4, 0, 16) + asi(4, 7);
  ASSERT_EQ(read_debug(module), 0);
  std::vector<std::pair<std::string, std::int32_t>> symbols;
  for (const debug_symbol_record* s = get_debug_database().symbols().head; s != nullptr; s = s->next) {
    symbols.emplace_back(s->name.str(), s->address);
    EXPECT_EQ(s->scope_start, 0);
    EXPECT_EQ(s->scope_end, -1);
  }
  EXPECT_EQ(symbols, (std::vector<std::pair<std::string, std::int32_t>>{
                         {"buffer", 0x100}, {"constant", 7}, {"main", 0xC000}}));
  std::vector<std::int32_t> addresses;
  for (const debug_address_record* a = get_debug_database().addresses().head; a != nullptr; a = a->next) {
    addresses.push_back(a->address);
  }
  EXPECT_EQ(addresses, (std::vector<std::int32_t>{0x100, 0xC000}));
}

TEST_F(Ieee695Test, BrokenDebugPartsGiveTheirCodes) {
  struct Case {
    const char* what;
    Bytes debug;
    Bytes externals;
    std::uint8_t code;
  };
  Bytes deep = bb(3, 0, "m");
  for (int i = 0; i < 257; ++i) deep += bb(6, 0, "b", {0, 0, 0});
  Bytes many_files = bb(5, 0, "a.c");
  for (int i = 0; i < 256; ++i) many_files += bb(5, 0, "b.c");
  const std::vector<Case> cases{
      {"unknown block type", bb(7, 0, "x") + be(), {}, 11},
      {"type block without its end", bb(1, 0, "types") + nn(1, "a") + ty(1, 'S'), {}, 11},
      {"type record without its name", bb(1, 0, "types") + ty(1, 'S') + be(), {}, 11},
      {"module block ending early", bb(3, 0, "m") + bb(4, 0, "f", {0, 0, 0x100}), {}, 11},
      {"function without its numbers", bb(3, 0, "m") + bb(4, 0, "f") + be(1) + be(), {}, 11},
      {"unknown record in a module block", bb(3, 0, "m") + Bytes{0xE5, 1} + be(), {}, 11},
      {"blocks nested too deeply", deep, {}, 12},
      {"source blocks nested too deeply", many_files, {}, 12},
      {"line without line number", bb(5, 0, "a.c") + atn(0, 0, 7, {10}) + asn(0, 0x100) + be(), {}, 11},
      {"line after another attribute", bb(5, 0, "a.c") + atn(0, 0, 1, {10}) + asn(0, 0x100) + be(), {}, 11},
      {"source block ending early", bb(5, 0, "a.c") + atn(0, 0, 7, {10, 1}), {}, 11},
      {"assembler block ending early", bb(10, 0, "asm") + bb(10, 0, "inner") + be(), {}, 11},
      {"assembler block pointing back", bb(1, 0, "t") + be() + bb(10, 1, "asm") + be(), {}, 11},
      {"assembler block pointing past 4 GiB", bb(10, 0xFFFFFFF0, "asm") + be(), {}, 11},
      {"unknown byte in the external part", {}, ni(1, "x") + Bytes{0x42}, 11},
      {"broken ATN in the external part", {}, Bytes{0xF1, letter('N'), 1, 0, 1}, 11},
  };
  for (const Case& c : cases) {
    Module module;
    module.debug = c.debug;
    module.externals = c.externals;
    EXPECT_EQ(read_debug(module), c.code) << c.what;
  }
  EXPECT_EQ(status_lines().back(), "External Section Error - Unknown Character Detected($42).");
}

TEST_F(Ieee695Test, AssemblerBlocksAreSkipped) {
  const Bytes skipped = bb(4, 0, "f", {0, 0, 0}) + be(1);
  const Bytes lines = bb(5, 0, "a.c") + atn(0, 0, 7, {1, 0}) + asn(0, 0x100) + be();
  Module by_length;
  by_length.debug = bb(10, 0, "asm") + skipped + be() + lines;
  ASSERT_EQ(read_debug(by_length), 0);
  EXPECT_EQ(get_debug_file_count(), 1);
  clear_debug_database();
  const Bytes head = bb(10, 0, "asm");
  Module by_position;
  by_position.debug = bb(10, static_cast<std::uint32_t>(head.size() + skipped.size()), "asm") + skipped + lines;
  ASSERT_EQ(read_debug(by_position), 0);
  EXPECT_EQ(get_debug_file_count(), 1);
}

TEST_F(Ieee695Test, ErrorTexts) {
  const std::vector<std::pair<std::uint8_t, std::string>> texts{
      {2, "ERROR - Invalid string in 695 file."},
      {3, "ERROR - Invalid count/number in 695 file."},
      {4, "ERROR - Invalid 695 header, no Module Beginning."},
      {5, "ERROR - Invalid 695 header, no Address Descriptor."},
      {6, "ERROR - Invalid 695 header, missing File Part Pointer."},
      {7, "ERROR - Invalid 695 header, null Expansion or Data File Part."},
      {8, "ERROR - Invalid 695 header, Invalid Expansion File Part."},
      {9, "ERROR - Not an ABSOLUTE 695 file, can not be loaded."},
      {10, "ERROR - Invalid 695 file Section Address."},
      {11, "ERROR - Invalid 695 file debug block."},
      {12, "ERROR - Insufficient space to load 695 debug info."},
      {13, "ERROR - Not enough memory to allocate data structures."},
      {14, "ERROR - Number too larger in IEEE695 value."},
      {0, "ERROR - Unknown"},
      {15, "ERROR - Unknown"},
  };
  for (const auto& [code, text] : texts) EXPECT_EQ(error_text(code), text) << int(code);
}

}  // namespace
}  // namespace vx::loaders
