#include "interface/target_read_cache.h"

#include <gtest/gtest.h>

#include "interface/engine_settings.h"
#include "tests/interface/target_bench.h"

namespace vx {
namespace {

using target_testing::Bytes;
using target_testing::Medium;
using target_testing::TargetBench;

TEST(TargetReadCache, OutsideEveryObjectRangeIsTheFillValueWithoutTouchingTheTarget) {
  TargetBench bench(Medium::ftdi);
  ObjectRanges& objects = engine_settings().objects;
  objects.ranges = {{0x8000, 0x80FF}};
  bench.mcu.poke(0x8000, 0x11);
  bench.mcu.poke(0x80FF, 0x22);
  EXPECT_EQ(read_target_byte_cached(0x7FFF), outside_object_ranges);
  EXPECT_EQ(read_target_byte_cached(0x8100), outside_object_ranges);
  EXPECT_TRUE(bench.sent().empty());
  EXPECT_EQ(read_target_byte_cached(0x8000), 0x11);
  EXPECT_EQ(read_target_byte_cached(0x80FF), 0x22);
  EXPECT_EQ(bench.sent().size(), 2u);
}

TEST(TargetReadCache, AddressesWrapAtTheMaskBeforeTheRangeTest) {
  struct Case {
    std::uint32_t mask;
    std::uint32_t offset;
    std::uint32_t address;
    std::uint16_t result;
  };
  const Case cases[] = {
      {0xFFFFF, 0, 0x108000, 0x11},  // wraps modulo 1,048,576
      {ObjectRanges::no_address_mask, 0, 0x108000, outside_object_ranges},
      {0xFFFFF, 0x100000, 0x108000, outside_object_ranges},       // the wrapped address is below the moved range
      {ObjectRanges::no_address_mask, 0x100000, 0x108000, 0x11},  // range moved by the offset; the wire takes 16 bits
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.mask << " " << c.offset << " " << c.address);
    TargetBench bench(Medium::ftdi);
    bench.mcu.poke(0x8000, 0x11);
    ObjectRanges& objects = engine_settings().objects;
    objects.address_mask = c.mask;
    objects.range_offset = c.offset;
    objects.ranges = {{0x8000, 0x80FF}};
    EXPECT_EQ(read_target_byte_cached(c.address), c.result);
  }
}

TEST(TargetReadCache, WithoutRangesEveryAddressIsRead) {
  TargetBench bench(Medium::windriver);
  bench.mcu.poke(0x0100, 0x5A);
  EXPECT_EQ(read_target_byte_cached(0x0100), 0x5A);
  EXPECT_EQ(bench.sent(), (std::vector<Bytes>{{0xE0, 0x01, 0x00}}));
}

TEST(TargetReadCache, PagingWindowMapsTheReadAndThePageIsSelectedAroundIt) {
  TargetBench bench(Medium::ftdi);
  bench.mcu.poke(0x8123, 0x66);
  ObjectRanges& objects = engine_settings().objects;
  objects.paging_window = true;
  objects.window_mask = 0x3FFF;  // the complement of a paging mask 0xFFFFC000
  objects.window_base = 0x8000;
  std::vector<std::string> events;
  engine_settings().select_address_page = [&](std::uint32_t address) {
    events.push_back("select " + std::to_string(address) + " after " + std::to_string(bench.sent().size()));
  };
  engine_settings().restore_address_page = [&] {
    events.push_back("restore after " + std::to_string(bench.sent().size()));
  };
  EXPECT_EQ(read_target_byte_cached(0x24123), 0x66);
  EXPECT_EQ(bench.sent(), (std::vector<Bytes>{{0xE0, 0x81, 0x23}}));
  EXPECT_EQ(events, (std::vector<std::string>{"select " + std::to_string(0x24123) + " after 0", "restore after 1"}));
}

TEST(TargetReadCache, SwitchesAreKeptButReadNothingAhead) {
  TargetBench bench(Medium::ftdi);
  target_read_cache().enabled = true;
  target_read_cache().valid = false;
  read_target_byte_cached(0x0100);
  read_target_byte_cached(0x0101);
  EXPECT_EQ(bench.sent().size(), 2u);
  EXPECT_TRUE(bench.sent({7, 5}).empty());
}

}  // namespace
}  // namespace vx
