#include "loaders/dll_map.h"

#include <gtest/gtest.h>

#include "loaders/debug_context.h"
#include "tests/loaders/loader_test_support.h"

namespace vx::loaders {
namespace {

using test_support::counting;
using test_support::Record;
using test_support::srecord_line;
using test_support::stored_records;

struct MapRecord {
  std::uint32_t address;
  std::uint8_t file;
  std::uint16_t line;
  std::string symbol;
};

std::vector<std::uint8_t> map_file(const std::vector<std::string>& files, const std::vector<MapRecord>& records) {
  std::vector<std::uint8_t> bytes(map_file_signature.begin(), map_file_signature.end());
  bytes.insert(bytes.end(), {26, 0x12, 0x34, static_cast<std::uint8_t>(files.size())});
  for (const std::string& file : files) {
    bytes.insert(bytes.end(), file.begin(), file.end());
    bytes.push_back(0);
  }
  for (const MapRecord& r : records) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(r.address >> (8 * i)));
    bytes.insert(bytes.end(), {r.file, static_cast<std::uint8_t>(r.line >> 8), static_cast<std::uint8_t>(r.line)});
    bytes.insert(bytes.end(), r.symbol.begin(), r.symbol.end());
    bytes.push_back(0);
  }
  return bytes;
}

class MapModuleTest : public test_support::LoaderTest {
 protected:
  void SetUp() override {
    LoaderTest::SetUp();
    start_object_loading();
  }

  // Opens the file through the module alone; the error code it leaves.
  std::uint8_t open(const std::string& name) {
    current_debug_context().module.load_file_name = ShortText(name);
    DEBUG_DLL_OPEN_MAP();
    return get_debug_dll_error();
  }

  std::vector<std::string> line_entries() {
    std::vector<std::string> result;
    for (const debug_line_record* r = get_debug_database().lines().head; r != nullptr; r = r->next) {
      result.push_back(std::to_string(r->address) + ":" + std::to_string(r->file) + ":" + std::to_string(r->line));
    }
    return result;
  }
  std::vector<std::string> symbol_names() {
    std::vector<std::string> result;
    for (const debug_symbol_record* s = get_debug_database().symbols().head; s != nullptr; s = s->next) {
      result.push_back(s->name.str());
    }
    return result;
  }
};

TEST_F(MapModuleTest, EitherFileNameLoadsBothFiles) {
  write("app.s19", srecord_line('1', 0x8000, {1, 2}));
  write("app.MAP", map_file({"src/main.c"}, {{0x8000, 1, 10, "main"}, {0x8001, 1, 11, ""}}));
  for (const char* name : {"app.s19", "app.MAP", "app.abs"}) {
    ASSERT_TRUE(LOAD_OBJECT_FILE(ShortText(path(name)), load_object_and_debug)) << name;
    EXPECT_EQ(stored_records(), (std::vector<Record>{{0x8000, {1, 2}}})) << name;
    EXPECT_EQ(get_debug_database().files(), std::vector<ShortText>{"src\\main.c"}) << name;
    get_debug_database().lines().flatten_tree();
    get_debug_database().symbols().flatten_tree();
    get_debug_database().addresses().flatten_tree();
    EXPECT_EQ(line_entries(), (std::vector<std::string>{"32768:1:10", "32769:1:11"})) << name;
    EXPECT_EQ(symbol_names(), std::vector<std::string>{"main"}) << name;
    const debug_symbol_record& main = *get_debug_database().symbols().head;
    EXPECT_EQ(main.scope_start, 0);
    EXPECT_EQ(main.scope_end, -1);
    EXPECT_EQ(main.address, 0x8000);
    EXPECT_EQ(get_debug_database().addresses().head->symbol, &main);
  }
}

TEST_F(MapModuleTest, CompanionsAreFoundWhateverTheirCase) {
  write("app.s19", srecord_line('1', 0x8000, {1}));
  write("APP.map", map_file({"a.c"}, {}));
  ASSERT_TRUE(LOAD_OBJECT_FILE(ShortText(path("app.abs")), load_object_and_debug));
  EXPECT_EQ(stored_records().size(), 1u);
  EXPECT_EQ(get_debug_file_count(), 1);
  EXPECT_EQ(map_module().srecord_file_name, path("app.s19"));
}

TEST_F(MapModuleTest, AnExistingFileThatIsNeitherFailsWithoutLookingFurther) {
  write("app.s19", srecord_line('1', 0x8000, {1}));
  write("app.txt", "hello\n");
  EXPECT_EQ(open(path("app.txt")), map_no_file);
  DEBUG_DLL_ERROR_MAP();
  EXPECT_EQ(get_debug_dll_error_text(), "ERROR - Neither MAP nor S-Record file " + path("app.txt") + " exists.");
  EXPECT_EQ(open(path("other.abs")), map_no_file);
  EXPECT_EQ(open(path("app.abs")), map_no_error);
  DEBUG_DLL_CLOSE_MAP();
}

TEST_F(MapModuleTest, EveryDataLineIsABlockOfItsOwn) {
  const std::vector<std::uint8_t> run = counting(300);
  const std::string text = "S00600004844521B\n" + srecord_line('1', 0xC000, {run.begin(), run.begin() + 252}) +
                           "S1030000FC\n" + "s105c0fcfcfd00\n" +
                           srecord_line('1', 0xC0FE, {run.begin() + 254, run.end()}) + "S9030000FC\n";
  ASSERT_TRUE(LOAD_OBJECT_FILE(ShortText(write("run.s19", text)), load_object_bytes));
  EXPECT_EQ(stored_records(),
            (std::vector<Record>{{0xC000, {run.begin(), run.begin() + 252}},
                                 {0xC0FC, {0xFC, 0xFD}},
                                 {0xC0FE, {run.begin() + 254, run.end()}}}));
}

