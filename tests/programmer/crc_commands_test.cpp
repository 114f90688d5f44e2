#include <gtest/gtest.h>

#include "production_bench.h"
#include "programmer/crc_check_value.h"
#include "programmer/module_state.h"

namespace vx::programmer {
namespace {

using test::ProductionTest;
using Image = std::map<std::uint16_t, std::uint8_t>;

Image two_ranges() {
  Image image;
  for (std::uint16_t a = 0x2000; a < 0x2100; ++a) image[a] = static_cast<std::uint8_t>(a * 3);
  for (std::uint16_t a = 0x3000; a < 0x3010; ++a) image[a] = static_cast<std::uint8_t>(a);
  // The part stays unsecured after the module erase.
  image[0xFFBF] = 0xFE;
  return image;
}

std::uint32_t host_value(const Image& image) {
  std::uint32_t value = 0;
  for (const auto& [address, byte] : image) value = update_check_value(value, byte);
  return value;
}

class CrcCommandsTest : public ProductionTest {
 protected:
  std::string choose(const std::string& file) { return "CM " + algorithm(file) + " 10B0\n"; }
  std::string program(const Image& image) { return "SS " + object_file("app.s19", image) + "\nEM\nPM\n"; }

  // The value SC prints.
  std::string shown_value() const {
    for (const std::string& line : lines()) {
      const std::size_t at = line.find("Checksum16+CRC8=$");
      if (line.starts_with("Calculating Device") && at != std::string::npos) return line.substr(at + 17, 6);
    }
    return {};
  }
};

TEST_F(CrcCommandsTest, VerifyCrcShowsEachBlockAndTheCumulativeValueOfTheHost) {
  const Image image = two_ranges();
  EXPECT_EQ(run_script(choose("SIM60_BYTE.S8P") + program(image) + "VC\nQU\n"), 0) << dump();
  EXPECT_TRUE(has_line("Verifying object file Checksum16+CRC8 to device ranges ... ")) << dump();
  EXPECT_TRUE(has_line("   block 00002000-000020FF ... Ok.")) << dump();
  EXPECT_TRUE(has_line("   block 00003000-0000300F ... Ok.")) << dump();
  EXPECT_TRUE(has_line("   block 0000FFBF-0000FFBF ... Ok.")) << dump();
  EXPECT_TRUE(has_line("   Checksum Verification Successful. (Cumulative Checksum16+CRC8=$" +
                       check_value_hex(host_value(image)).str() + ")"))
      << dump();
}

TEST_F(CrcCommandsTest, AFlippedByteFailsItsBlockWith51AndBothValues) {
  Image image = two_ranges();
  const std::string script = choose("SIM60_BYTE.S8P") + program(image);
  ASSERT_EQ(run_script(script + "QU\n"), 0) << dump();
  bench.mcu.poke(0x3004, static_cast<std::uint8_t>(bench.mcu.peek(0x3004) ^ 0x10));
  Image device = image;
  device[0x3004] ^= 0x10;
  Image file_block;
  Image device_block;
  for (std::uint16_t a = 0x3000; a < 0x3010; ++a) {
    file_block[a] = image[a];
    device_block[a] = device[a];
  }
  EXPECT_EQ(run_script(choose("SIM60_BYTE.S8P") + "SS " + object_file("app.s19", image) + "\nVC\n"), 51) << dump();
  EXPECT_TRUE(has_line("   block 00002000-000020FF ... Ok.")) << dump();
  EXPECT_TRUE(has_line("   block 00003000-0000300F ... Checksum16+CRC8 Error in block. (File = $" +
                       check_value_hex(host_value(file_block)).str() + ", Device = $" +
                       check_value_hex(host_value(device_block)).str() + ")"))
      << dump();
}

TEST_F(CrcCommandsTest, TheValueShownBySCVerifiesWithVVAndAnotherEndsWith61) {
  ASSERT_EQ(run_script(choose("SIM60_BYTE.S8P") + program(two_ranges()) + "SC\nQU\n"), 0) << dump();
  const std::string value = shown_value();
  ASSERT_EQ(value.size(), 6u) << dump();
  EXPECT_EQ(run_script(choose("SIM60_BYTE.S8P") + "VV " + value + "\nQU\n"), 0) << dump();
  EXPECT_TRUE(has_line("Comparing Device Checksum16+CRC8 to $" + value +
                       "... Success! (Device Checksum16+CRC8 = $" + value + ")"))
      << dump();
  EXPECT_EQ(run_script(choose("SIM60_BYTE.S8P") + "VV 1" + value + "\n"), 61) << dump();
  EXPECT_TRUE(has_line("Comparing Device Checksum16+CRC8 to $" + value +
                       "... Error! Checksum16+CRC8 does not match. (Device Checksum16+CRC8 = $" + value + ")"))
      << dump();
}

TEST_F(CrcCommandsTest, TheModuleValueLeavesOutKeepOutRanges) {
  Image image = two_ranges();
  ASSERT_EQ(run_script(choose("SIM60_CRC_KEEPOUT.S8P") + program(image) + "SC\nQU\n"), 0) << dump();
  const std::string kept_out = shown_value();
  // Inside the keep-out range FFC0-FFFF (relative EF10-EF4F from the base 10B0).
  bench.mcu.poke(0xFFD0, static_cast<std::uint8_t>(bench.mcu.peek(0xFFD0) ^ 0xFF));
  EXPECT_EQ(run_script(choose("SIM60_CRC_KEEPOUT.S8P") + "VV " + kept_out + "\nQU\n"), 0) << dump();
  EXPECT_EQ(run_script(choose("SIM60_BYTE.S8P") + "VV " + kept_out + "\n"), 61) << dump();
}

TEST_F(CrcCommandsTest, WithoutCrcTheCommandsAreInactive) {
  for (const char* command : {"VC", "SC", "VV 0"}) {
      EXPECT_EQ(run_script(choose("SIM60_NO_CRC.S8P") + command + "\n"), 33) << command << dump();
  }
}

TEST_F(CrcCommandsTest, ASmallRamBufferLendsTheAlgorithmsRamAndGetsItBack) {
  ASSERT_EQ(run_script(choose("SIM60_BUFFER32.S8P") + "QU\n"), 0) << dump();
  const std::uint16_t base = static_cast<std::uint16_t>(module_state().algorithm_base_address);
  const target_testing::Bytes algorithm = bench.ram(base, 48);
  const Image image = two_ranges();
  EXPECT_EQ(run_script(choose("SIM60_BUFFER32.S8P") + program(image) + "VC\nSC\nEM\nPM\nVM\nQU\n"), 0) << dump();
  EXPECT_EQ(bench.ram(base, 48), algorithm);
  EXPECT_EQ(bench.mcu.peek(0x2005), image.at(0x2005));
}

TEST_F(CrcCommandsTest, VerifyCrcNeedsAnObjectFileAndSorting) {
  EXPECT_EQ(run_script(choose("SIM60_BYTE.S8P") + "VC\n"), 5) << dump();
  EXPECT_TRUE(has_line("Error - S record file is not selected.")) << dump();
  EXPECT_EQ(run_script(choose("SIM60_BYTE.S8P") + "SS " + object_file("none.s19", {{0x0100, 1}}) + "\nVC\n"), 50)
      << dump();
  EXPECT_TRUE(has_line("Verifying object file Checksum16+CRC8 to device ranges ... "
                       "Error - no valid data in range of module."))
      << dump();
}

}  // namespace
}  // namespace vx::programmer
