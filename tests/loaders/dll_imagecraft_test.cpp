#include "loaders/dll_imagecraft.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "loaders/debug_context.h"
#include "tests/loaders/imagecraft_writer.h"
#include "tests/loaders/loader_test_support.h"

namespace vx::loaders {
namespace {

using test_support::ImageCraftWriter;

const std::filesystem::path fixtures = std::filesystem::path(VX_TEST_FIXTURES) / "loaders";

class ImageCraftTest : public test_support::LoaderTest {
 protected:
  std::uint8_t run(void (*entry)(), const std::string& name) {
    current_debug_context().module.load_file_name = ShortText(name);
    entry();
    return get_debug_dll_error();
  }
  std::uint8_t test(std::string_view text) { return run(DEBUG_DLL_TEST_IMAGECRAFT, write("app.dbg", text)); }
  std::uint8_t open(std::string_view text) { return run(DEBUG_DLL_OPEN_IMAGECRAFT, write("app.dbg", text)); }

  // Open, debug reading and close; the debug entry's code.
  std::uint8_t read_debug(const ImageCraftWriter& file) {
    EXPECT_EQ(open(file.text()), 0);
    DEBUG_DLL_DEBUG_IMAGECRAFT();
    const std::uint8_t code = get_debug_dll_error();
    DEBUG_DLL_CLOSE_IMAGECRAFT();
    return code;
  }

