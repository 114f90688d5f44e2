#include "programmer/verify_compare.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "interface/target_read_cache.h"

namespace vx::programmer {
namespace {

class VerifyCompare : public ::testing::Test {
 protected:
  VerifyCompare() {
    window.cm_base = 0x8000;
    window.module_start = 0xC000;
    window.module_size = 0x4000;
    for (std::uint32_t a = 0xC000; a < 0xC020; ++a) device[a] = 0x11;
  }

  std::optional<VerifyMismatch> compare(std::int32_t start, std::int32_t end, std::int32_t address,
                                        const std::vector<std::uint8_t>& bytes) {
    return compare_record(window, start, end, address, bytes, [this](std::uint32_t a) -> std::uint16_t {
      const auto found = device.find(a);
      return found == device.end() ? 0xFF : found->second;
    });
  }

  ModuleWindow window;
  std::map<std::uint32_t, std::uint16_t> device;
};

TEST_F(VerifyCompare, MatchingRecordAndTheFirstDifferenceAtItsObjectAddress) {
  EXPECT_FALSE(compare(0x8000, 0xBFFF, 0x8000, std::vector<std::uint8_t>(16, 0x11)));
  device[0xC005] = 0x12;
  const auto mismatch = compare(0x8000, 0xBFFF, 0x8000, std::vector<std::uint8_t>(16, 0x11));
  ASSERT_TRUE(mismatch);
  EXPECT_EQ(mismatch->address, 0x8005);
  EXPECT_EQ(verify_error_line(*mismatch), "Verify error at address $08005.");
  EXPECT_EQ(verify_bytes_line(*mismatch), "Byte in module is $12 and should be $11.\x07");
}

TEST_F(VerifyCompare, BytesOutsideTheRangeTheModuleOrPreservedAreNotCompared) {
  device[0xC005] = 0x12;
  EXPECT_FALSE(compare(0x8006, 0xBFFF, 0x8000, std::vector<std::uint8_t>(16, 0x11)));
  EXPECT_FALSE(compare(0x8000, 0x8004, 0x8000, std::vector<std::uint8_t>(16, 0x11)));
  window.preserve_ranges = {{0x0004, 0x0007}};
  EXPECT_FALSE(compare(0x8000, 0xBFFF, 0x8000, std::vector<std::uint8_t>(16, 0x11)));
  window.preserve_ranges.clear();
  window.module_ranges = {{0x0000, 0x0003}, {0x0010, 0x001F}};
  EXPECT_FALSE(compare(0x8000, 0xBFFF, 0x8000, std::vector<std::uint8_t>(16, 0x11)));
}

TEST_F(VerifyCompare, AnUnreadableByteIsADifferenceEvenAgainstZero) {
  device[0xC002] = unreadable_target_byte;
  const auto mismatch = compare(0x8000, 0xBFFF, 0x8000, {0x11, 0x11, 0x00});
  ASSERT_TRUE(mismatch);
  EXPECT_EQ(mismatch->address, 0x8002);
  EXPECT_EQ(verify_bytes_line(*mismatch), "Byte in module is unreadable and should be $00.\x07");
}

TEST_F(VerifyCompare, OutsideTheObjectRangesReadsAsErased) {
  device[0xC000] = outside_object_ranges;
  EXPECT_FALSE(compare(0x8000, 0xBFFF, 0x8000, {0xFF}));
  EXPECT_TRUE(compare(0x8000, 0xBFFF, 0x8000, {0x01}));
}

}  // namespace
}  // namespace vx::programmer
