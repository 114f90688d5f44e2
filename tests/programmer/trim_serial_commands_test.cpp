#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "production_bench.h"
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

}  // namespace
}  // namespace vx::programmer