  static std::map<std::string, const debug_symbol_record*> symbols() {
    std::map<std::string, const debug_symbol_record*> found;
    for (const debug_symbol_record* s = get_debug_database().symbols().head; s != nullptr; s = s->next) {
      found[s->name.str()] = s;
    }
    return found;
  }
  static const debug_type_record* type_numbered(std::int32_t number) {
    for (const auto& type : get_debug_database().types()) {
      if (type->number == number) return type.get();
    }
    return nullptr;
  }
  static std::vector<std::array<std::int32_t, 3>> lines() {
    std::vector<std::array<std::int32_t, 3>> found;
    for (const debug_line_record* l = get_debug_database().lines().head; l != nullptr; l = l->next) {
      found.push_back({l->address, l->file, l->line});
    }
    return found;
  }
};

TEST_F(ImageCraftTest, NameAndFilter) {
  DEBUG_DLL_NAME_IMAGECRAFT();
  EXPECT_EQ(current_debug_context().module.module_name, "ImageCraft(v1.1)");
  EXPECT_EQ(DEBUG_DLL_FILTER_IMAGECRAFT(), "ImageCraft(v1.1) | *.dbg");
  EXPECT_EQ(DEBUG_DLL_FILTER_IMAGECRAFT().size(), 24u);
}

TEST_F(ImageCraftTest, TheHeaderLinesDecide) {
  struct Case {
    const char* what;
    const char* text;
    std::uint8_t test_code;
    std::uint8_t open_code;
  };
  const std::vector<Case> cases{
      {"all three", "IMAGECRAFT DEBUG FORMAT\nVERSION 1.1\nCPU HC08\n", 0, 0},
      {"blank lines and blanks around", "\n  \r\n  IMAGECRAFT DEBUG FORMAT \r\n\n VERSION 1.1 \nCPU HC08", 0, 0},
      {"the first line only", "IMAGECRAFT DEBUG FORMAT\n", 0, 3},
      {"another version", "IMAGECRAFT DEBUG FORMAT\nVersion 1.1\nCPU HC08\n", 0, 3},
      {"another processor", "IMAGECRAFT DEBUG FORMAT\nVERSION 1.1\nCPU HC12\n", 0, 5},
      {"no target line", "IMAGECRAFT DEBUG FORMAT\nVERSION 1.1\n", 0, 5},
      {"lower case", "imagecraft debug format\nVERSION 1.1\nCPU HC08\n", 2, 2},
      {"empty", "", 2, 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(test(c.text), c.test_code) << c.what;
    EXPECT_EQ(imagecraft_module().file_open, c.test_code == 0) << c.what;
    DEBUG_DLL_CLOSE_IMAGECRAFT();
    EXPECT_EQ(open(c.text), c.open_code) << c.what;
    EXPECT_EQ(imagecraft_module().file_open, c.open_code == 0) << c.what;
    DEBUG_DLL_CLOSE_IMAGECRAFT();
  }
  // A wrong first line is also reported during the open.
  EXPECT_EQ(status_lines().back(), "ERROR - Unexpected text at line 1.");
}

TEST_F(ImageCraftTest, ObjectFilesOfOtherFormatsAreRefused) {
  for (const char* name : {"s1_run.s19", "sdcc_s08.s19", "tiny.elf"}) {
    const std::string file = (fixtures / name).string();
    EXPECT_EQ(run(DEBUG_DLL_TEST_IMAGECRAFT, file), 2) << name;
    EXPECT_EQ(run(DEBUG_DLL_OPEN_IMAGECRAFT, file), 2) << name;
  }
}

TEST_F(ImageCraftTest, AFileNamedWithoutItsExtensionIsFoundWithIt) {
  write("app.dbg", ImageCraftWriter().text());
  EXPECT_EQ(run(DEBUG_DLL_TEST_IMAGECRAFT, path("app")), 0);
  EXPECT_EQ(imagecraft_module().file_name, path("app.dbg"));
  EXPECT_EQ(run(DEBUG_DLL_OPEN_IMAGECRAFT, path("app.s19")), 0);
  EXPECT_EQ(run(DEBUG_DLL_OPEN_IMAGECRAFT, path("other")), 1);
  DEBUG_DLL_ERROR_IMAGECRAFT();
  EXPECT_EQ(get_debug_dll_error_text(), "ERROR - Load file " + path("other.dbg") + " does not exist.");
}

TEST_F(ImageCraftTest, FilesFunctionsLinesAndVariables) {
  ImageCraftWriter file;
  file.dir("C:\\src")
      .file("main.c")
      .defglobal("counter", 0x100, "I")
      .func("main", 0xC000)
      .line(10, 0xC000)
      .block(11, 0xC004)
      .deflocal("i", -2, "c")
      .defstatic("ignored", 0x200, "C")
      .blockend(14, 0xC010)
      .line(15, 0xC012)
      .funcend(0xC020)
      .defstatic("table", 0x120, "L")
      .raw("START 0000")
      .raw("UNKNOWN keyword")
      .file("util.c")
      .func("", 0xD000)
      .line(3, 0xD000)
      .funcend(0xD008)
      .dir("io")
      .file("p.c");
  ASSERT_EQ(read_debug(file), 0);
  EXPECT_TRUE(test_support::stored_records().empty());
  EXPECT_EQ(get_debug_database().files(),
            (std::vector<ShortText>{"C:\\src\\main.c", "C:\\src\\util.c", "io\\p.c"}));
  EXPECT_EQ(lines(), (std::vector<std::array<std::int32_t, 3>>{{0xC000, 1, 10},
                                                               {0xC004, 1, 11},
                                                               {0xC010, 1, 14},
                                                               {0xC012, 1, 15},
                                                               {0xD000, 2, 3}}));
  const auto found = symbols();
  ASSERT_EQ(found.size(), 5u);
  EXPECT_EQ(found.count("ignored"), 0u);
  struct Expected {
    const char* name;
    std::uint8_t attribute;
    std::int32_t type;
    std::int32_t address;
    std::int32_t scope_start;
    std::int32_t scope_end;
  };
  for (const Expected& e : {Expected{"counter", 8, 4, 0x100, 0xC000, 0xC020},
                            Expected{"table", 8, 6, 0x120, 0xC000, 0xC020},
                            Expected{"main", 4, 88, 0xC000, 0xC000, 0xC020},
                            Expected{"i", 98, 3, -2, 0xC000, 0xC020},
                            Expected{"1001", 4, 88, 0xD000, 0xD000, 0xD008}}) {
    ASSERT_EQ(found.count(e.name), 1u) << e.name;
    const debug_symbol_record* s = found.at(e.name);
    EXPECT_EQ(s->attribute, e.attribute) << e.name;
    EXPECT_EQ(s->type, e.type) << e.name;
    EXPECT_EQ(s->address, e.address) << e.name;
    EXPECT_EQ(s->scope_start, e.scope_start) << e.name;
    EXPECT_EQ(s->scope_end, e.scope_end) << e.name;
  }
  const debug_symbol_record* local = found.at("i");
  ASSERT_NE(local->more, nullptr);
  EXPECT_EQ(local->more->more_length, 1);
  EXPECT_EQ(local->more->zero, 4);
  EXPECT_EQ(local->more->raw, (std::vector<std::uint8_t>{0}));
  ASSERT_EQ(local->extra_info.size(), 1u);
  EXPECT_EQ(local->extra_info[0].type, 0);
  EXPECT_EQ(local->extra_info[0].bytes, (std::vector<std::uint8_t>{0}));
  std::vector<std::int32_t> addresses;
  for (const debug_address_record* a = get_debug_database().addresses().head; a != nullptr; a = a->next) {
    addresses.push_back(a->address);
  }
  EXPECT_EQ(addresses, (std::vector<std::int32_t>{0x100, 0x120, 0xC000, 0xD000}));
}

TEST_F(ImageCraftTest, WithoutADirectoryFilesAreBesideTheDebugFile) {
  ASSERT_EQ(read_debug(ImageCraftWriter().file("main.c").line(1, 0x10)), 0);
  ShortText expected = path("main.c");
  for (std::size_t i = 0; i < expected.size(); ++i) {
    if (expected[i] == '/') expected[i] = '\\';
  }
  EXPECT_EQ(get_debug_database().files(), (std::vector<ShortText>{expected}));
}

TEST_F(ImageCraftTest, ALaterFunctionAddressRaisesTheEnd) {
  ImageCraftWriter file;
  file.file("a.c").func("f", 0x100).line(1, 0x100).line(2, 0x180).deflocal("x", 1, "C").funcend(0x140);
  ASSERT_EQ(read_debug(file), 0);
  // FUNCEND sets the end even below a line address.
  EXPECT_EQ(symbols().at("x")->scope_end, 0x140);
  EXPECT_EQ(symbols().at("f")->scope_end, 0x180);
}

TEST_F(ImageCraftTest, TypeDescriptors) {
  struct Case {
    const char* descriptor;
    std::int32_t type;
  };
  const std::vector<Case> simple{{"", 0},   {"C", 2},  {"c", 3},   {"I", 4},   {"S", 4},  {"i", 5},
                                 {"s", 5},  {"L", 6},  {"l", 7},   {"D", 10},  {"V", 199}, {"X", 199},
                                 {"F", 199}, {"f", 88}, {"Q", 199}, {"A", 199}};
  for (const Case& c : simple) {
    clear_debug_database();
    ImageCraftWriter file;
    file.file("a.c").defglobal("v", 0x10, c.descriptor);
    ASSERT_EQ(read_debug(file), 0) << c.descriptor;
    EXPECT_EQ(symbols().at("v")->type, c.type) << c.descriptor;
    EXPECT_TRUE(get_debug_database().types().empty()) << c.descriptor;
  }
}

TEST_F(ImageCraftTest, ArraysAndPointers) {
  ImageCraftWriter file;
  file.file("a.c")
      .defglobal("grid", 0x10, "A[20:2:5]C")
      .defglobal("p", 0x20, "pC")
      .defglobal("q", 0x30, "pV")
      .defglobal("none", 0x40, "A[20:0:5]C")
      .defglobal("flat", 0x50, "A[8]C")
      .defglobal("nested", 0x60, "A[40:2]A[20:10]C");
  ASSERT_EQ(read_debug(file), 0);
  const auto found = symbols();

  const debug_type_record* grid = type_numbered(found.at("grid")->type);
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->name, "1001");
  EXPECT_EQ(grid->type_code, 90);
  EXPECT_EQ(grid->more->member_type_list, (dyn_lw_array{2, 5}));
  EXPECT_EQ(grid->more->flag_list, (dyn_bool_array{false, false}));
  EXPECT_EQ(grid->more->name_list, (string_list{"", ""}));
  EXPECT_EQ(grid->more->extra_value_b, 2);
  EXPECT_EQ(grid->more->extra_value_a, 2);

  const debug_type_record* p = type_numbered(found.at("p")->type);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->type_code, 79);
  EXPECT_EQ(p->more->reference_value, 2);
  EXPECT_EQ(p->more->extra_value_b, 4);
  const debug_type_record* q = type_numbered(found.at("q")->type);
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->type_code, 32);
  EXPECT_EQ(q->more->extra_value_b, 4);

