#include <gtest/gtest.h>

#include "production_bench.h"
#include "programmer/crc_check_value.h"

namespace vx::programmer {
namespace {

using test::ProductionTest;

TEST_F(ProductionTest, VerifyCrcShowsEachBlockAndTheCumulativeValue) {
  std::map<std::uint16_t, std::uint8_t> image;
  for (std::uint16_t a = 0x2000; a < 0x2100; ++a) image[a] = static_cast<std::uint8_t>(a * 3);
  for (std::uint16_t a = 0x3000; a < 0x3010; ++a) image[a] = static_cast<std::uint8_t>(a);
  const std::string object = object_file("app.s19", image);
  std::uint32_t cumulative = 0;
  for (const auto& [address, byte] : image) cumulative = update_check_value(cumulative, byte);
  const std::int32_t result =
      run_script("CM " + algorithm("SIM60_BYTE.S8P") + " 10B0\nSS " + object + "\nEM\nPM\nVC\nQU\n");
  EXPECT_EQ(result, 0) << dump();
  EXPECT_TRUE(has_line("   block 00002000-000020FF ... Ok.")) << dump();
  EXPECT_TRUE(has_line("   block 00003000-0000300F ... Ok.")) << dump();
  EXPECT_TRUE(has_line("   Checksum Verification Successful. (Cumulative Checksum16+CRC8=$" +
                       check_value_hex(cumulative).str() + ")"))
      << dump();
}

}  // namespace
}  // namespace vx::programmer
