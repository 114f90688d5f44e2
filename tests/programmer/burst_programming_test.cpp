#include <gtest/gtest.h>

#include "production_bench.h"
#include "programmer/module_state.h"
#include "programmer/program_pipeline.h"

namespace vx::programmer {
namespace {

using test::ProductionTest;
using Image = std::map<std::uint16_t, std::uint8_t>;

struct Run {
  std::uint16_t first;
  std::uint16_t last;
};

struct BurstCase {
  const char* name;
  std::vector<Run> runs;
  // The length of each program routine call, in order.
  std::vector<std::uint16_t> block_lengths;
};

Image image_of(const std::vector<Run>& runs) {
  Image image;
  for (const Run& run : runs) {
    for (std::uint32_t a = run.first; a <= run.last; ++a) {
      image[static_cast<std::uint16_t>(a)] = static_cast<std::uint8_t>(a * 5 + (a >> 8));
    }
  }
  // The part stays unsecured after the module erase.
  image[0xFFBF] = 0xFE;
  return image;
}

class BurstProgrammingTest : public ProductionTest, public testing::WithParamInterface<BurstCase> {
 protected:
  BurstProgrammingTest() { bench.pod().keep_wire_log(true); }

  static std::string choose() { return "CM " + algorithm("SIM60_PRODUCTION.S8P") + "\n"; }

  // The lengths the parameter block was given by the calls that also set the RAM buffer.
  std::vector<std::uint16_t> program_call_lengths() const {
    std::vector<std::uint16_t> lengths;
    bool program_call = false;
    std::uint16_t length = 0;
    for (const target_testing::Bytes& write : bench.sent({0xC0, 0x00})) {
      if (write.size() != 4) continue;
      if (write[2] == 0xB0) program_call = true;
      if (write[2] == 0xB4) length = static_cast<std::uint16_t>(write[3] << 8);
      if (write[2] == 0xB5 && program_call) {
        lengths.push_back(static_cast<std::uint16_t>(length | write[3]));
        program_call = false;
      }
    }
    return lengths;
  }
};

TEST_F(BurstProgrammingTest, TheRamBufferIsThePipelinesCapAndFitsInRamAfterTheRoutines) {
  ASSERT_EQ(run_script(choose() + "QU\n"), 0) << dump();
  const ModuleState& module = module_state();
  const std::uint32_t buffer = module.entries[entry::ram_buffer];
  EXPECT_EQ(module.entries[entry::ram_buffer_size], ProgramPipeline::hard_block_cap);
  for (std::size_t routine = entry::blank_check_byte; routine < entry::count; ++routine) {
    EXPECT_LT(module.entries[routine], buffer) << "entry " << routine;
  }
  EXPECT_LE(buffer + module.entries[entry::ram_buffer_size] - 1, bench.mcu.config().ram.last);
}

TEST_P(BurstProgrammingTest, FlashHoldsTheImageAndNothingElse) {
  const Image image = image_of(GetParam().runs);
  ASSERT_EQ(run_script(choose() + "SS " + object_file("app.s19", image) + "\nEM\nPM\nQU\n"), 0) << dump();
  EXPECT_EQ(program_call_lengths(), GetParam().block_lengths);
  std::vector<std::uint16_t> wrong;
  for (const sim::AddressRange& range : bench.mcu.config().flash) {
    for (std::uint32_t a = range.first; a <= range.last; ++a) {
      const auto address = static_cast<std::uint16_t>(a);
      const auto in_image = image.find(address);
      if (bench.mcu.peek(address) != (in_image == image.end() ? 0xFF : in_image->second)) wrong.push_back(address);
    }
  }
  EXPECT_TRUE(wrong.empty()) << wrong.size() << " bytes differ, the first at " << std::hex << wrong.front();
}

INSTANTIATE_TEST_SUITE_P(
    Images, BurstProgrammingTest,
    testing::Values(BurstCase{"OneFullBuffer", {{0x2000, 0x25FF}}, {1536, 1}},
                    BurstCase{"BothSidesOfTheRegisters", {{0x1700, 0x17FF}, {0x1960, 0x1A5F}}, {256, 256, 1}},
                    BurstCase{"AnOddRunOverSeveralBuffers", {{0x4001, 0x5337}}, {1536, 1536, 1536, 311, 1}},
                    BurstCase{"TheModuleEnds", {{0x10B0, 0x10B0}, {0xFFAF, 0xFFAF}}, {1, 1, 1}}),
    [](const testing::TestParamInfo<BurstCase>& param_info) { return std::string(param_info.param.name); });

}  // namespace
}  // namespace vx::programmer