  // Counts that multiply to 0, and no counts at all, give an untyped array.
  for (const char* name : {"none", "flat"}) {
    const debug_type_record* untyped = type_numbered(found.at(name)->type);
    ASSERT_NE(untyped, nullptr) << name;
    EXPECT_EQ(untyped->type_code, 199) << name;
  }

  // The outer array takes its number before its element does.
  const debug_type_record* outer = type_numbered(found.at("nested")->type);
  ASSERT_NE(outer, nullptr);
  EXPECT_EQ(outer->type_code, 90);
  EXPECT_EQ(outer->more->extra_value_b, 20);
  const debug_type_record* inner = type_numbered(outer->more->extra_value_a);
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner->number, outer->number + 1);
  EXPECT_EQ(inner->more->extra_value_b, 2);
}

TEST_F(ImageCraftTest, StructuresAndUnions) {
  ImageCraftWriter file;
  file.file("a.c")
      .structure(4, "point")
      .field(0, "x", "I")
      .field(2, "y", "I")
      .structend()
      .union_type(4, "word")
      .field(0, "whole", "L")
      .field(0, "bytes", "A[4:4]c")
      .unionend()
      .structure(0, "empty")
      .structend()
      .structure(2, "unfinished")
      .field(0, "a", "I")
      .defglobal("origin", 0x10, "S[point]")
      .defglobal("w", 0x14, "S[word]")
      .file("b.c")
      .defglobal("elsewhere", 0x20, "S[point]")
      .func("f", 0x100)
      .structure(2, "local")
      .field(0, "c", "C")
      .structend()
      .deflocal("l", 0, "S[local]")
      .funcend(0x110);
  ASSERT_EQ(read_debug(file), 0);
  const auto found = symbols();

  const debug_type_record* point = type_numbered(found.at("origin")->type);
  ASSERT_NE(point, nullptr);
  EXPECT_EQ(point->name, "point");
  EXPECT_EQ(point->type_code, 83);
  EXPECT_EQ(point->more->name_list, (string_list{"x", "y"}));
  EXPECT_EQ(point->more->member_type_list, (dyn_lw_array{4, 4}));
  EXPECT_EQ(point->more->member_lists, (array_dyn_lw_array{{0}, {2}}));
  EXPECT_EQ(point->more->extra_value_b, 4);

  const debug_type_record* word = type_numbered(found.at("w")->type);
  ASSERT_NE(word, nullptr);
  EXPECT_EQ(word->type_code, 85);
  EXPECT_EQ(word->more->name_list, (string_list{"whole", "bytes"}));
  EXPECT_TRUE(word->more->member_lists.empty());

  // The same name used in another file without a definition is another type.
  EXPECT_NE(found.at("elsewhere")->type, found.at("origin")->type);
  EXPECT_EQ(type_numbered(found.at("elsewhere")->type), nullptr);

  const debug_type_record* local = type_numbered(found.at("l")->type);
  ASSERT_NE(local, nullptr);
  EXPECT_EQ(local->name, "local");

  std::map<std::string, std::int32_t> codes;
  for (const auto& type : get_debug_database().types()) codes[type->name.str()] = type->type_code;
  EXPECT_EQ(codes.at("empty"), 199);
  EXPECT_EQ(codes.count("unfinished"), 0u);
}

