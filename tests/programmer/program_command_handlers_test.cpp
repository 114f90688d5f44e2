#include <gtest/gtest.h>

#include <algorithm>

#include "programmer/erase_commands.h"
#include "programmer/module_state.h"
#include "programmer/program_commands.h"
#include "programmer/upload_commands.h"
#include "programmer/utility_commands.h"
#include "programmer/verify_commands.h"
#include "programmer_fixture.h"
#include "support/scoped_platform.h"

namespace vx::test {
namespace {

// The command handlers' checks that end a script before the target is touched.
class ProgramCommandHandlers : public ProgrammerTest {
 protected:
  ProgramCommandHandlers() {
    programmer::reset_module_state();
    programmer::ModuleState& state = programmer::module_state();
    state.cm_base_address = 0x8000;
    state.entries[programmer::entry::module_start] = 0x8000;
    state.entries[programmer::entry::module_size] = 0x8000;
    state.entries[programmer::entry::program_byte] = 0x0140;
  }
  ~ProgramCommandHandlers() override { programmer::reset_module_state(); }

  // The command line in hand, its cursor behind the mnemonic; a script ended before does not
  // keep the next one's lines from the status window.
  static void line(const std::string& text) {
    run_state().program_ending = false;
    programmer::command_loop().current_line = text;
    programmer::command_loop().line_cursor = 1;
    programmer::next_line_word();
  }

  bool has_line(const std::string& text) const {
    const std::vector<std::string> all = lines();
    return std::find(all.begin(), all.end(), text) != all.end();
  }
};

TEST_F(ProgramCommandHandlers, SpecifyObjectFileTakesTheNameBehindTheMnemonic) {
  const std::string object = write("code.s19", "S1048000AAD1\r\n");
  line("   SS   " + object + "  ");
  EXPECT_EQ(halt_of(programmer::select_object_file), std::nullopt);
  EXPECT_EQ(programmer::programmer_run().object_file_name, object);
  EXPECT_TRUE(programmer::programmer_run().object_file_specified);

  line("SS " + dir.file("missing.s19"));
  EXPECT_EQ(halt_of(programmer::select_object_file), 16);
  EXPECT_TRUE(has_line("Object file " + dir.file("missing.s19") + " not found."));
}

TEST_F(ProgramCommandHandlers, DelayReadsADecimalOrMarkedHexadecimalCount) {
  ScopedVirtualClock clock;
  line("DE 0");
  EXPECT_EQ(halt_of(programmer::delay_command), 44);
  EXPECT_TRUE(has_line("Error specifying decimal delay in milliseconds."));
  line("DE x");
  EXPECT_EQ(halt_of(programmer::delay_command), 44);

  const std::uint64_t before = clock->monotonic_microseconds();
  line("DE $10");
  EXPECT_EQ(halt_of(programmer::delay_command), std::nullopt);
  EXPECT_GE(clock->monotonic_microseconds() - before, 16'000u);
  EXPECT_LT(clock->monotonic_microseconds() - before, 17'000u);
  EXPECT_EQ(lines().back(), "Delaying.  Done.");
}

TEST_F(ProgramCommandHandlers, ProgrammingAndVerifyingNeedAnObjectFile) {
  line("PM");
  EXPECT_EQ(halt_of([] { programmer::program_module(0x8000, 0xFFFF); }), 5);
  EXPECT_TRUE(has_line("Error - S record file is not selected."));
  line("VM");
  EXPECT_EQ(halt_of([] { programmer::verify_module(0x8000, 0xFFFF); }), 5);
  line("VR 8000 8001");
  EXPECT_EQ(halt_of(programmer::verify_range), 5);
  EXPECT_TRUE(has_line("Error - S record file not selected."));
}

TEST_F(ProgramCommandHandlers, RangeParametersOfEachRangeCommand) {
  programmer::programmer_run().object_file_specified = true;
  struct Case {
    std::string text;
    void (*handler)();
    std::int32_t result;
  };
  const std::vector<Case> cases{
      {"PR 7FFF 8000", programmer::program_module_range, 6},
      {"PR 9000 8FFF", programmer::program_module_range, 7},
      {"VR 8000 10000", programmer::verify_range, 7},
      {"UR 10000 10001 up.s19", programmer::upload_range, 6},
      {"BR 8000", programmer::blank_check_range, 39},
      {"EB 8000 $8001", programmer::erase_byte_range, 39},
      {"EW 8101 8200", programmer::erase_word_range, 28},
      {"EW 8100 8201", programmer::erase_word_range, 29},
      {"SM 8010 800F", programmer::show_module, 7},
  };
  for (const Case& c : cases) {
    line(c.text);
    EXPECT_EQ(halt_of(c.handler), c.result) << c.text;
  }
}

TEST_F(ProgramCommandHandlers, ProgramValuesRefuseStartsOutsideTheModuleAndTooWideValues) {
  const std::vector<std::pair<std::string, std::int32_t>> cases{
      {"PB 7FFF 12", 19}, {"PW 10000 1234", 19}, {"PW 8001 1234", 22}, {"PB 8000 100", 39}, {"PW 8000 10000", 39}};
  for (const auto& [text, result] : cases) {
    line(text);
    EXPECT_EQ(halt_of(text[1] == 'B' ? programmer::program_bytes : programmer::program_words), result) << text;
  }
  EXPECT_TRUE(has_line("Start address is not on an aligned word boundary."));
}

// A range erase with its size cut to 16 bits would erase less than asked.
TEST_F(ProgramCommandHandlers, RangeErasesBeyondSixteenBitsAreRefusedBeforeAnyRoutine) {
  programmer::module_state().entries[programmer::entry::module_size] = 0x20000;
  line("EB 8000 18000");
  EXPECT_EQ(halt_of(programmer::erase_byte_range), 63);
  EXPECT_TRUE(has_line("Range of $00010001 bytes is larger than the algorithm routines can take."));
}

TEST_F(ProgramCommandHandlers, BlankCheckWithoutAByteRoutineWhereWordsDoNotFit) {
  programmer::module_state().entries[programmer::entry::blank_check_word] = 0x0150;
  programmer::module_state().entries[programmer::entry::module_size] = 0x7FFF;
  EXPECT_EQ(halt_of(programmer::blank_check_module_command), 26);
  EXPECT_TRUE(has_line("Selected .S8P file does not implement byte checking."));
}

TEST_F(ProgramCommandHandlers, UploadToAFileThatCannotBeCreated) {
  line("UM " + dir.file("no/such/folder/up.s19"));
  EXPECT_EQ(halt_of([] { programmer::upload_module(0x8000, 0x80FF); }), 8);
  EXPECT_TRUE(has_line("Unable to open file " + dir.file("no/such/folder/up.s19") + " for uploading."));
}

}  // namespace
}  // namespace vx::test
