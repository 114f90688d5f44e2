#include "programmer/command_help_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "programmer/command_table.h"
#include "programmer/module_state.h"

namespace vx::programmer {
namespace {

class CommandHelpList : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_command_table_state();
    reset_module_state();
  }
  static std::vector<std::string> list() {
    std::vector<std::string> lines;
    for (const ShortText& line : command_table().help_list) lines.push_back(line.str());
    return lines;
  }
};

TEST_F(CommandHelpList, RowsOfEachKindOfCommand) {
  module_state().user_commands[1].name = "XP Erase page";
  const struct {
    std::int32_t number;
    const char* row;
  } cases[] = {
      {1, "  BM Blank check module  "},
      {9, "  CM Choose module .S8P  "},
      {10, "  VM Verify module (All Bytes)"},
      {20, "  XP Erase page          "},
      {32, "  EN Erase if not Blank "},
      {35, "  VV Verify Module CRC to Value"},
      {36, "                         "},
      {70, "                         "},
  };
  for (const auto& c : cases) EXPECT_EQ(command_description(c.number).str(), c.row) << c.number;
}

// The list holds the offered commands only, under their categories; CRC commands come with CM.
TEST_F(CommandHelpList, TheListFollowsTheOfferedFlags) {
  rebuild_command_list();
  const std::vector<std::string> at_start = list();
  ASSERT_EQ(at_start.size(), 6u + 23u);
  EXPECT_EQ(at_start[0], "Configuration and Display Commands");
  EXPECT_EQ(at_start[1], "  CM Choose module .S8P  ");
  const std::vector<std::string> verify{"Verify Commands", "  VM Verify module (All Bytes)", "  VR Verify range        "};
  EXPECT_NE(std::search(at_start.begin(), at_start.end(), verify.begin(), verify.end()), at_start.end());

  command_table().entries[command::VC].offered = true;
  rebuild_command_list();
  const std::vector<std::string> with_crc = list();
  ASSERT_EQ(with_crc.size(), at_start.size() + 1);
  const auto heading = std::find(with_crc.begin(), with_crc.end(), "Verify Commands");
  ASSERT_NE(heading, with_crc.end());
  EXPECT_EQ(*(heading + 3), "  VC Verify CRC of Object File to Module");
}

}  // namespace
}  // namespace vx::programmer
