#include <gtest/gtest.h>

#include <cmath>

#include "foundation/kstring.h"
#include "foundation/status_output.h"
#include "interface/engine_settings.h"
#include "interface/target_connection.h"
#include "programmer/algorithm_file.h"
#include "programmer/module_state.h"
#include "programmer/trim_locations.h"
#include "tests/interface/target_bench.h"

namespace vx::programmer {
namespace {

using target_testing::BenchOptions;
using target_testing::Medium;
using target_testing::TargetBench;

TrimState measured(std::uint8_t type, std::uint16_t value) {
  TrimState trim;
  trim.enabled = true;
  trim.type = static_cast<TrimType>(type);
  trim.value = value;
  trim.address = 0xFFAF;
  trim.fine_address = 0xFFAE;
  trim.fine_mask = 0x01;
  return trim;
}

TEST(TrimValue, AllZerosAndAllOnesAreRefused) {
  struct Case {
    std::uint8_t type;
    std::uint16_t value;
    bool valid;
  };
  for (const Case c : {Case{1, 0x00, false}, Case{1, 0xFF, false}, Case{1, 0x80, true}, Case{1, 0x100, false},
                       Case{9, 0x000, false}, Case{9, 0x1FF, false}, Case{9, 0x1FE, true}, Case{9, 0x001, true},
                       Case{99, 0x1FF, false}, Case{99, 0x0AB, true}}) {
    EXPECT_EQ(trim_value_valid(measured(c.type, c.value)), c.valid) << int(c.type) << " " << c.value;
  }
}

TEST(TrimLocations, EightBitTrimIsOneByte) {
  const std::vector<TrimLocation> locations = trim_locations(measured(1, 0x5A));
  ASSERT_EQ(locations.size(), 1u);
  EXPECT_EQ(locations[0].address, 0xFFAF);
  EXPECT_EQ(locations[0].value, 0x5A);
  EXPECT_EQ(locations[0].name, "Trim");
}

TEST(TrimLocations, NineBitTrimWritesTheFineMaskOnlyForAFineBitOfOne) {
  TrimState trim = measured(9, 0x0B4);
  trim.fine_mask = 0x20;
  std::vector<TrimLocation> locations = trim_locations(trim);
  ASSERT_EQ(locations.size(), 2u);
  EXPECT_EQ(locations[0].value, 0x5A);
  EXPECT_EQ(locations[1].address, 0xFFAE);
  EXPECT_EQ(locations[1].value, 0x00);
  EXPECT_EQ(locations[1].name, "FTrim");
  trim.value = 0x0B5;
  EXPECT_EQ(trim_locations(trim)[1].value, 0x20);
}

TEST(TrimLocations, TheReferenceTypeAddsTheChannel26Reading) {
  TrimState trim = measured(99, 0x0B5);
  trim.channel26_reading = 0x02C7;
  const std::vector<TrimLocation> locations = trim_locations(trim);
  ASSERT_EQ(locations.size(), 3u);
  EXPECT_EQ(locations[1].value, 0x80 | 0x01);
  EXPECT_EQ(locations[1].name, "FTrim/ADC26H");
  EXPECT_EQ(locations[2].address, 0xFFAD);
  EXPECT_EQ(locations[2].value, 0xC7);
  EXPECT_EQ(locations[2].name, "ADC26L");
}

class TrimKeywordTest : public testing::Test {
 protected:
  TrimKeywordTest() {
    reset_engine_settings();
    reset_module_state();
  }
  ~TrimKeywordTest() override {
    reset_engine_settings();
    reset_module_state();
  }

  // One line of the keyword pass; true when it made the algorithm file invalid.
  static bool invalid_after(const ShortText& line) {
    module_state().invalid = false;
    apply_keyword_line(line);
    return module_state().invalid;
  }
};

TEST_F(TrimKeywordTest, SlashesDecideBetweenFreeTextAndAnInvalidLine) {
  struct Case {
    const char* line;
    bool invalid;
  };
  for (const Case c : {Case{"TRIM_RANGE=32000000 40000000/1.000000", false},
                       Case{"TRIM_RANGE=3200000X/40000000/1.000000", true},
                       Case{"ICS_RANGE=312500.00/390625.00 10.0", false}, Case{"HCS08_TRIM=004A FFAF/00007A12/", false},
                       Case{"HCS08_TRIM=00GA/FFAF/00007A12/", true},
                       Case{"09BIT_TRIM=004A/004B/01/FFAF/FFAE 00007A12/", true},
                       Case{"09QD4_TRIM=004A/004B/01/FFAF/FFAE/00007A1Z/", true},
                       Case{"hcs08_trim=004A/FFAF/00007A12/", false}}) {
    EXPECT_EQ(invalid_after(c.line), c.invalid) << c.line;
  }
  EXPECT_EQ(engine_settings().trim.reference_max, 39'062.5L);
  EXPECT_FALSE(module_state().trim.enabled);
}

// A part whose clock at its nominal trim runs 5 % fast of 8 MHz, behind an interface that
// measures trims itself (firmware 4.08 and later).
BenchOptions fast_part(const std::string& firmware) {
  BenchOptions options;
  options.firmware = firmware;
  options.device.clock.nominal_bus_hz = 8'400'000;
  return options;
}

std::string open_line() { return status_output().lines.empty() ? std::string() : status_output().lines.back(); }

TEST_F(TrimKeywordTest, AnEightBitMeasurementEnablesTrimAndRecommendsTheValue) {
  TargetBench bench(Medium::windriver, fast_part("4.10"));
  ASSERT_TRUE(FORCE_BACKGROUND_MODE());
  EXPECT_FALSE(invalid_after("HCS08_TRIM=004A/FFAF/007A1200/"));
  const TrimState& trim = module_state().trim;
  ASSERT_TRUE(trim.enabled);
  EXPECT_EQ(trim.type, TrimType::byte);
  EXPECT_EQ(trim.address, 0xFFAF);
  EXPECT_EQ(trim.value, bench.mcu.peek(0x004A));
  EXPECT_NE(open_line().find("(Recommended Trim = $" + hex_byte(static_cast<std::uint8_t>(trim.value)).str() + ")"),
            std::string::npos)
      << open_line();
}

TEST_F(TrimKeywordTest, ANineBitMeasurementWithTheReferenceReadsChannel26) {
  TargetBench bench(Medium::windriver, fast_part("4.10"));
  ASSERT_TRUE(FORCE_BACKGROUND_MODE());
  bench.mcu.poke(0x0012, 0x02);
  bench.mcu.poke(0x0013, 0xC7);
  EXPECT_FALSE(invalid_after("09QD4_TRIM=004A/004B/01/FFAF/FFAE/007A1200/"));
  const TrimState& trim = module_state().trim;
  ASSERT_TRUE(trim.enabled);
  EXPECT_EQ(trim.type, TrimType::nine_bit_adc);
  EXPECT_EQ(trim.fine_address, 0xFFAE);
  EXPECT_EQ(trim.fine_mask, 0x01);
  EXPECT_EQ(trim.channel26_reading, 0x02C7);
  EXPECT_EQ(bench.mcu.peek(0x0016), 0xB8);
  EXPECT_EQ(bench.mcu.peek(0x0010), 0x1A);
  const std::string fine = (trim.value & 1) != 0 ? ",FTRIM=1)" : ",FTRIM=0)";
  EXPECT_NE(open_line().find("(Recommended TRIM=$" + hex_word(trim.value >> 1).str() + fine), std::string::npos)
      << open_line();
}

}  // namespace
}  // namespace vx::programmer
