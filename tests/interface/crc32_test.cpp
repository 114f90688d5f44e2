#include "interface/crc32.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace vx {
namespace {

std::uint32_t standard_crc32(std::string_view text) {
  std::uint32_t value = 0xFFFFFFFF;
  crc32_update(reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<std::uint16_t>(text.size()), value);
  return ~value;
}

TEST(Crc32, StandardCheckValuesWithTheCallersStartAndComplement) {
  EXPECT_EQ(standard_crc32("123456789"), 0xCBF43926u);
  EXPECT_EQ(standard_crc32("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
  EXPECT_EQ(standard_crc32(""), 0u);
}

TEST(Crc32, LengthZeroLeavesTheValueAlone) {
  std::uint32_t value = 0x12345678;
  crc32_update(nullptr, 0, value);
  EXPECT_EQ(value, 0x12345678u);
}

TEST(Crc32, RunningValueCarriesAcrossCalls) {
  const std::vector<std::uint8_t> bytes = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  std::uint32_t split = 0xFFFFFFFF;
  crc32_update(bytes.data(), 4, split);
  crc32_update(bytes.data() + 4, 5, split);
  EXPECT_EQ(~split, 0xCBF43926u);
}

TEST(Crc32, AppliesNoStartValueOfItsOwn) {
  // From 0 without a complement, one zero byte stays 0: no hidden initial or final XOR.
  const std::uint8_t zero = 0;
  std::uint32_t value = 0;
  crc32_update(&zero, 1, value);
  EXPECT_EQ(value, 0u);
}

}  // namespace
}  // namespace vx
