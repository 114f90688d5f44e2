#include "programmer/crc_blocks.h"

#include <gtest/gtest.h>

#include <map>

#include "programmer/crc_check_value.h"

namespace vx::programmer {
namespace {

using Image = std::map<std::int32_t, std::uint8_t>;

ImageByteSource source_of(const Image& image) {
  auto it = std::make_shared<Image::const_iterator>(image.begin());
  return [&image, it](std::int32_t& address, std::uint8_t& byte) {
    if (*it == image.end()) return false;
    address = (*it)->first;
    byte = (*it)->second;
    ++*it;
    return true;
  };
}

Image bytes_at(std::int32_t first, std::initializer_list<std::uint8_t> bytes) {
  Image image;
  for (const std::uint8_t byte : bytes) image[first++] = byte;
  return image;
}

std::vector<CrcBlock> all_blocks(ObjectBlockWalker& walker) {
  std::vector<CrcBlock> blocks;
  while (walker.more()) blocks.push_back(walker.next_block([] { return false; }));
  return blocks;
}

const AddressTest everything = [](std::int64_t) { return true; };

TEST(ObjectBlockWalker, TwoSeparateRangesAreTwoBlocksEachFromAFreshValue) {
  Image image = bytes_at(0x1000, {0x01, 0x02, 0x03});
  image.merge(bytes_at(0x2000, {0x01, 0x02, 0x03, 0x04}));
  ObjectBlockWalker walker(source_of(image), everything);
  const std::vector<CrcBlock> blocks = all_blocks(walker);
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[0].first, 0x1000);
  EXPECT_EQ(blocks[0].last, 0x1002);
  EXPECT_EQ(blocks[0].value, 0x000648u);
  EXPECT_EQ(blocks[1].first, 0x2000);
  EXPECT_EQ(blocks[1].last, 0x2003);
  std::uint32_t whole = 0;
  for (const auto& [address, byte] : image) whole = update_check_value(whole, byte);
  EXPECT_EQ(walker.cumulative(), whole);
  EXPECT_NE(blocks[1].value, whole);
}

TEST(ObjectBlockWalker, ASkippedByteSplitsABlockAndTakesNoPart) {
  const Image image = bytes_at(0x1000, {0x01, 0x02, 0xEE, 0x03});
  ObjectBlockWalker walker(source_of(image), [](std::int64_t address) { return address != 0x1002; });
  const std::vector<CrcBlock> blocks = all_blocks(walker);
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[0].last, 0x1001);
  EXPECT_EQ(blocks[1].first, 0x1003);
  EXPECT_EQ(blocks[1].last, 0x1003);
  EXPECT_EQ(walker.cumulative(), update_check_value(update_check_value(update_check_value(0, 1), 2), 3));
}

TEST(ObjectBlockWalker, NothingQualifyingMeansNoBlock) {
  const Image image = bytes_at(0x1000, {0x01, 0x02});
  ObjectBlockWalker walker(source_of(image), [](std::int64_t) { return false; });
  EXPECT_FALSE(walker.more());
  ObjectBlockWalker empty(source_of(Image{}), everything);
  EXPECT_FALSE(empty.more());
}

TEST(ObjectBlockWalker, AnAbortEndsTheBlockAfterTheByteInHand) {
  const Image image = bytes_at(0x1000, {0x01, 0x02, 0x03, 0x04});
  ObjectBlockWalker walker(source_of(image), everything);
  int asked = 0;
  const CrcBlock block = walker.next_block([&asked] { return ++asked == 2; });
  EXPECT_EQ(block.last, 0x1001);
  EXPECT_TRUE(walker.more());
}

TEST(QualifyingRuns, MaximalRunsInAscendingOrder) {
  const std::vector<AddressRun> runs =
      qualifying_runs(0x100, 0x10F, [](std::int64_t a) { return a != 0x100 && a != 0x104 && a != 0x105; });
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].first, 0x101);
  EXPECT_EQ(runs[0].last, 0x103);
  EXPECT_EQ(runs[1].first, 0x106);
  EXPECT_EQ(runs[1].last, 0x10F);
  EXPECT_TRUE(qualifying_runs(0, 9, [](std::int64_t) { return false; }).empty());
}

ModuleState measured_trim_module() {
  ModuleState module;
  module.trim.enabled = true;
  module.trim.type = TrimType::nine_bit;
  module.trim.address = 0xFFAF;
  module.trim.fine_address = 0xFFAE;
  return module;
}

TEST(CrcExcluded, TrimLocationsAndKeepOutRangesRelativeToTheBase) {
  ModuleState module = measured_trim_module();
  module.cm_base_address = 0x8000;
  EXPECT_TRUE(module.crc_keepout_ranges.add(0x1000, 0x10FF));
  EXPECT_TRUE(module.crc_keepout_ranges.add(0x1100, 0x11FF));
  EXPECT_EQ(module.crc_keepout_ranges.count, 1u);
  for (const std::int64_t address : {0xFFAF, 0xFFAE, 0x9000, 0x91FF}) EXPECT_TRUE(crc_excluded(module, address)) << address;
  for (const std::int64_t address : {0xFFAD, 0x8FFF, 0x9200, 0x3BFAF}) EXPECT_FALSE(crc_excluded(module, address)) << address;
}

TEST(CrcExcluded, TrimLocationsCountOnlyOnceMeasuredAndByTheirType) {
  ModuleState module = measured_trim_module();
  module.trim.type = TrimType::nine_bit_adc;
  EXPECT_TRUE(crc_excluded(module, 0xFFAD));
  module.trim.type = TrimType::byte;
  EXPECT_FALSE(crc_excluded(module, 0xFFAE));
  module.trim.enabled = false;
  EXPECT_FALSE(crc_excluded(module, 0xFFAF));
}

TEST(CrcExcluded, WithPagingWindowsTheTrimLocationIsAlsoExcludedInPageThree) {
  ModuleState module = measured_trim_module();
  module.window.in_use = true;
  EXPECT_TRUE(crc_excluded(module, 0x3BFAF));
  EXPECT_TRUE(crc_excluded(module, 0xFFAF));
  EXPECT_FALSE(crc_excluded(module, 0x2BFAF));
  // The keep-out test is on the address itself, not its fold.
  EXPECT_TRUE(module.crc_keepout_ranges.add(0xFF00, 0xFFFF));
  EXPECT_FALSE(crc_excluded(module, 0x3BF00));
}

}  // namespace
}  // namespace vx::programmer