TEST_F(ImageCraftTest, LinesBeforeAnyFileHaveNoScope) {
  ImageCraftWriter file;
  file.func("early", 0x100).line(1, 0x100).funcend(0x104).defglobal("g", 0x10, "C").file("a.c").line(2, 0x200);
  ASSERT_EQ(read_debug(file), 0);
  EXPECT_EQ(lines(), (std::vector<std::array<std::int32_t, 3>>{{0x200, 1, 2}}));
  const auto found = symbols();
  ASSERT_EQ(found.count("early"), 1u);
  EXPECT_EQ(found.at("early")->scope_start, 0);
  EXPECT_EQ(found.at("early")->scope_end, 0);
  EXPECT_EQ(found.count("g"), 1u);
}

TEST_F(ImageCraftTest, UnreadableTextEndsTheReadingWithAnError) {
  const std::vector<std::pair<const char*, ImageCraftWriter>> cases{
      {"address that is no number", ImageCraftWriter().file("a.c").raw("LINE 1 12G4")},
      {"line number that is no number", ImageCraftWriter().file("a.c").raw("LINE x 1234")},
      {"missing address", ImageCraftWriter().file("a.c").raw("LINE 1")},
      {"address beyond 32 bits", ImageCraftWriter().file("a.c").raw("LINE 1 123456789")},
      {"structure without its end bracket", ImageCraftWriter().file("a.c").defglobal("v", 0, "S[point")},
      {"array without its end bracket", ImageCraftWriter().file("a.c").defglobal("v", 0, "A[20:2C")},
      {"array size that is no number", ImageCraftWriter().file("a.c").defglobal("v", 0, "A[x:2]C")},
      {"descriptor nested too deeply", ImageCraftWriter().file("a.c").defglobal("v", 0, std::string(100, 'p') + "C")},
  };
  for (const auto& [what, file] : cases) {
    clear_debug_database();
    status_output().lines.clear();
    EXPECT_EQ(read_debug(file), 7) << what;
    EXPECT_EQ(status_lines(), (std::vector<std::string>{"WARNING - An unknown error has occurred."})) << what;
    DEBUG_DLL_ERROR_IMAGECRAFT();
    EXPECT_EQ(get_debug_dll_error_text(), "ERROR - Unknown") << what;
  }
  // Nesting within the limit is read.
  clear_debug_database();
  EXPECT_EQ(read_debug(ImageCraftWriter().file("a.c").defglobal("v", 0, std::string(60, 'p') + "C")), 0);
}

