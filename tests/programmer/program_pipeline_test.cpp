#include "programmer/program_pipeline.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

#include "interface/target_read_cache.h"

namespace vx::programmer {
namespace {

// A device whose flash reads as the low byte of the address unless a test says otherwise.
struct FakeDevice {
  std::map<std::uint32_t, std::uint16_t> overrides;
  std::vector<std::uint32_t> reads;
  std::uint16_t read(std::uint32_t address) {
    reads.push_back(address);
    const auto found = overrides.find(address);
    return found != overrides.end() ? found->second : static_cast<std::uint16_t>(address & 0xFF);
  }
};

ModuleWindow module_at_8000() {
  ModuleWindow window;
  window.cm_base = 0x8000;
  window.module_start = 0x8000;
  window.module_size = 0x8000;
  return window;
}

BlockingRules byte_rules(std::uint16_t buffer = 1024) {
  BlockingRules rules;
  rules.has_byte_routine = true;
  rules.ram_buffer_size = buffer;
  return rules;
}

struct PipelineRun {
  std::vector<ProgramBlock> blocks;
  bool unreadable = false;
  bool oversized = false;
};

PipelineRun feed(const ModuleWindow& window, const BlockingRules& rules, FakeDevice& device,
         const std::vector<std::pair<std::int32_t, std::uint8_t>>& bytes, bool allow_preserved = false) {
  ProgramPipeline pipeline(window, rules, [&device](std::uint32_t a) { return device.read(a); });
  pipeline.reset(bytes.empty() ? 0 : bytes.front().first);
  pipeline.set_range(window.cm_base, static_cast<std::int32_t>(window.window_end()));
  pipeline.set_allow_preserved(allow_preserved);
  for (const auto& [address, byte] : bytes) {
    pipeline.set_current_address(address);
    pipeline.add_program_byte(byte);
  }
  PipelineRun run;
  run.blocks = pipeline.take_blocks();
  run.unreadable = pipeline.unreadable();
  run.oversized = pipeline.oversized();
  return run;
}

std::vector<std::pair<std::int32_t, std::uint8_t>> run_of(std::int32_t first, std::int32_t count, std::uint8_t value = 0xA5) {
  std::vector<std::pair<std::int32_t, std::uint8_t>> bytes;
  for (std::int64_t a = first; a < std::int64_t{first} + count; ++a) bytes.emplace_back(static_cast<std::int32_t>(a), value);
  return bytes;
}

std::vector<std::pair<std::int32_t, std::size_t>> shape(const PipelineRun& run) {
  std::vector<std::pair<std::int32_t, std::size_t>> result;
  for (const ProgramBlock& block : run.blocks) result.emplace_back(block.start, block.bytes.size());
  return result;
}

TEST(ProgramPipeline, BlockingMaskPadsToTheWholeUnitWithDeviceBytes) {
  BlockingRules rules = byte_rules();
  rules.blocking = true;
  rules.blocking_mask = 0x3F;
  FakeDevice device;
  const PipelineRun run = feed(module_at_8000(), rules, device, run_of(0x8005, 5));
  ASSERT_EQ(shape(run), (std::vector<std::pair<std::int32_t, std::size_t>>{{0x8000, 64}}));
  const std::vector<std::uint8_t>& bytes = run.blocks[0].bytes;
  EXPECT_EQ(bytes[0], 0x00);
  EXPECT_EQ(bytes[4], 0x04);
  for (int i = 5; i <= 9; ++i) EXPECT_EQ(bytes[static_cast<std::size_t>(i)], 0xA5);
  EXPECT_EQ(bytes[10], 0x0A);
  EXPECT_EQ(bytes[63], 0x3F);
}

TEST(ProgramPipeline, BoundaryMaskSplitsAtTheBoundary) {
  BlockingRules rules = byte_rules();
  rules.boundary = true;
  rules.boundary_mask = 0xFFFFFF00;
  FakeDevice device;
  const PipelineRun run = feed(module_at_8000(), rules, device, run_of(0x80F0, 0x20));
  EXPECT_EQ(shape(run), (std::vector<std::pair<std::int32_t, std::size_t>>{{0x80F0, 16}, {0x8100, 16}}));
}

TEST(ProgramPipeline, RamBufferSplitsAContiguousRun) {
  FakeDevice device;
  const PipelineRun run = feed(module_at_8000(), byte_rules(256), device, run_of(0x9000, 1000));
  EXPECT_EQ(shape(run), (std::vector<std::pair<std::int32_t, std::size_t>>{
                            {0x9000, 256}, {0x9100, 256}, {0x9200, 256}, {0x9300, 232}}));
}

TEST(ProgramPipeline, HardCapHoldsEvenWithALargerBuffer) {
  FakeDevice device;
  const PipelineRun run = feed(module_at_8000(), byte_rules(4096), device, run_of(0x9000, 1600));
  EXPECT_EQ(shape(run), (std::vector<std::pair<std::int32_t, std::size_t>>{{0x9000, 1536}, {0x9600, 64}}));
}

TEST(ProgramPipeline, GapInsideAUnitIsFilledAndAGapIntoTheNextUnitCloses) {
  BlockingRules rules = byte_rules();
  rules.blocking = true;
  rules.blocking_mask = 0x3F;
  FakeDevice device;
  auto bytes = run_of(0x8000, 4);
  const auto after_gap = run_of(0x8007, 2);
  bytes.insert(bytes.end(), after_gap.begin(), after_gap.end());
  PipelineRun run = feed(module_at_8000(), rules, device, bytes);
  ASSERT_EQ(shape(run), (std::vector<std::pair<std::int32_t, std::size_t>>{{0x8000, 64}}));
  EXPECT_EQ(run.blocks[0].bytes[4], 0x04);
  EXPECT_EQ(run.blocks[0].bytes[7], 0xA5);

  auto split = run_of(0x8030, 4);
  const auto next_unit = run_of(0x8045, 2);
  split.insert(split.end(), next_unit.begin(), next_unit.end());
  run = feed(module_at_8000(), rules, device, split);
  EXPECT_EQ(shape(run), (std::vector<std::pair<std::int32_t, std::size_t>>{{0x8000, 64}, {0x8040, 64}}));
}

TEST(ProgramPipeline, WordRoutineWithoutByteRoutineKeepsBlocksOnEvenAddresses) {
  BlockingRules rules;
  rules.has_word_routine = true;
  rules.blocking = true;
  rules.blocking_mask = 1;
  rules.ram_buffer_size = 256;
  FakeDevice device;
  const PipelineRun run = feed(module_at_8000(), rules, device, run_of(0x8003, 4));
  EXPECT_EQ(shape(run), (std::vector<std::pair<std::int32_t, std::size_t>>{{0x8002, 6}}));
}

TEST(ProgramPipeline, DropsBytesOutsideTheRangeTheModuleAndPreservedRanges) {
  ModuleWindow window = module_at_8000();
  window.module_ranges = {{0x0000, 0x00FF}, {0x0200, 0x02FF}};
  window.preserve_ranges = {{0x0210, 0x021F}};
  FakeDevice device;
  const PipelineRun run = feed(window, byte_rules(), device, run_of(0x80F8, 0x130));
  EXPECT_EQ(shape(run), (std::vector<std::pair<std::int32_t, std::size_t>>{{0x80F8, 8}, {0x8200, 16}, {0x8220, 8}}));

  const PipelineRun kept = feed(window, byte_rules(), device, run_of(0x8208, 0x20), true);
  EXPECT_EQ(shape(kept), (std::vector<std::pair<std::int32_t, std::size_t>>{{0x8208, 0x20}}));
}

TEST(ProgramPipeline, ObjectAddressesMapToTheModuleStartForPadding) {
  ModuleWindow window;
  window.cm_base = 0x0000;
  window.module_start = 0xC000;
  window.module_size = 0x4000;
  BlockingRules rules = byte_rules();
  rules.blocking = true;
  rules.blocking_mask = 0x7;
  FakeDevice device;
  const PipelineRun run = feed(window, rules, device, run_of(0x0003, 1));
  ASSERT_EQ(shape(run), (std::vector<std::pair<std::int32_t, std::size_t>>{{0x0000, 8}}));
  EXPECT_EQ(device.reads.front(), 0xC000u);
}

TEST(ProgramPipeline, UnreadablePaddingStopsAndOutsideObjectRangesPadsAsErased) {
  BlockingRules rules = byte_rules();
  rules.blocking = true;
  rules.blocking_mask = 0x3;
  FakeDevice device;
  device.overrides[0x8001] = outside_object_ranges;
  PipelineRun run = feed(module_at_8000(), rules, device, run_of(0x8002, 1));
  ASSERT_EQ(run.blocks.size(), 1u);
  EXPECT_EQ(run.blocks[0].bytes, (std::vector<std::uint8_t>{0x00, 0xFF, 0xA5, 0x03}));

  device.overrides[0x8003] = unreadable_target_byte;
  run = feed(module_at_8000(), rules, device, run_of(0x8002, 1));
  EXPECT_TRUE(run.unreadable);
  EXPECT_TRUE(run.blocks.empty());
}

TEST(ProgramPipeline, PaddingStopsWhereABlockWouldOutgrowTheBuffer) {
  BlockingRules rules = byte_rules(100);
  rules.blocking = true;
  rules.blocking_mask = 0x3F;
  FakeDevice device;
  // 100 bytes fill the buffer; the unit would need 28 more.
  PipelineRun run = feed(module_at_8000(), rules, device, run_of(0x8000, 100));
  EXPECT_TRUE(run.oversized);

  // A unit of the whole address space would pad from address 0 and fill a gap of any width.
  rules.blocking_mask = 0xFFFFFFFF;
  device.reads.clear();
  run = feed(module_at_8000(), rules, device, run_of(0x9000, 1));
  EXPECT_TRUE(run.oversized);
  EXPECT_LE(device.reads.size(), 100u);
}

TEST(ProgramPipeline, TheHighestAddressDoesNotOverflow) {
  ModuleWindow window;
  window.cm_base = 0x7FFFFF00;
  window.module_start = 0x8000;
  window.module_size = 0x100;
  FakeDevice device;
  const PipelineRun run = feed(window, byte_rules(), device, run_of(0x7FFFFFFE, 2));
  EXPECT_EQ(shape(run), (std::vector<std::pair<std::int32_t, std::size_t>>{{0x7FFFFFFE, 2}}));
}

}  // namespace
}  // namespace vx::programmer
