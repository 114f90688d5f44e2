#include <gtest/gtest.h>

#include "interface/target_read_cache.h"
#include "programmer/script_errors.h"
#include "programmer_fixture.h"

namespace vx::programmer {
namespace {

using test::ProgrammerTest;

class CommandLoopTest : public ProgrammerTest {
 protected:
  void open_script(const std::string& text) {
    ASSERT_TRUE(programmer_run().command_file.open(ShortText(write("script.cfg", text))));
  }
};

TEST_F(CommandLoopTest, RemarksAreEchoedUntilTheEndEndsTheScriptSuccessfully) {
  open_script("first\r\n\n  ; only a comment\n:DEVICEPOWER 50\nGOX\ncm; glued\n");
  EXPECT_EQ(halt_of(get_next_command), 0);
  EXPECT_EQ(lines(), (std::vector<std::string>{"", "", "REM>\x01" "first", "", "REM>\x01", "", "REM>\x01  ; only a comment",
                                               "", "REM>\x01:DEVICEPOWER 50", "", "REM>\x01GOX", "", "REM>\x01" "cm; glued",
                                               "", " All programming steps completed."}));
  EXPECT_EQ(command_loop().command_code, 0);
}

TEST_F(CommandLoopTest, AnEmptyFileEndsAtOnce) {
  open_script("");
  EXPECT_EQ(halt_of(get_next_command), 0);
  EXPECT_EQ(lines(), (std::vector<std::string>{"", "", " All programming steps completed."}));
}

TEST_F(CommandLoopTest, AnEnabledCommandIsEchoedAndItsCommentCut) {
  open_script("\tgo 1200 ; start it\n");
  EXPECT_FALSE(halt_of(get_next_command));
  EXPECT_EQ(command_loop().command_code, 31);
  EXPECT_EQ(command_loop().current_line, "\tgo 1200 ");
  EXPECT_EQ(lines().back(), "CMD>\x01\tgo 1200 ; start it");
  EXPECT_TRUE(status_output().line_open);
  EXPECT_EQ(next_line_word(), "1200");
  EXPECT_EQ(next_line_word(), "");
}

TEST_F(CommandLoopTest, CommandsTheAlgorithmDoesNotEnableEndTheScriptWith33) {
  for (const char* line : {"PM", "VC 1000", "!}"}) {
    open_script(std::string(line) + "\n");
    run_state().program_ending = false;
    EXPECT_EQ(halt_of(get_next_command), 33) << line;
    const std::vector<std::string> shown = lines();
    EXPECT_NE(std::find(shown.begin(), shown.end(), "CMD>\x01" + std::string(line) + "Command is inactive for this .S8P file."),
              shown.end())
        << line;
  }
}

TEST_F(CommandLoopTest, ResettingTheTablesLeavesOnlyTheStartCommandsEnabled) {
  CommandTable& table = command_table();
  table.entries[8].enabled = true;
  table.entries[19].mnemonic = "XY";
  programmer_run().algorithm_loaded = true;
  module_state().entries[entry::module_enable] = 0x1234;
  reset_command_tables();
  std::vector<std::string> enabled;
  for (std::size_t n = 1; n <= command_count; ++n) {
    if (table.entries[n].enabled) enabled.push_back(table.entries[n].mnemonic.str());
  }
  EXPECT_EQ(enabled, (std::vector<std::string>{"CM", "SS", "HE", "QU", "RE", "DE", "GO"}));
  EXPECT_EQ(table.entries[19].mnemonic, "uc");
  EXPECT_EQ(table.entries[36].mnemonic, "!}");
  EXPECT_FALSE(programmer_run().algorithm_loaded);
  EXPECT_EQ(module_state().entries[entry::module_enable], 0u);
  EXPECT_TRUE(table.entries[28].offered);
  EXPECT_FALSE(table.entries[27].offered);
}

TEST_F(CommandLoopTest, TheLoopRunsHelpAndEndsAtQuit) {
  open_script("HE\nqu\nREM never\n");
  target_read_cache().valid = true;
  EXPECT_EQ(halt_of(usr_pickwindow_response), 0);
  EXPECT_FALSE(target_read_cache().valid) << "emptied after each command";
  EXPECT_TRUE(run_state().quit_requested);
  const std::vector<std::string> shown = lines();
  ASSERT_GE(shown.size(), 4u);
  EXPECT_EQ(shown[0], "CMD>\x01HE");
  EXPECT_EQ(shown[1].substr(0, 48), "Look at file cquill.doc for program information.");
  EXPECT_EQ(shown[shown.size() - 2], "Error communicating to target processor - try a RESET.") << "no port is open";
  EXPECT_EQ(shown.back(), "CMD>\x01qu") << "QU ends the script before any check";
}

TEST_F(CommandLoopTest, AnOverlongLineKeepsItsFirst255Characters) {
  open_script(std::string(300, 'x') + "\nnext\n");
  EXPECT_EQ(halt_of(get_next_command), 0);
  EXPECT_EQ(lines()[2], "REM>\x01" + std::string(250, 'x')) << "a status text holds 255 characters";
  EXPECT_EQ(lines()[4], "REM>\x01next");
}

TEST_F(CommandLoopTest, ScriptLineErrorsQuoteTheLine) {
  WRITE_TO_DEBUG("open line");
  EXPECT_EQ(halt_of([] { script_line_error(3, "Pre-Processing Error", ":FOO 1"); }), 47);
  EXPECT_EQ(lines(), (std::vector<std::string>{"open line", "Pre-Processing Error on line 3 of script.(':FOO 1')",
                                               "ERROR 47 during script!"}));
}

}  // namespace
}  // namespace vx::programmer