TEST_F(ImageCraftTest, FunctionsWithoutFuncendCostNoSecondPass) {
  ImageCraftWriter file;
  file.file("a.c");
  for (int i = 0; i < 50'000; ++i) file.func("f" + std::to_string(i), 0x100 + i).line(i, 0x100 + i);
  file.func("last", 0x8000).funcend(0x8004);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(read_debug(file), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  // Only the function that ends is stored.
  const auto found = symbols();
  EXPECT_EQ(found.size(), 1u);
  EXPECT_EQ(found.count("last"), 1u);
  EXPECT_EQ(lines().size(), 50'000u);
}

TEST_F(ImageCraftTest, AFullFileTableEndsTheReading) {
  get_debug_database().set_record_limit(0);
  EXPECT_EQ(read_debug(ImageCraftWriter().file("a.c")), 6);
}

TEST_F(ImageCraftTest, TheModuleGivesNoObjectBytes) {
  set_block_length(5);
  DEBUG_DLL_LOAD_IMAGECRAFT();
  EXPECT_EQ(get_debug_dll_error(), 0);
  EXPECT_EQ(get_block_length(), 0);
}

TEST_F(ImageCraftTest, ErrorTexts) {
  const std::vector<std::pair<std::uint8_t, std::string>> texts{
      {2, "ERROR - Unexpected text at line 1."},
      {3, "ERROR - File is not ImageCraft debug file version 1.1."},
      {4, "ERROR - An error occurred while loading s-record file."},
      {5, "ERROR - Unknown value specified for target architecture."},
      {6, "ERROR - Memory allocation error during debug file analysis."},
      {7, "ERROR - Unknown"},
      {0, "ERROR - Unknown"},
  };
  for (const auto& [code, text] : texts) {
    set_debug_dll_error(code);
    DEBUG_DLL_ERROR_IMAGECRAFT();
    EXPECT_EQ(get_debug_dll_error_text(), text) << int(code);
  }
}

}  // namespace
}  // namespace vx::loaders
