#include <gtest/gtest.h>

#include <string>

#include "foundation/kstring.h"
#include "programmer/algorithm_file.h"
#include "programmer/module_state.h"
#include "programmer_fixture.h"

namespace vx::programmer {
namespace {

using test::ProgrammerTest;

class AlgorithmFileTest : public ProgrammerTest {
 protected:
  void lines_of(std::initializer_list<const char*> lines) {
    for (const char* line : lines) apply_keyword_line(line);
  }
};

TEST(RangeList, TouchingRangesJoinAndOverlappingOnesStaySeparate) {
  RangeList joined;
  joined.add(0, 0x7FF);
  joined.add(0x800, 0xFFF);
  ASSERT_EQ(joined.count, 1u);
  EXPECT_EQ(joined.ranges[0].start, 0u);
  EXPECT_EQ(joined.ranges[0].end, 0xFFFu);

  RangeList below;
  below.add(0x800, 0xFFF);
  below.add(0, 0x7FF);
  ASSERT_EQ(below.count, 1u);
  EXPECT_EQ(below.ranges[0].start, 0u);

  RangeList overlapping;
  overlapping.add(0, 0x7FF);
  overlapping.add(0x700, 0xFFF);
  EXPECT_EQ(overlapping.count, 2u);
}

TEST(RangeList, ASixteenthRangeIsRefused) {
  RangeList list;
  for (std::uint32_t n = 0; n < RangeList::capacity; ++n) ASSERT_TRUE(list.add(n * 0x100, n * 0x100 + 0x7F));
  EXPECT_FALSE(list.add(0x10000, 0x10010));
  EXPECT_TRUE(list.add(0xE80, 0xE90)) << "joining needs no room";
  EXPECT_EQ(list.count, RangeList::capacity);
}

TEST_F(AlgorithmFileTest, RangesAndBlockingFromTheirColumns) {
  lines_of({"ADDR_RANGE=00000000/000007FF/", "ADDR_RANGE=00000800/00000FFF/", "PRESERVE_RANGE=00000100/000001FF/",
            "CRC_KEEPOUT_RANGE=0000FFB0/0000FFBF/", "BLOCKING_MASK=0000003F/00001000/0000FFFF/",
            "MOVE_ADDRESSES=00008000/0000BFFF/00018000/"});
  const ModuleState& module = module_state();
  EXPECT_FALSE(module.invalid);
  ASSERT_EQ(module.module_ranges.count, 1u);
  EXPECT_EQ(module.module_ranges.ranges[0].end, 0xFFFu);
  EXPECT_TRUE(module.preserve_ranges.contains(0x180));
  EXPECT_TRUE(module.crc_keepout_ranges.contains(0xFFBF));
  EXPECT_TRUE(module.blocking);
  EXPECT_EQ(module.blocking_mask, 0x3Fu);
  EXPECT_EQ(module.blocking_low, 0x1000u);
  EXPECT_EQ(module.blocking_high, 0xFFFFu);
  ASSERT_EQ(module.remap.count, 1u);
  EXPECT_EQ(module.remap.triples[0].new_first, 0x18000);
}

TEST_F(AlgorithmFileTest, WrongSlashColumnsMakeFreeTextOrAnInvalidFile) {
  apply_keyword_line("BLOCKING_MASK=0000003F-");
  EXPECT_FALSE(module_state().blocking);
  EXPECT_FALSE(module_state().invalid) << "a missing \"/\" makes free text";
  apply_keyword_line("09BIT_TRIM=003A/003B/01/FFAF/FFAE-00007A12/");
  EXPECT_TRUE(module_state().invalid) << "the nine-bit trims must have every \"/\"";
}

TEST_F(AlgorithmFileTest, AFieldThatIsNoNumberMakesTheFileInvalid) {
  apply_keyword_line("PRESERVE_RANGE=0000X000/00000FFF/");
  EXPECT_TRUE(module_state().invalid);
  EXPECT_EQ(module_state().preserve_ranges.count, 0u);
  apply_keyword_line("ADDR_RANGE=00000000/000007FF/");
  EXPECT_EQ(module_state().module_ranges.count, 0u) << "later lines count as invalid too";
}

TEST_F(AlgorithmFileTest, TablesWithoutRoomMakeTheFileInvalid) {
  for (std::uint32_t n = 0; n < 15; ++n) {
    apply_keyword_line("CRC_KEEPOUT_RANGE=" + hex_long(n * 0x100) + "/" + hex_long(n * 0x100 + 0x10) + "/");
  }
  EXPECT_FALSE(module_state().invalid);
  apply_keyword_line("CRC_KEEPOUT_RANGE=00100000/00100010/");
  EXPECT_TRUE(module_state().invalid);

  reset_module_state();
  for (std::uint32_t n = 0; n < 15; ++n) {
    apply_keyword_line("MOVE_ADDRESSES=" + hex_long(n * 0x100) + "/" + hex_long(n * 0x100 + 0x10) + "/00020000/");
  }
  EXPECT_FALSE(module_state().invalid);
  apply_keyword_line("MOVE_ADDRESSES=00100000/00100010/00020000/");
  EXPECT_TRUE(module_state().invalid);
}

TEST_F(AlgorithmFileTest, FlagKeywordsAreUpperCaseOnly) {
  lines_of({"no_crc", "NO_SERIALIZE", "SHORT_TABLE", "BLANK_MODULE_ONLY", "DEVICE_HAS_EEPROM", "ERASED_STATE=0",
            "PROGRAMMING_ALSO_DOES_VERIFY", "ERASE_CONFIRMATION=Erase it all?"});
  const ModuleState& module = module_state();
  EXPECT_FALSE(module.no_crc);
  EXPECT_TRUE(module.no_serialize);
  EXPECT_TRUE(module.short_table);
  EXPECT_TRUE(module.blank_module_only);
  EXPECT_TRUE(module.second_register_set);
  EXPECT_EQ(module.erased_value, 0);
  EXPECT_TRUE(module.programming_also_verifies);
  EXPECT_EQ(module.erase_confirmation, "Erase it all?");
}

TEST_F(AlgorithmFileTest, NoBaseAddressWithAndWithoutItsValue) {
  apply_keyword_line("NO_BASE_ADDRESS");
  EXPECT_TRUE(module_state().no_base_address);
  EXPECT_EQ(module_state().cm_base_address, 0u);
  apply_keyword_line("NO_BASE_ADDRESS=00008000/");
  EXPECT_EQ(module_state().cm_base_address, 0x8000u);
}

TEST_F(AlgorithmFileTest, PagingKeywords) {
  lines_of({"ADDRESS_PAGING=FFFF0000/00008000/", "SRECORD_SECTION_MASK=0000FFFF/", "DZ_EEPROM_PAGING=40/000000C0/",
            "S08_FLASH_PAGING=00/8000/BFFF/0078/", "S08_FLASH_PAGING=00/4000/7FFF/0079/"});
  const ModuleState& module = module_state();
  EXPECT_TRUE(module.address_paging);
  EXPECT_EQ(module.paging_complement, 0x0000FFFFu);
  EXPECT_EQ(module.paging_offset, 0x8000u);
  EXPECT_TRUE(module.section_masked);
  EXPECT_EQ(module.section_mask, 0xFFFFu);
  EXPECT_TRUE(module.fixed_page.in_use);
  EXPECT_EQ(module.fixed_page.or_value, 0x40);
  EXPECT_EQ(module.window.page_register, 0x78) << "the table holds one window";
}

TEST_F(AlgorithmFileTest, ResetConditionsKeepTwo) {
  lines_of({"ERASE_REQUIRES_A_RESET=1800/01/01/", "ERASE_REQUIRES_A_RESET=1801/02/02/",
            "ERASE_REQUIRES_A_RESET=1802/04/04/"});
  const ModuleState& module = module_state();
  ASSERT_EQ(module.reset_condition_count, 2u);
  EXPECT_EQ(module.reset_conditions[0].address, 0x1800);
  EXPECT_EQ(module.reset_conditions[1].address, 0x1802) << "a third takes the second's place";
}

TEST_F(AlgorithmFileTest, TrimRangesAreScaled) {
  apply_keyword_line("trim_range=32000000/40000000/1.5     ");
  const TrimSettings& trim = engine_settings().trim;
  EXPECT_DOUBLE_EQ(static_cast<double>(trim.reference_min), 31250.0);
  EXPECT_DOUBLE_EQ(static_cast<double>(trim.reference_max), 39062.5);
  EXPECT_DOUBLE_EQ(static_cast<double>(trim.trim_scale), 1.5);
  EXPECT_TRUE(trim.range_prescaled);
  EXPECT_FALSE(module_state().invalid);

  apply_keyword_line("TRIM_RANGE=20000000/30000000/1.0     ");
  EXPECT_EQ(trim.reference_max, 0.0L);
  EXPECT_EQ(trim.default_reference, 0.0L);

  apply_keyword_line("ICS_RANGE=312500   /390625   /10       /");
  EXPECT_DOUBLE_EQ(static_cast<double>(trim.reference_min), 31250.0);
  EXPECT_DOUBLE_EQ(static_cast<double>(trim.trim_scale), 1.0);
  EXPECT_FALSE(trim.range_prescaled);
}

TEST_F(AlgorithmFileTest, TheRequiredVersionStandsBehindTheKeyword) {
  for (const char* line : {"REQUIRES_QUILL_VERSION=1.70/", "REQUIRES_QUILL_VERSION=1.71/"}) {
    EXPECT_EQ(halt_of([&] { apply_keyword_line(line); }), std::nullopt) << line;
  }
  EXPECT_FALSE(module_state().invalid);
  EXPECT_EQ(halt_of([] { apply_keyword_line("REQUIRES_QUILL_VERSION=1.80/"); }), 14);
  EXPECT_EQ(lines()[lines().size() - 3], "      version 1.80 of the flash programmer.");
  apply_keyword_line("REQUIRES_QUILL_VERSION=1x80/");
  EXPECT_TRUE(module_state().invalid) << "the point is required";
}

TEST_F(AlgorithmFileTest, UserLinesDefineUpToSixCommands) {
  EXPECT_TRUE(read_user_line("USER=EP Erase page         1Offset    /00000000/0000EF4F/Erases a page."));
  const UserCommand& user = module_state().user_commands[0];
  EXPECT_EQ(user.name, "EP Erase page         ");
  EXPECT_TRUE(user.takes_parameter);
  EXPECT_EQ(user.label, "Offset");
  EXPECT_EQ(user.parameter_max, 0xEF4Fu);
  EXPECT_EQ(user.text, "Erases a page.");
  EXPECT_EQ(command_table().entries[command::first_user].mnemonic, "EP");
  EXPECT_TRUE(command_table().entries[command::first_user].enabled);
  const std::string another = "USER=" + std::string("XY more").append(15, ' ') + "0" + std::string(10, ' ') +
                              "/00000000/00000000/";
  for (int n = 0; n < 6; ++n) read_user_line(another);
  EXPECT_EQ(module_state().user_command_total, user_command_count);
  EXPECT_EQ(command_table().entries[command::last_user].mnemonic, "XY");
  EXPECT_FALSE(read_user_line("USER=EP missing slashes"));

  EXPECT_TRUE(read_reset_on_user_line("RESET_ON_USER=1/"));
  EXPECT_TRUE(module_state().user_commands[0].reset_after);
  EXPECT_TRUE(read_reset_on_user_line("RESET_ON_USER=9/"));
  EXPECT_FALSE(read_reset_on_user_line("RESET_ON_USER=1-"));
}

TEST(AlgorithmFileCrc, ChecksTheTextUpToTheMark) {
  test::TempDir dir;
  const auto write = [&](const std::string& name, const std::string& bytes) {
    std::ofstream(dir.file(name), std::ios::binary) << bytes;
    return ShortText(dir.file(name));
  };
  const FileCrc good = check_file_crc16(write("good.S8P", std::string("abc\x1A\xE4\x1E", 6) + "ignored"));
  EXPECT_TRUE(good.matches);
  EXPECT_EQ(good.computed, 0x1EE4);
  EXPECT_FALSE(check_file_crc16(write("short.S8P", "abc\x1A")).matches);
  EXPECT_FALSE(check_file_crc16(write("nomark.S8P", "abc")).matches);
  EXPECT_FALSE(check_file_crc16(write("changed.S8P", std::string("abd\x1A\xE4\x1E", 6))).matches);
}

}  // namespace
}  // namespace vx::programmer
