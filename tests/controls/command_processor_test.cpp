#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "controls/command_codes.h"
#include "controls/command_processor.h"
#include "controls/exceptions.h"
#include "platform/ws/messages.h"
#include "support/temp_dir.h"

namespace vx::controls {
namespace {

namespace vk = ws::vk;

void write_text(const std::string& file_name, const std::string& text) { std::ofstream(file_name) << text; }

std::vector<std::string> table_names(TOvcCommandProcessor& processor) {
  std::vector<std::string> names;
  for (int n = 0; n < processor.Count(); ++n) names.push_back(processor.Table(n).TableName());
  return names;
}

TEST(CommandProcessor, StartsWithTheThreeBuiltInTables) {
  TOvcCommandProcessor processor;
  EXPECT_EQ(table_names(processor), (std::vector<std::string>{"Default", "WordStar", "Grid"}));
  EXPECT_TRUE(processor.Table(0).IsActive());
  EXPECT_FALSE(processor.Table(1).IsActive());
  EXPECT_FALSE(processor.Table(2).IsActive());
  EXPECT_EQ(processor.Table(0).Count(), 64);
  EXPECT_EQ(processor.Table(1).Count(), 40);
  EXPECT_EQ(processor.Table(2).Count(), 38);
  EXPECT_EQ(processor.GetCommandTable("wORDsTAR"), &processor.Table(1));
  EXPECT_EQ(processor.GetCommandTable("Keys"), nullptr);
}

TEST(CommandProcessor, AddedTablesGetNamesNoOtherTableHas) {
  struct Case {
    std::vector<std::string> added;
    std::vector<std::string> named;
  };
  const std::vector<Case> cases = {
      {{"Default", "Default", "Default"}, {"Default", "Default1", "Default2"}},
      {{"Keys7"}, {"Keys7"}},
      {{"Keys7", "Keys7", "Keys7"}, {"Keys7", "Keys1", "Keys2"}},
      {{"Keys7", "KEYS7"}, {"Keys7", "KEYS1"}},
      {{"Keys", "Keys5"}, {"Keys", "Keys1"}},
      {{"Grid", "grid"}, {"Grid", "grid1"}},
      {{"7", "7"}, {"7", "71"}},
      {{"T\xE4sten", "T\xC4STEN"}, {"T\xE4sten", "T\xC4STEN1"}},
  };
  for (const Case& test : cases) {
    TOvcCommandProcessor processor;
    processor.Clear();
    for (const std::string& name : test.added) processor.CreateCommandTable(name, true);
    EXPECT_EQ(table_names(processor), test.named) << test.added.front();
  }
}

TEST(CommandProcessor, AddCommandRefusesUnknownTablesAndDuplicateKeys) {
  TOvcCommandProcessor processor;
  EXPECT_THROW(processor.AddCommand("Keys", {'A', ss_ctrl, 0, 0, 300}), ETableNotFound);
  try {
    processor.AddCommand("Default", {vk::left, 0, 0, 0, 300});
    FAIL() << "a second Left row was added";
  } catch (const EDuplicateCommand& error) {
    EXPECT_STREQ(error.what(), "Duplicate command found while adding a new command to the table");
  }
  processor.AddCommand("default", {'A', ss_ctrl, 0, 0, 300});
  EXPECT_EQ(processor.Table(0).Count(), 65);
  EXPECT_EQ(processor.TranslateKey('A', ws::shift_ctrl), 300);
}

TEST(CommandProcessor, StatusWindowListDropsUpAndDown) {
  TOvcCommandProcessor processor;
  const std::vector<StoredCommandTable> stored = {
      {"Default", true, {{38, 0}, {40, 0}}}, {"WordStar", false, {}}, {"Grid", false, {}}};
  processor.ReadTableList(stored);
  EXPECT_EQ(table_names(processor), (std::vector<std::string>{"Default", "WordStar", "Grid"}));
  EXPECT_EQ(processor.Table(0).Count(), 62);
  EXPECT_EQ(processor.TranslateKey(vk::up, ws::shift_none), ccNoCommand);
  EXPECT_EQ(processor.TranslateKey(vk::down, ws::shift_none), ccNoCommand);
  EXPECT_EQ(processor.TranslateKey(vk::up, ws::shift_shift), ccExtendUp);
  EXPECT_EQ(processor.WriteTableList(), stored);
}

TEST(CommandProcessor, BuiltInTablesWriteThreeEmptyLists) {
  const TOvcCommandProcessor processor;
  EXPECT_EQ(processor.WriteTableList(),
            (std::vector<StoredCommandTable>{{"Default", true, {}}, {"WordStar", false, {}}, {"Grid", false, {}}}));
}

TEST(CommandProcessor, StoredEditsReplaceAppendAndDeleteBuiltInRows) {
  TOvcCommandProcessor processor;
  const std::uint32_t left = vk::left, home = vk::home, f5 = vk::f1 + 4, f6 = vk::f1 + 5;
  const std::uint32_t ctrl_q_s = 'Q' | ss_ctrl << 8 | 'S' << 16 | std::uint32_t{ss_alone_or_ctrl} << 24;
  processor.ReadTableList({{"WORDSTAR", true, {{ctrl_q_s, 0}}},
                           {"Default", true, {{left, 300}, {home, 0}, {f5, 301}, {f6, 0}}},
                           {"Mine", false, {{left, 302}, {f5, 0}}}});
  EXPECT_EQ(table_names(processor), (std::vector<std::string>{"WORDSTAR", "Default", "Mine"}));
  EXPECT_EQ(processor.Table(0).Count(), 39);
  const TOvcCommandTable& defaults = processor.Table(1);
  ASSERT_EQ(defaults.Count(), 65);
  EXPECT_EQ(defaults.GetCommand(0), (CommandRow{vk::left, 0, 0, 0, 300}));
  EXPECT_EQ(defaults.GetCommand(63), (CommandRow{vk::f1 + 4, 0, 0, 0, 301}));
  EXPECT_EQ(defaults.GetCommand(64), (CommandRow{vk::f1 + 5, 0, 0, 0, ccNone}));
  EXPECT_EQ(defaults.IndexOfKeys({vk::home, 0, 0, 0, ccHome}), -1);
  EXPECT_EQ(processor.Table(2).Count(), 2);

  EXPECT_EQ(processor.WriteTableList(),
            (std::vector<StoredCommandTable>{{"WORDSTAR", true, {{ctrl_q_s, 0}}},
                                             {"Default", true, {{home, 0}, {left, 300}, {f5, 301}, {f6, 0}}},
                                             {"Mine", false, {{left, 302}, {f5, 0}}}}));
}

TEST(CommandProcessor, WithoutTablesNothingIsStored) {
  TOvcCommandProcessor processor;
  processor.ReadTableList({});
  EXPECT_EQ(processor.Count(), 0);
  EXPECT_EQ(processor.WriteTableList(), std::nullopt);
}

TEST(CommandProcessor, TableFilesLoadAsNewTables) {
  test::TempDir directory;
  TOvcCommandProcessor processor;
  processor.SaveCommandTable("Grid", directory.file("grid.tbl"));
  processor.SaveCommandTable("Keys", directory.file("keys.tbl"));
  EXPECT_FALSE(std::filesystem::exists(directory.file("keys.tbl")));

  EXPECT_EQ(processor.LoadCommandTable(directory.file("grid.tbl")), 3);
  EXPECT_EQ(processor.Table(3).TableName(), "Grid1");
  EXPECT_EQ(processor.Table(3).Count(), 38);

  write_text(directory.file("bad.tbl"), "Bad\n 37 0 0 0\n");
  EXPECT_THROW(processor.LoadCommandTable(directory.file("bad.tbl")), CommandTableFileError);
  EXPECT_EQ(processor.Count(), 4);
}

}  // namespace
}  // namespace vx::controls
