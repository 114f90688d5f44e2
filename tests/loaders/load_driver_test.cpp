#include "loaders/load_driver.h"

#include <gtest/gtest.h>

#include "loaders/debug_context.h"
#include "tests/loaders/elf_image_builder.h"
#include "tests/loaders/loader_test_support.h"

namespace vx::loaders {
namespace {

using test_support::counting;
using test_support::Record;
using test_support::srecord_line;
using test_support::stored_records;

class LoadDriverTest : public test_support::LoaderTest {
 protected:
  void SetUp() override {
    LoaderTest::SetUp();
    start_object_loading();
  }
};

TEST_F(LoadDriverTest, TheJoinedFilterNamesEveryModule) {
  const ShortText filter = get_joined_filter();
  EXPECT_EQ(filter,
            "All Debug/Object Files | *.phy;*.s19;*.695;*.elf;*.abs;*.bin;*.out;*.dbg|"
            "S-RECORD Object File (*.s19) | *.phy;*.s19|IEEE-695 Object/Debug | *.695|"
            "ELF/DWARF(2.0) | *.elf;*.abs;*.bin;*.out|ImageCraft(v1.1) | *.dbg|All Files (*.*)|*.*");
  EXPECT_EQ(filter.size(), 231u);
}

TEST_F(LoadDriverTest, NothingLoadsBeforeStartUp) {
  reset_load_driver();
  EXPECT_FALSE(LOAD_OBJECT_FILE(ShortText(write("a.s19", srecord_line('1', 0x100, {1}))), load_object_bytes));
  EXPECT_TRUE(stored_records().empty());
}

TEST_F(LoadDriverTest, TheFirstModuleThatAcceptsTheFileLoadsIt) {
  const std::string name = write("app.elf", srecord_line('1', 0x100, {1, 2}));
  ASSERT_TRUE(LOAD_OBJECT_FILE(ShortText(name), load_object_bytes));
  EXPECT_EQ(get_object_file_format(), 1);
  EXPECT_EQ(stored_records(), (std::vector<Record>{{0x100, {1, 2}}}));
  EXPECT_EQ(current_debug_context().module.object_record_count, 1);
  EXPECT_EQ(current_debug_context().module.object_byte_count, 2);
}

TEST_F(LoadDriverTest, AFileNoModuleTakesLeavesThePreviousLoadAlone) {
  ASSERT_TRUE(LOAD_OBJECT_FILE(ShortText(write("a.s19", srecord_line('1', 0x100, {1}))), load_object_bytes));
  ASSERT_TRUE(PUT_DEBUG_FILE("kept.c"));
  const std::string other = write("notes.txt", "just text\n");
  EXPECT_FALSE(LOAD_OBJECT_FILE(ShortText(other), load_object_bytes));
  EXPECT_EQ(status_lines().back(), "Error (" + other + ") : File not found -or- Unknown file type.");
  EXPECT_EQ(stored_records().size(), 1u);
  EXPECT_EQ(get_debug_file_count(), 1);

  const ShortText long_name(std::string(250, 'x'));
  EXPECT_FALSE(LOAD_OBJECT_FILE(long_name, load_object_bytes));
  const std::string text = status_lines().back();
  EXPECT_EQ(text.size(), 255u);
  const std::string ending = ") : File not found -or- Unknown file type.";
  EXPECT_EQ(text.substr(text.size() - ending.size()), ending);
}

TEST_F(LoadDriverTest, AnErrorOnTheThirdBlockKeepsTheFirstTwo) {
  const std::string text = srecord_line('1', 0x100, {1}) + srecord_line('1', 0x200, {2}) + "S1058000AQBB00\n" +
                           srecord_line('1', 0x300, {3});
  EXPECT_FALSE(LOAD_OBJECT_FILE(ShortText(write("a.s19", text)), load_object_bytes));
  EXPECT_EQ(stored_records(), (std::vector<Record>{{0x100, {1}}, {0x200, {2}}}));
  EXPECT_EQ(status_lines().back(), "ERROR - Invalid HEX character in S-Record file.");
}

TEST_F(LoadDriverTest, AFullStoreEndsTheLoadWithNothingStored) {
  get_object_record_list().set_record_limit(1);
  const std::string text = srecord_line('1', 0x100, {1}) + srecord_line('1', 0x200, {2});
  EXPECT_FALSE(LOAD_OBJECT_FILE(ShortText(write("a.s19", text)), load_object_bytes));
  EXPECT_TRUE(stored_records().empty());
  EXPECT_EQ(status_lines().back(), "Error - out of memory.");
}

TEST_F(LoadDriverTest, TheModeChoosesWhatIsLoaded) {
  const std::string s19 = write("app.s19", srecord_line('1', 0x100, {1}));
  std::vector<std::uint8_t> map(map_file_signature.begin(), map_file_signature.end());
  map.insert(map.end(), {26, 0, 1, 1, 'a', '.', 'c', 0, 0x00, 0x01, 0, 0, 1, 0, 7, 'm', 'a', 'i', 'n', 0});
  write("app.MAP", map);
  struct Case {
    std::uint8_t mode;
    std::size_t records;
    std::int32_t files;
  };
  for (const Case& c : {Case{load_object_bytes, 1, 0}, Case{load_debug_information, 0, 1},
                        Case{load_object_and_debug, 1, 1}, Case{3, 0, 0}}) {
    EXPECT_TRUE(LOAD_OBJECT_FILE(ShortText(s19), c.mode)) << int(c.mode);
    EXPECT_EQ(stored_records().size(), c.records) << int(c.mode);
    EXPECT_EQ(get_debug_file_count(), c.files) << int(c.mode);
  }
  // After a debug load the lists are trees.
  ASSERT_TRUE(LOAD_OBJECT_FILE(ShortText(s19), load_object_and_debug));
  EXPECT_EQ(get_debug_database().symbols().head, nullptr);
  ASSERT_NE(get_debug_database().symbols().root, nullptr);
  EXPECT_EQ(get_debug_database().symbols().root->name, "main");
  EXPECT_EQ(get_debug_database().lines().root->address, 0x100);
}

TEST_F(LoadDriverTest, ADebugFailureClearsObjectsAndDebugInformation) {
  const std::string s19 = write("app.s19", srecord_line('1', 0x100, {1}));
  std::vector<std::uint8_t> map(map_file_signature.begin(), map_file_signature.end());
  map.insert(map.end(), {26, 0, 1, 1, 'a', '.', 'c', 0, 0x00, 0x01});
  write("app.MAP", map);
  EXPECT_FALSE(LOAD_OBJECT_FILE(ShortText(s19), load_object_and_debug));
  EXPECT_EQ(status_lines().back(), "ERROR - Invalid header in MAP file.");
  EXPECT_TRUE(stored_records().empty());
  EXPECT_EQ(get_debug_file_count(), 0);
}

TEST_F(LoadDriverTest, TheLoadTraceWritesTheTestsTheBlocksAndTheDumps) {
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir_.path());
  set_load_trace(true);
  write("app.s19", srecord_line('1', 0x100, counting(17)));
  EXPECT_FALSE(LOAD_OBJECT_FILE(ShortText(write("notes.txt", "text\n")), load_object_bytes));
  ASSERT_TRUE(LOAD_OBJECT_FILE("app.s19", load_object_bytes));
  set_load_trace(false);
  std::filesystem::current_path(previous);

