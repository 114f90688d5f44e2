#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "controls/command_codes.h"
#include "controls/command_processor.h"
#include "controls/command_table.h"
#include "support/temp_dir.h"

namespace vx::controls {
namespace {

class CommandTableFile : public ::testing::Test {
 protected:
  std::string file_with(const std::string& text) const {
    const std::string name = directory_.file("table.tbl");
    std::ofstream(name, std::ios::binary | std::ios::trunc) << text;
    return name;
  }
  std::string file(const std::string& name) const { return directory_.file(name); }

 private:
  test::TempDir directory_;
};

TEST_F(CommandTableFile, RoundTripsByteForByte) {
  const std::string text =
      "Keys of mine\n"
      "  37   0   0   0    46\n"
      "  81   4  83 128    42\n"
      " 255 255 255 255 65535\n"
      "   0   0   0   0     0\n";
  TOvcCommandTable table;
  table.LoadFromFile(file_with(text));
  EXPECT_EQ(table.TableName(), "Keys of mine");
  ASSERT_EQ(table.Count(), 4);
  EXPECT_EQ(table.GetCommand(1), (CommandRow{81, 4, 83, 128, ccHome}));
  EXPECT_EQ(table.GetCommand(2), (CommandRow{255, 255, 255, 255, 65535}));
  table.SaveToFile(file("again.tbl"));
  EXPECT_EQ(test::read_file(file("again.tbl")), text);
}

TEST_F(CommandTableFile, ReadsFreeSpacingAndALastLineWithoutBreak) {
  TOvcCommandTable table;
  table.LoadFromFile(file_with("Loose\n37 0 0 0 46\n\t39  2\t0 0   23"));
  ASSERT_EQ(table.Count(), 2);
  EXPECT_EQ(table.GetCommand(1), (CommandRow{39, 2, 0, 0, ccExtendRight}));
  EXPECT_TRUE(table.IsActive());
}

// Tables written on the platform they come from end their lines in CR LF.
TEST_F(CommandTableFile, CrLfEndsAndBlankLinesLoad) {
  const std::vector<std::string> texts = {
      "Keys\r\n  37   0   0   0    46\r\n  39   2   0   0    23\r\n",
      "Keys\n37 0 0 0 46\n\n39 2 0 0 23\n",
      "Keys\n37 0 0 0 46\n39 2 0 0 23\n\n",
      "Keys\r\n\r\n37 0 0 0 46\r\n \t\r\n39 2 0 0 23\r\n\r\n",
      "Keys\r\n37 0 0 0 46\r\n39 2 0 0 23\r",
      "Keys\r\r\n37 0 0 0 46\n39 2 0 0 23\n",
  };
  for (const std::string& text : texts) {
    TOvcCommandTable table;
    table.LoadFromFile(file_with(text));
    EXPECT_EQ(table.TableName(), "Keys") << text;
    ASSERT_EQ(table.Count(), 2) << text;
    EXPECT_EQ(table.GetCommand(0), (CommandRow{37, 0, 0, 0, ccLeft})) << text;
    EXPECT_EQ(table.GetCommand(1), (CommandRow{39, 2, 0, 0, ccExtendRight})) << text;
  }
}

// A name line of carriage returns alone names nothing, and the saved table loads to the same.
TEST_F(CommandTableFile, ANameOfCarriageReturnsSavesAndLoadsTheSame) {
  TOvcCommandTable table;
  table.LoadFromFile(file_with("\r\r"));
  EXPECT_EQ(table.TableName(), "");
  table.SaveToFile(file("saved.tbl"));
  TOvcCommandTable again;
  again.LoadFromFile(file("saved.tbl"));
  EXPECT_EQ(again.TableName(), table.TableName());
  EXPECT_EQ(again.Count(), 0);
}

TEST_F(CommandTableFile, BuiltInTableSavesEveryRow) {
  TOvcCommandProcessor processor;
  processor.Table(1).SaveToFile(file("wordstar.tbl"));
  const std::string text = test::read_file(file("wordstar.tbl"));
  EXPECT_EQ(text.substr(0, 32), "WordStar\n  83   4   0   0    46\n");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 41);
}

TEST_F(CommandTableFile, MalformedFilesFailWithTheTableUnchanged) {
  const std::vector<std::string> malformed = {
      "Bad\n37 0 0 0 x46\n",
      "Bad\n37 0 0 0 4.6\n",
      "Bad\n37 0 0 0 +46\n",
      "Bad\n37 0 0 0\n",
      "Bad\n37 0 0 0 46 1\n",
      "Bad\n256 0 0 0 46\n",
      "Bad\n37 -1 0 0 46\n",
      "Bad\n37 0 0 300 46\n",
      "Bad\n37 0 0 0 65536\n",
      "Bad\n37 0 0 0 -1\n",
      "Bad\n37 0 0 0 99999999999999999999999\n",
      "Bad\n37 0 0 0 46\r\r\n",
  };
  for (const std::string& text : malformed) {
    TOvcCommandTable table;
    table.SetTableName("Kept");
    table.AddCommand({36, 0, 0, 0, ccHome});
    EXPECT_THROW(table.LoadFromFile(file_with(text)), CommandTableFileError) << text;
    EXPECT_EQ(table.TableName(), "Kept") << text;
    ASSERT_EQ(table.Count(), 1) << text;
    EXPECT_EQ(table.GetCommand(0), (CommandRow{36, 0, 0, 0, ccHome})) << text;
  }
}

TEST_F(CommandTableFile, MissingAndUnwritableFilesFail) {
  TOvcCommandTable table;
  EXPECT_THROW(table.LoadFromFile(file("none.tbl")), CommandTableFileError);
  EXPECT_THROW(table.SaveToFile(file("no/such/folder.tbl")), CommandTableFileError);
}

}  // namespace
}  // namespace vx::controls
