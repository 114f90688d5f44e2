#include <gtest/gtest.h>

#include <string>

#include "foundation/kstring.h"
#include "foundation/status_output.h"
#include "interface/srecord_download.h"
#include "programmer/algorithm_routines.h"
#include "programmer/flash_controller.h"
#include "module_bench.h"

namespace vx::programmer {
namespace {

using target_testing::Bytes;
using test::ModuleBench;

TEST(FlashClockDivider, FollowsTheBusFrequency) {
  const std::pair<std::int32_t, std::int32_t> cases[] = {
      {8'000'000, 0x2C}, {20'000'000, 0x4E}, {11'200'000, 0x47}, {11'199'999, 0x3E}, {175'000, 0x00}, {174'999, -1},
  };
  for (const auto& [frequency, divider] : cases) EXPECT_EQ(flash_clock_divider(frequency), divider) << frequency;
}

TEST_F(ModuleBench, TheDividerGoesToFcdivAfterTheErrorFlagsAreCleared) {
  set_flash_clock_divider(8'000'000);
  EXPECT_EQ(written(flash::FCDIV), 0x2C);
  ASSERT_TRUE(written(0x1825));
  EXPECT_EQ(*written(0x1825) & 0x30, 0x30);
  EXPECT_FALSE(written(0x182D)) << "no second register set";
  EXPECT_EQ(bench.mcu.peek(flash::FCDIV) & 0x3F, 0x2C);
}

// The register addresses of the flash-controller writes, in order.
std::vector<std::uint16_t> register_writes(const std::vector<Bytes>& commands) {
  std::vector<std::uint16_t> addresses;
  for (const Bytes& command : commands) {
    const auto address = static_cast<std::uint16_t>(command.at(1) << 8 | command.at(2));
    if (address >= 0x1824 && address <= 0x182E) addresses.push_back(address);
  }
  return addresses;
}

TEST_F(ModuleBench, TheSecondRegisterSetIsServedFirstByBlankCheckAndLastByMassErase) {
  flash_blank_check();
  EXPECT_EQ(register_writes(bench.sent({bdc::WRITE_BYTE})), (std::vector<std::uint16_t>{0x1824, 0x1825, 0x1826, 0x1825}))
      << "set 0 only without DEVICE_HAS_EEPROM";

  module_state().second_register_set = true;
  bench.forget_sent();
  flash_blank_check();
  EXPECT_EQ(register_writes(bench.sent({bdc::WRITE_BYTE})),
            (std::vector<std::uint16_t>{0x182C, 0x182D, 0x182E, 0x182D, 0x1824, 0x1825, 0x1826, 0x1825}));
  bench.forget_sent();
  flash_mass_erase();
  EXPECT_EQ(register_writes(bench.sent({bdc::WRITE_BYTE})),
            (std::vector<std::uint16_t>{0x1824, 0x1825, 0x1826, 0x1825, 0x182C, 0x182D, 0x182E, 0x182D}));
}

TEST_F(ModuleBench, UnsecuringProgramsTheOptionByte) {
  flash_unsecure();
  EXPECT_EQ(written(flash::NVOPT), flash::unsecured_option);
  EXPECT_EQ(written(0x1826), flash::byte_program);
  EXPECT_EQ(written(0x1825), 0x80) << "launched";
}

// An S2 line with its count; the checksum is not read.
std::string s2(std::uint32_t address, const Bytes& data) {
  std::string line = "S2" + hex_byte(static_cast<std::uint8_t>(data.size() + 4)).str() +
                     hex_byte(static_cast<std::uint8_t>(address >> 16)).str() +
                     hex_word(static_cast<std::uint16_t>(address)).str();
  for (const std::uint8_t byte : data) line += hex_byte(byte).str();
  return line + "00\r\n";
}

class SectionBench : public ModuleBench {
 protected:
  SectionBench() {
    file = write("sections.S8P", s2(0x010100, {0xA1, 0xA2, 0xA3, 0xA4}) + s2(0x020100, {0xB1, 0xB2, 0xB3, 0xB4}) +
                                     s2(0x021000, {0xC1, 0xC2}));
    ModuleState& module = module_state();
    module.section_masked = true;
    module.section_mask = 0x0000FFFF;
    module.first_record = true;
    load_algorithm_records(ShortText(file));
  }
  std::string file;
};

TEST_F(SectionBench, OnlyTheFirstRecordsSectionIsLoadedAtItsLowAddresses) {
  EXPECT_FALSE(srecord_download().error);
  EXPECT_EQ(module_state().current_section, 0x00010000u);
  EXPECT_EQ(bench.ram(0x0100, 4), (Bytes{0xA1, 0xA2, 0xA3, 0xA4}));
  EXPECT_NE(bench.ram(0x1000, 2), (Bytes{0xC1, 0xC2}));
}

TEST_F(SectionBench, ARoutineInAnotherSectionReloadsItOnce) {
  srecord_download().current_address = 0x4321;
  EXPECT_EQ(reload_algorithm_page(0x00021000, true), 0x1000u);
  EXPECT_EQ(module_state().current_section, 0x00020000u);
  EXPECT_EQ(bench.ram(0x0100, 4), (Bytes{0xB1, 0xB2, 0xB3, 0xB4}));
  EXPECT_EQ(bench.ram(0x1000, 2), (Bytes{0xC1, 0xC2}));
  EXPECT_EQ(srecord_download().current_address, 0x4321u) << "the pipeline's writer state is put back";
  EXPECT_NE(status_output().lines.back().find("Loading programming algorithm routine...Done."), std::string::npos);

  bench.forget_sent();
  EXPECT_EQ(reload_algorithm_page(0x00020100, true), 0x0100u);
  EXPECT_TRUE(bench.sent().empty()) << "the section is in RAM already";
  EXPECT_EQ(reload_algorithm_page(0, true), 0u);
}

TEST_F(ModuleBench, WithoutASectionMaskTheAddressIsTheRoutine) {
  EXPECT_EQ(reload_algorithm_page(0x00021000, true), 0x00021000u);
  EXPECT_TRUE(bench.sent().empty());
}

TEST_F(ModuleBench, ThePagedVariantSelectsItsWindowPageAroundAnAccess) {
  ASSERT_EQ(choose(algorithm("SIM60_PAGED.S8P") + " 8000"), std::nullopt);
  const PagingWindow& window = module_state().window;
  ASSERT_TRUE(window.in_use);
  EXPECT_EQ(window.low, 0x8000);
  EXPECT_EQ(window.high, 0xBFFF);
  EXPECT_EQ(window.page_register, 0x0078);
  const std::uint8_t before = bench.mcu.peek(0x0078);

  bench.forget_sent();
  select_address_page(0x12345);
  restore_address_page();
  EXPECT_TRUE(bench.sent({bdc::WRITE_BYTE}).empty()) << "outside the window";

  select_address_page(0x1A345);
  EXPECT_EQ(written(0x0078), 0x01);
  EXPECT_EQ(bench.mcu.peek(0x0078), 0x01);
  select_address_page(0x2A345);
  EXPECT_EQ(bench.sent({bdc::WRITE_BYTE}).size(), 1u) << "selected once until restored";
  restore_address_page();
  EXPECT_EQ(bench.mcu.peek(0x0078), before);
  EXPECT_FALSE(window.applied);
}

TEST_F(ModuleBench, AFixedPageRegisterIsSetOnceAboveSixtyFourKilobytes) {
  module_state().fixed_page = FixedPageRegister{true, 0x00C0, 0x40, 0, false};
  bench.mcu.poke(0x00C0, 0x03);
  select_address_page(0x1000);
  EXPECT_TRUE(bench.sent({bdc::WRITE_BYTE}).empty());
  select_address_page(0x10000);
  select_address_page(0x10001);
  EXPECT_EQ(bench.sent({bdc::WRITE_BYTE}).size(), 1u);
  EXPECT_EQ(bench.mcu.peek(0x00C0), 0x43);
  restore_address_page();
  EXPECT_EQ(bench.mcu.peek(0x00C0), 0x03);
}

TEST_F(ModuleBench, PageRoutinesRunAroundTheAccess) {
  ASSERT_EQ(choose(algorithm("SIM60_PAGE_ROUTINES.S8P") + " 8000"), std::nullopt);
  const ModuleState& module = module_state();
  ASSERT_NE(module.entries[entry::page_select], 0u);
  ASSERT_NE(module.entries[entry::page_restore], 0u);
  bench.forget_sent();
  select_address_page(0x1A345);
  EXPECT_EQ(written_word(static_cast<std::uint16_t>(module.entries[entry::parameter_block] + 2)), 0xA345);
  EXPECT_EQ(last_register_write(bdc::WRITE_PC),
            (Bytes{bdc::WRITE_PC, hi(static_cast<std::uint16_t>(module.entries[entry::page_select])),
                   lo(static_cast<std::uint16_t>(module.entries[entry::page_select]))}));
  restore_address_page();
  EXPECT_EQ(last_register_write(bdc::WRITE_PC),
            (Bytes{bdc::WRITE_PC, hi(static_cast<std::uint16_t>(module.entries[entry::page_restore])),
                   lo(static_cast<std::uint16_t>(module.entries[entry::page_restore]))}));
}

}  // namespace
}  // namespace vx::programmer
