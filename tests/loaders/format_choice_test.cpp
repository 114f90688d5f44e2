#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "loaders/debug_context.h"
#include "loaders/load_driver.h"
#include "tests/loaders/ieee695_writer.h"
#include "tests/loaders/imagecraft_writer.h"
#include "tests/loaders/loader_test_support.h"

// The load driver with all its modules: each format goes to its own module.
namespace vx::loaders {
namespace {

using namespace test_support::ieee695_writer;
using test_support::ImageCraftWriter;
using test_support::Record;
using test_support::stored_records;

const std::filesystem::path fixtures = std::filesystem::path(VX_TEST_FIXTURES) / "loaders";

class FormatChoiceTest : public test_support::LoaderTest {
 protected:
  void SetUp() override {
    LoaderTest::SetUp();
    start_object_loading();
  }
  static std::uint8_t module_for(const std::string& name) {
    current_debug_context().module.load_file_name = ShortText(name);
    return TEST_LOAD_FILES();
  }
  std::string ieee695_file(const Bytes& debug) const {
    Module module;
    module.data = asp(0x8000) + ld({1, 2, 3}) + module_end();
    module.debug = debug;
    module.externals = ni(1, "main") + ati(1, 0, 8) + asi(1, 0x8000);
    return write("app.695", module.build());
  }
};

TEST_F(FormatChoiceTest, EachFormatFindsItsModule) {
  EXPECT_EQ(module_for((fixtures / "s1_run.s19").string()), 1);
  EXPECT_EQ(module_for(ieee695_file({})), 2);
  EXPECT_EQ(get_object_file_format(), 2);
  EXPECT_EQ(module_for(write("app.dbg", ImageCraftWriter().text())), 4);
  EXPECT_EQ(get_object_file_format(), 4);
  EXPECT_EQ(module_for((fixtures / "../elf/s08_counter.elf").string()), 3);
  // A relocatable little-endian object is no executable any module takes.
  const std::uint8_t relocatable = module_for((fixtures / "tiny.elf").string());
  EXPECT_NE(relocatable, 1);
  EXPECT_NE(relocatable, 2);
  EXPECT_NE(relocatable, 3);
  EXPECT_NE(relocatable, 4);
}

// A line shaped like an S-record inside a binary file must not make the
// S-record module take it: the ELF module reads the real code.
TEST_F(FormatChoiceTest, BinaryFilesHoldingAnSrecordLineAreNoSrecordFiles) {
  EXPECT_EQ(module_for((fixtures / "../elf/s08_srecord_text.elf").string()), 3);
  EXPECT_NE(module_for(write("nul.s19", std::string("S1070000010203F2\n\0\n", 19))), 1);
  EXPECT_NE(module_for(write("magic.s19", "\x7F" "ELF\nS1070000010203F2\n")), 1);
  EXPECT_EQ(module_for(write("plain.s19", "S1070000010203F2\n")), 1);
}

TEST_F(FormatChoiceTest, AnIeee695FileGivesBytesAndDebugInformation) {
  const std::string name = ieee695_file(bb(5, 0, "main.c") + atn(0, 0, 7, {4, 0}) + asn(0, 0x8000) + be());
  ASSERT_TRUE(LOAD_OBJECT_FILE(ShortText(name), load_object_and_debug));
  EXPECT_EQ(stored_records(), (std::vector<Record>{{0x8000, {1, 2, 3}}}));
  EXPECT_EQ(get_debug_file_count(), 1);
  ASSERT_NE(get_debug_database().lines().root, nullptr);
  EXPECT_EQ(get_debug_database().lines().root->line, 4);
  ASSERT_NE(get_debug_database().symbols().root, nullptr);
  EXPECT_EQ(get_debug_database().symbols().root->name, "main");
}

TEST_F(FormatChoiceTest, ABrokenIeee695DebugPartFailsTheLoad) {
  const std::string name = ieee695_file(bb(5, 0, "main.c") + atn(0, 0, 7, {4}) + asn(0, 0x8000) + be());
  EXPECT_FALSE(LOAD_OBJECT_FILE(ShortText(name), load_object_and_debug));
  EXPECT_EQ(status_lines().back(), "ERROR - Invalid 695 file debug block.");
  EXPECT_TRUE(stored_records().empty());
  EXPECT_EQ(get_debug_file_count(), 0);
}

TEST_F(FormatChoiceTest, AnImageCraftFileGivesDebugInformationOnly) {
  const std::string name =
      write("app.dbg", ImageCraftWriter().file("main.c").func("main", 0xC000).line(3, 0xC000).funcend(0xC004).text());
  ASSERT_TRUE(LOAD_OBJECT_FILE(ShortText(name), load_object_and_debug));
  EXPECT_TRUE(stored_records().empty());
  EXPECT_EQ(get_debug_file_count(), 1);
  ASSERT_NE(get_debug_database().symbols().root, nullptr);
  EXPECT_EQ(get_debug_database().symbols().root->name, "main");
}

TEST_F(FormatChoiceTest, AnUnreadableImageCraftFileFailsTheLoad) {
  const std::string name = write("app.dbg", ImageCraftWriter().file("main.c").raw("LINE 3 nothex").text());
  EXPECT_FALSE(LOAD_OBJECT_FILE(ShortText(name), load_debug_information));
  EXPECT_EQ(status_lines(), (std::vector<std::string>{"WARNING - An unknown error has occurred.", "ERROR - Unknown"}));
  EXPECT_EQ(get_debug_file_count(), 0);
}

}  // namespace
}  // namespace vx::loaders
