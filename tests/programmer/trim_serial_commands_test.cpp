#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "production_bench.h"
#include "foundation/kstring.h"
#include "programmer/module_state.h"

namespace vx::programmer {
namespace {

using test::ProductionTest;

class TrimSerialTest : public ProductionTest {
 protected:
  std::string choose(const std::string& file) { return "CM " + algorithm(file) + " 10B0\n"; }
  // An empty module that stays unsecured.
  std::string erase() { return "SS " + object_file("nvopt.s19", {{0xFFBF, 0xFE}}) + "\nEM\nPM\n"; }

  std::string contents(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
};

TEST_F(TrimSerialTest, ProgramTrimWritesTheMeasuredValueOnce) {
  EXPECT_EQ(run_script("CM " + algorithm("SIM60_PRODUCTION.S8P") + "\n" + erase() + "PT\nPT\nQU\n"), 0) << dump();
  const TrimState& trim = module_state().trim;
  ASSERT_TRUE(trim.enabled);
  const std::string value = hex_byte(static_cast<std::uint8_t>(trim.value)).str();
  EXPECT_EQ(bench.mcu.peek(0xFFAF), trim.value);
  EXPECT_TRUE(has_line("Programming Trim value $" + value + " to location 0FFAF Success.")) << dump();
  EXPECT_TRUE(has_line("Trim Location ($FFAF) has been programmed ($" + value + ").")) << dump();
}

TEST_F(TrimSerialTest, ATrimLocationHoldingAnotherValueEndsWith18) {
  ASSERT_EQ(run_script("CM " + algorithm("SIM60_PRODUCTION.S8P") + "\n" + erase() + "QU\n"), 0) << dump();
  bench.mcu.poke(0xFFAF, 0x12);
  EXPECT_EQ(run_script("CM " + algorithm("SIM60_PRODUCTION.S8P") + "\nPT\n"), 18) << dump();
  EXPECT_TRUE(has_line("Unable to program Trim Location $FFAF as it is not blank($12).")) << dump();
}

// A part that reaches its reference only at the last trim value: the interface answers FF.
class TrimAtItsLimitTest : public ProductionTest {
 protected:
  TrimAtItsLimitTest() : ProductionTest(options()) {}
  static target_testing::BenchOptions options() {
    target_testing::BenchOptions options;
    options.device.clock.nominal_trim = 2 * 0xFF + 15;
    return options;
  }
};

TEST_F(TrimAtItsLimitTest, ATrimOfFFIsNotValidAndEndsWith18) {
  EXPECT_EQ(run_script("CM " + algorithm("SIM60_PRODUCTION.S8P") + "\nPT\n"), 18) << dump();
  EXPECT_TRUE(has_line("CMD>\x01PT Error : Trim value is not valid.")) << dump();
  EXPECT_EQ(bench.mcu.peek(0xFFAF), 0xFF);
}

TEST_F(TrimSerialTest, ProgramSerialNumberWritesTheNumberAndCountsTheFileOn) {
  const std::string serial = write("board.ser", "030000FF80393030393030393930");
  EXPECT_EQ(run_script("CM " + algorithm("SIM60_PRODUCTION.S8P") + "\n" + erase() + "CS " + serial + "\nPS\nQU\n"), 0)
      << dump();
  EXPECT_TRUE(has_line("Programming serial number 009 at address $0000FF80 Success.")) << dump();
  EXPECT_EQ(bench.ram(0xFF80, 3), (target_testing::Bytes{0x30, 0x30, 0x39}));
  EXPECT_EQ(contents(serial), "030000FF80393030393130393030");
}

TEST_F(TrimSerialTest, AReversedNumberIsStoredLastByteFirst) {
  const std::string serial = write("board.ser", "020000FF90FF12FFFF34FFL");
  EXPECT_EQ(run_script("CM " + algorithm("SIM60_PRODUCTION.S8P") + "\n" + erase() + "CS " + serial + "\nPS\nQU\n"), 0)
      << dump();
  EXPECT_EQ(bench.ram(0xFF90, 2), (target_testing::Bytes{0x34, 0x12}));
  EXPECT_EQ(contents(serial), "020000FF90FF12FFFF35FFL");
}

TEST_F(TrimSerialTest, ANumberThatDoesNotReadBackEndsWith56AndLeavesTheFile) {
  const std::string serial = write("board.ser", "010000FF80393130");
  ASSERT_EQ(run_script("CM " + algorithm("SIM60_PRODUCTION.S8P") + "\n" + erase() + "QU\n"), 0) << dump();
  // 0x31 cannot be programmed over 0x30 without an erase.
  bench.mcu.poke(0xFF80, 0x30);
  EXPECT_EQ(run_script("CM " + algorithm("SIM60_PRODUCTION.S8P") + "\nCS " + serial + "\nPS\n"), 56) << dump();
  EXPECT_TRUE(has_line("Programming serial number 1 at address $0000FF80 Failed.")) << dump();
  EXPECT_EQ(contents(serial), "010000FF80393130");
}

TEST_F(TrimSerialTest, TheLastNumberIsProgrammedThenEndsWith55AndLeavesTheFile) {
  const std::string text = "020000FF80393930393930";
  const std::string serial = write("board.ser", text);
  EXPECT_EQ(run_script("CM " + algorithm("SIM60_PRODUCTION.S8P") + "\n" + erase() + "CS " + serial + "\nPS\n"), 55)
      << dump();
  EXPECT_EQ(bench.ram(0xFF80, 2), (target_testing::Bytes{0x39, 0x39}));
  EXPECT_TRUE(has_line("Error - Can NOT update Serial Number.")) << dump();
  EXPECT_EQ(contents(serial), text);
}

TEST_F(TrimSerialTest, ProgramSerialNumberWithoutAFileDoesNothing) {
  EXPECT_EQ(run_script("CM " + algorithm("SIM60_PRODUCTION.S8P") + "\nPS\nQU\n"), 0) << dump();
  EXPECT_EQ(bench.mcu.peek(0xFF80), 0xFF);
}

}  // namespace
}  // namespace vx::programmer
