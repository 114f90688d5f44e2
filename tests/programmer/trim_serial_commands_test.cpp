#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <utility>
#include <vector>

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

  static std::string contents(const std::string& path) {
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

// The last number has no next one to reserve: handing it out would repeat it at the next run.
TEST_F(TrimSerialTest, TheLastNumberEndsWith55BeforeItIsProgrammedAndLeavesTheFile) {
  const std::string text = "020000FF80393930393930";
  const std::string serial = write("board.ser", text);
  EXPECT_EQ(run_script("CM " + algorithm("SIM60_PRODUCTION.S8P") + "\n" + erase() + "CS " + serial + "\nPS\n"), 55)
      << dump();
  EXPECT_EQ(bench.ram(0xFF80, 2), (target_testing::Bytes{0xFF, 0xFF}));
  EXPECT_TRUE(has_line("Error - Can NOT update Serial Number.")) << dump();
  EXPECT_EQ(contents(serial), text);
}

// PS with each of its steps recorded with what the serial-number file held then; `act` may
// interfere at a step.
class SerialStepsTest : public TrimSerialTest {
 protected:
  SerialStepsTest() {
    watching = this;
    serial_state().watcher = [](SerialStep step) {
      watching->seen.emplace_back(step, watching->contents(watching->serial));
      if (watching->act) watching->act(step);
    };
  }
  ~SerialStepsTest() override { watching = nullptr; }

  std::int32_t program(const std::string& file) {
    return run_script("CM " + algorithm("SIM60_PRODUCTION.S8P") + "\n" + erase() + "CS " + file + "\nPS\n");
  }

  static inline SerialStepsTest* watching = nullptr;
  std::string serial = write("board.ser", "030000FF80393030393030393930");
  std::vector<std::pair<SerialStep, std::string>> seen;
  std::function<void(SerialStep)> act;
};

constexpr const char* number_009 = "030000FF80393030393030393930";
constexpr const char* number_010 = "030000FF80393030393130393030";

TEST_F(SerialStepsTest, TheFileNamesTheNextNumberBeforeTheNumberReachesTheDevice) {
  EXPECT_EQ(program(serial), 0) << dump();
  const std::vector<std::pair<SerialStep, std::string>> expected{{SerialStep::read, number_009},
                                                                  {SerialStep::reserved, number_010},
                                                                  {SerialStep::programmed, number_010},
                                                                  {SerialStep::read_back, number_010},
                                                                  {SerialStep::finished, number_010}};
  EXPECT_EQ(seen, expected);
  EXPECT_TRUE(has_line("Programming serial number 009 at address $0000FF80 Success.")) << dump();
}

TEST_F(SerialStepsTest, ANumberThatFailsItsReadBackIsGivenBack) {
  ASSERT_EQ(run_script("CM " + algorithm("SIM60_PRODUCTION.S8P") + "\n" + erase() + "QU\n"), 0) << dump();
  bench.mcu.poke(0xFF82, 0x30);
  EXPECT_EQ(run_script("CM " + algorithm("SIM60_PRODUCTION.S8P") + "\nCS " + serial + "\nPS\n"), 56) << dump();
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), std::make_pair(SerialStep::given_back, std::string(number_009)));
  EXPECT_EQ(contents(serial), number_009);
  EXPECT_EQ(serial_state().display_text, "009");
}

// A failure that ends the script from inside the programming (here the interface stops
// answering) gives the number back as well.
TEST_F(SerialStepsTest, ANumberWhoseProgrammingEndsTheScriptIsGivenBack) {
  act = [this](SerialStep step) {
    if (step == SerialStep::reserved) bench.pod().set_link_lost(true);
  };
  EXPECT_EQ(program(serial), 45) << dump();
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), std::make_pair(SerialStep::given_back, std::string(number_009)));
  EXPECT_EQ(contents(serial), number_009);
}

// The reservation and the giving back both rewrite the file: one that cannot be rewritten is
// an input/output failure of the run before anything is programmed.
TEST_F(SerialStepsTest, AFileThatCannotBeRewrittenIsRefusedBeforeAnythingIsProgrammed) {
  const std::string read_only = write("read-only.ser", number_009);
  std::filesystem::permissions(read_only, std::filesystem::perms::owner_read);
  for (const std::string& file : {read_only, serial + std::string(1, '\0') + ".old"}) {
    SCOPED_TRACE(file);
    seen.clear();
    EXPECT_THROW(program(file), std::runtime_error);
    EXPECT_EQ(bench.ram(0xFF80, 3), (target_testing::Bytes{0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(contents(file.c_str()), number_009);
    EXPECT_EQ(seen.size(), 1u) << "nothing reserved";
  }
}

TEST_F(TrimSerialTest, ProgramSerialNumberWithoutAFileDoesNothing) {
  EXPECT_EQ(run_script("CM " + algorithm("SIM60_PRODUCTION.S8P") + "\nPS\nQU\n"), 0) << dump();
  EXPECT_EQ(bench.mcu.peek(0xFF80), 0xFF);
}

}  // namespace
}  // namespace vx::programmer