TEST_F(MapModuleTest, BadCountsAndDigitsAreInvalidHex) {
  const std::pair<const char*, const char*> cases[] = {
      {"invalid count", "S1Q58000AABB00"},
      {"count too small", "S1028000AABB"},
      {"count larger than the line", "S1FF8000AABB00"},
      {"checksum missing", "S1058000AABB"},
      {"invalid data", "S1058000AQBB00"},
      {"invalid address", "S105800QAABB00"},
      {"invalid checksum digit", "S1058000AABB0Q"},
  };
  for (const auto& [name, line] : cases) {
    EXPECT_EQ(open(write("bad.s19", srecord_line('1', 0x100, {1}) + line + "\n")), map_no_error) << name;
    DEBUG_DLL_LOAD_MAP();
    EXPECT_EQ(get_block_length(), 1) << name;
    DEBUG_DLL_LOAD_MAP();
    EXPECT_EQ(get_debug_dll_error(), map_invalid_hex) << name;
    EXPECT_EQ(get_block_length(), 0) << name;
    DEBUG_DLL_CLOSE_MAP();
  }
  // A wrong checksum value is accepted.
  EXPECT_EQ(open(write("sum.s19", "S1058000AABB77\n")), map_no_error);
  DEBUG_DLL_LOAD_MAP();
  EXPECT_EQ(get_debug_dll_error(), map_no_error);
  EXPECT_EQ(get_block_length(), 2);
}

TEST_F(MapModuleTest, MapHeadersAndRecordsThatEndEarlyAreInvalid) {
  std::vector<std::uint8_t> wrong_marker = map_file({}, {});
  wrong_marker[26] = 0x1B;
  std::vector<std::uint8_t> zero_value = map_file({}, {});
  zero_value[27] = zero_value[28] = 0;
  std::vector<std::uint8_t> cut_record = map_file({"a.c"}, {{0x100, 1, 1, "x"}});
  cut_record.pop_back();
  std::vector<std::uint8_t> cut_names = map_file({"a.c", "b.c"}, {});
  cut_names.pop_back();
  std::vector<std::uint8_t> header_only(map_file_signature.begin(), map_file_signature.end());
  header_only.push_back(26);
  const std::pair<const char*, std::vector<std::uint8_t>> cases[] = {
      {"marker 0x1B", wrong_marker},   {"value 0", zero_value},         {"record cut", cut_record},
      {"names cut", cut_names},        {"header cut", header_only},
  };
  for (const auto& [name, bytes] : cases) {
    EXPECT_EQ(open(write("bad.MAP", bytes)), map_no_error) << name;
    DEBUG_DLL_DEBUG_MAP();
    EXPECT_EQ(get_debug_dll_error(), map_invalid_header) << name;
    DEBUG_DLL_CLOSE_MAP();
    clear_debug_database();
  }
  // No more than the signature is not a map file.
  EXPECT_EQ(open(write("tiny.MAP", std::string(map_file_signature))), map_no_file);
}

TEST_F(MapModuleTest, RecordsWithoutFileLineOrNameStoreNothingOfThat) {
  write("app.MAP", map_file({"a.c"}, {{0x10, 0, 12, ""}, {0x20, 1, 0, ""}, {0x30, 1, 5, ""}, {0x40, 0, 0, "s"}}));
  ASSERT_EQ(open(path("app.MAP")), map_no_error);
  DEBUG_DLL_LOAD_MAP();
  EXPECT_EQ(get_block_length(), 0) << "a map without S-records has no object bytes";
  DEBUG_DLL_DEBUG_MAP();
  EXPECT_EQ(get_debug_dll_error(), map_no_error);
  EXPECT_EQ(line_entries(), std::vector<std::string>{"48:1:5"});
  EXPECT_EQ(symbol_names(), std::vector<std::string>{"s"});
  DEBUG_DLL_CLOSE_MAP();
}

TEST_F(MapModuleTest, FailingStoresGiveTheirErrorCodes) {
  write("app.MAP", map_file({"a.c"}, {{0x10, 1, 1, "s"}}));
  const std::pair<std::size_t, std::uint8_t> cases[] = {
      {0, map_no_file_space}, {1, map_no_line_space}, {2, map_no_symbol_space}, {3, map_no_symbol_space}};
  for (auto [limit, code] : cases) {
    clear_debug_database();
    get_debug_database().set_record_limit(limit);
    ASSERT_EQ(open(path("app.MAP")), map_no_error);
    DEBUG_DLL_DEBUG_MAP();
    EXPECT_EQ(get_debug_dll_error(), code) << limit;
    DEBUG_DLL_CLOSE_MAP();
  }
}

TEST_F(MapModuleTest, ErrorTexts) {
  const std::pair<std::uint8_t, const char*> cases[] = {
      {2, "ERROR - Invalid HEX character in S-Record file."},
      {3, "ERROR - Invalid Checksum in S-Record file."},
      {4, "ERROR - Invalid header in MAP file."},
      {5, "ERROR - To Many Files or Insufficient Space."},
      {6, "ERROR - Insufficient Space for Debug Line Numbers."},
      {7, "ERROR - Insufficient Space for Debug Symbols."},
      {8, "ERROR - An S-record line contains no data."},
      {0, "ERROR - Unknown"},
      {9, "ERROR - Unknown"},
  };
  for (auto [code, text] : cases) {
    set_debug_dll_error(code);
    DEBUG_DLL_ERROR_MAP();
    EXPECT_EQ(get_debug_dll_error_text(), text) << int(code);
  }
}

}  // namespace
}  // namespace vx::loaders