  EXPECT_EQ(read("test.dat"),
            "TESTING FOR VALID LOAD FILES FOR EACH EXISTING DLL\r\n"
            "01 - S-RECORD/VLX-MAP - Valid file NOT found.\r\n"
            " Cause = ERROR - Neither MAP nor S-Record file " + path("notes.txt") + " exists.\r\n"
            "02 - IEEE695          - Valid file NOT found.\r\n"
            " Cause = ERROR - Invalid 695 header, no Module Beginning.\r\n"
            "03 - ELF/DWARF        - Valid file NOT found.\r\n"
            " Cause = ERROR - Invalid ELF header.\r\n"
            "04 - ImageCraft(v1.1) - Valid file NOT found.\r\n"
            " Cause = ERROR - Unexpected text at line 1.\r\n"
            "\r\n"
            "TESTING FOR VALID LOAD FILES FOR EACH EXISTING DLL\r\n"
            "01 - S-RECORD/VLX-MAP - Valid file found.\r\n");
  EXPECT_EQ(read("load.dat"),
            "\r\n"
            "debug_dll_load_address = 00000100\r\n"
            " 000102030405060708090A0B0C0D0E0F\r\n"
            " 10\r\n");
  EXPECT_EQ(read("datalist.dat"),
            "Total Records = 1\r\n"
            "Total Bytes = 17\r\n"
            "\r\n"
            "Address $00000100(length=0011) :\r\n"
            " 000102030405060708090A0B0C0D0E0F\r\n"
            " 10\r\n");
}

// The firmware updater's table: five modules, Intel hex last.
class UpdaterLoadDriverTest : public test_support::LoaderTest {
 protected:
  void SetUp() override {
    LoaderTest::SetUp();
    start_object_loading(LoaderBuild::updater);
  }
};

TEST_F(UpdaterLoadDriverTest, FiveModulesWithTheirNamesAndFilters) {
  struct Row {
    const char* name;
    const char* filter;
    bool tested;
  };
  const Row rows[] = {
      {"S-RECORD/VLX-MAP", "S-RECORD/VLX-MAP Object/Debug | *.map;*.s19", true},
      {"IEEE695", "IEEE-695 Object/Debug | *.695", true},
      {"ELF/DWARF", "ELF/DWARF(2.0) | *.elf;*.abs;*.bin;*.out", false},
      {"ImageCraft(v1.1)", "ImageCraft(v1.1) | *.dbg", true},
      {"Intel Hexadecimal", "Intel Hexadecimal | *.hex", false},
  };
  ASSERT_EQ(load_driver().module_count, 5);
  for (std::size_t n = 0; n < std::size(rows); ++n) {
    SCOPED_TRACE(n + 1);
    const DebugDll& module = load_driver().modules[n];
    module.name();
    EXPECT_EQ(current_debug_context().module.module_name, rows[n].name);
    EXPECT_EQ(module.filter(), rows[n].filter);
    EXPECT_EQ(module.test != nullptr, rows[n].tested);
  }
}

TEST_F(UpdaterLoadDriverTest, TheJoinedFilterTakesTheFifthModuleAndIsCutAtItsLimit) {
  const std::string full =
      "All Debug/Object Files | *.map;*.s19;*.695;*.elf;*.abs;*.bin;*.out;*.dbg;*.hex|"
      "S-RECORD/VLX-MAP Object/Debug | *.map;*.s19|IEEE-695 Object/Debug | *.695|"
      "ELF/DWARF(2.0) | *.elf;*.abs;*.bin;*.out|ImageCraft(v1.1) | *.dbg|Intel Hexadecimal | *.hex|"
      "All Files (*.*)|*.*";
  EXPECT_EQ(get_joined_filter(), full.substr(0, ShortText::max_length));
}

TEST_F(UpdaterLoadDriverTest, ModulesWithoutATestEntryAreNeverAskedForAFile) {
  const std::string elf = write("app.elf", test_support::simple_elf(0x100, {1, 2}).build());
  current_debug_context().module.load_file_name = ShortText(elf);
  EXPECT_EQ(TEST_LOAD_FILES(), 0);
  const std::string s19 = write("app.s19", srecord_line('1', 0x100, {1}));
  current_debug_context().module.load_file_name = ShortText(s19);
  EXPECT_EQ(TEST_LOAD_FILES(), 1);
}

TEST_F(UpdaterLoadDriverTest, TheProgrammersStartAfterwardsRegistersItsFourAgain) {
  start_object_loading();
  EXPECT_EQ(load_driver().module_count, 4);
  EXPECT_EQ(get_joined_filter().size(), 231u);
}

}  // namespace
}  // namespace vx::loaders
