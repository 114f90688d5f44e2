#include "programmer/command_ranges.h"

#include <gtest/gtest.h>

#include <vector>

namespace vx::programmer {
namespace {

ModuleWindow window_8000() {
  ModuleWindow window;
  window.cm_base = 0x8000;
  window.module_start = 0x8000;
  window.module_size = 0x8000;
  return window;
}

std::int32_t result_of(const RangeCheck& check) { return check ? check->result : 0; }

TEST(CommandRanges, WindowStartAndEnd) {
  const ModuleWindow window = window_8000();
  EXPECT_EQ(result_of(check_window_start(window, 0x8000)), 0);
  EXPECT_EQ(result_of(check_window_start(window, 0x7FFF)), 6);
  EXPECT_EQ(result_of(check_window_start(window, 0x10000)), 6);
  EXPECT_EQ(result_of(check_window_end(window, 0x9000, 0x9000)), 0);
  EXPECT_EQ(result_of(check_window_end(window, 0x9000, 0x8FFF)), 7);
  EXPECT_EQ(result_of(check_window_end(window, 0x9000, 0x10000)), 7);
  EXPECT_EQ(check_window_end(window, 0x9000, 0x8FFF)->message,
            "Ending address is not in module or is less than starting address.");
}

TEST(CommandRanges, EraseRangeTestsInTheirOrder) {
  ModuleWindow window = window_8000();
  window.module_ranges = {{0x0000, 0x0FFF}, {0x2000, 0x2FFF}};
  struct Case {
    std::int32_t start, end;
    bool word;
    std::int32_t result;
    const char* message;
  };
  const std::vector<Case> cases{
      {0x8000, 0x8FFF, false, 0, ""},
      {0x8101, 0x8200, true, 28, "Word erase starting address must be even."},
      {0x8100, 0x8201, true, 29, "Word erase ending address must be even."},
      {0x8101, 0x8100, true, 28, "Word erase starting address must be even."},
      {0x9000, 0xA000, false, 6, "Address range not in module."},
      {0x8000, 0x9000, false, 7, "Address range not in module."},
      {0x8F00, 0xA100, false, 7, "Erase range is not contiguous memory."},
      {0x7000, 0x8000, false, 6, "Starting address is not in module."},
  };
  for (const Case& c : cases) {
    RangeCheck check = check_erase_start(window, c.start, c.word);
    if (!check) check = check_erase_end(window, c.start, c.end, c.word);
    EXPECT_EQ(result_of(check), c.result) << std::hex << c.start << "-" << c.end;
    if (check) {
      EXPECT_EQ(check->message, c.message);
    }
  }
}

// Up to 0xFFFF bytes stay one call; beyond, the module ranges are cut at each page and window end.
TEST(CommandRanges, RoutinePiecesOfALargeSpan) {
  ModuleWindow window;
  window.cm_base = 0x10B0;
  window.module_start = 0x10B0;
  EXPECT_EQ(routine_pieces(window, 0x10B0, 0xEF50, {0x8000, 0xC000}), (std::vector<DevicePiece>{{0x10B0, 0xEF50}}));
  EXPECT_EQ(routine_pieces(window, 0xF000, 0x12000, {}),
            (std::vector<DevicePiece>{{0xF000, 0x1000}, {0x10000, 0x10000}, {0x20000, 0x1000}}));
  // Module ranges given out of order, one of them outside the span.
  window.module_ranges = {{0x16F50, 0x1AF4F}, {0, 0x74F}, {0x8B0, 0xEF4F}, {0x30000, 0x30010}};
  EXPECT_EQ(routine_pieces(window, 0x10B0, 0x1AF50, {0x8000, 0xC000}),
            (std::vector<DevicePiece>{{0x10B0, 0x750}, {0x1960, 0x66A0}, {0x8000, 0x4000}, {0xC000, 0x4000},
                                      {0x18000, 0x4000}}));
}

TEST(CommandRanges, ShowRangeAllowsAWindowBelowTheModuleStartOnlyAboveDeviceZero) {
  ModuleWindow window;
  window.cm_base = 0x1000;
  window.module_start = 0x0800;
  window.module_size = 0x100;
  EXPECT_EQ(result_of(check_show_range(window, 0x1000, 0x10FF)), 0);
  EXPECT_EQ(result_of(check_show_range(window, 0x0800, 0x10FF)), 0);
  EXPECT_EQ(result_of(check_show_range(window, 0x07FF, 0x10FF)), 6);
  EXPECT_EQ(result_of(check_show_range(window, 0x1000, 0x1100)), 7);
  EXPECT_EQ(result_of(check_show_range(window, 0x1010, 0x100F)), 7);
}

TEST(CommandRanges, RoutineSizesFromSixtyFourKilobytesAreRefused) {
  EXPECT_EQ(result_of(check_routine_size(0xFFFF)), 0);
  const RangeCheck refused = check_routine_size(0x10000);
  EXPECT_EQ(result_of(refused), 63);
  EXPECT_EQ(refused->message, "Range of $00010000 bytes is larger than the algorithm routines can take.");
}

}  // namespace
}  // namespace vx::programmer
