#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "algorithm_target.h"

namespace vx::sim::test {
namespace {

constexpr std::uint16_t kModuleStart = 0x10B0, kModuleSize = 0xEF50;
constexpr std::uint16_t kFcdiv = 0x1820, kFprot = 0x1824, kNvopt = 0xFFBF;
constexpr std::uint8_t kLastTwoPagesProtected = 0xFC;  // FPROT: 0xFE00-0xFFFF
// Results: FSTAT's error bits, or the routines' own code for an argument they cannot serve.
constexpr std::uint16_t kArgumentError = 0x01, kAccessError = 0x10, kProtectionError = 0x20;
constexpr std::uint16_t kNotBlank = 0x01;

struct Variant {
  const char* file;
  int program, blank_check, erase_range;
};
const Variant kByteRoutines{"SIM60_BYTE.S8P", entry::kProgramBytes, entry::kBlankBytes, entry::kEraseBytes};
const Variant kWordRoutines{"SIM60_WORD.S8P", entry::kProgramWords, entry::kBlankWords, entry::kEraseWords};
const Variant kVariants[] = {kByteRoutines, kWordRoutines};

TEST(AlgorithmRoutines, EntryTablesOfTheVariants) {
  struct Case {
    const char* file;
    std::uint32_t buffer_size, module_size;
    std::set<int> routines;
  };
  const std::set<int> byte_routines = {entry::kBlankBytes,    entry::kEraseBytes,    entry::kEraseModule,
                                       entry::kProgramBytes,  entry::kModuleEnable, entry::kUser};
  std::set<int> with_pages = byte_routines;
  with_pages.insert({entry::kPageSelect, entry::kPageRestore});
  const Case cases[] = {
      {"SIM60_BYTE.S8P", 512, kModuleSize, byte_routines},
      {"SIM60_WORD.S8P", 512, kModuleSize,
       {entry::kBlankWords, entry::kEraseWords, entry::kEraseModule, entry::kProgramWords, entry::kModuleEnable,
        entry::kUser}},
      {"SIM60_BUFFER256.S8P", 256, kModuleSize, byte_routines},
      {"SIM60_BUFFER32.S8P", 32, kModuleSize, byte_routines},
      {"SIM60_ENABLE_FAILS.S8P", 512, kModuleSize, byte_routines},
      {"SIM60_PAGED.S8P", 512, 0x1AF50, byte_routines},  // on to 0x1BFFF
      {"SIM60_PAGE_ROUTINES.S8P", 512, kModuleSize, with_pages},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    AlgorithmTarget a(c.file);
    const Hcs08Image::Chunk& last_record = a.routine().chunks.back();
    const std::uint32_t routine_end = last_record.address + last_record.bytes.size();
    EXPECT_EQ(a.entry(entry::kParams), 0x00B0u);
    EXPECT_GE(a.entry(entry::kBuffer), routine_end);
    EXPECT_EQ(a.entry(entry::kBufferSize), c.buffer_size);
    EXPECT_LE(a.entry(entry::kBuffer) + c.buffer_size, 0x10B0u);  // in RAM
    EXPECT_EQ(a.entry(entry::kModuleStart), kModuleStart);
    EXPECT_EQ(a.entry(entry::kModuleSize), c.module_size);
    for (int n = entry::kBlankBytes; n <= entry::kUser; ++n) {
      if (c.routines.contains(n)) {
        EXPECT_GT(a.entry(n), a.base()) << n;
        EXPECT_LT(a.entry(n), routine_end) << n;
      } else {
        EXPECT_EQ(a.entry(n), 0u) << n;
      }
    }
  }
}

TEST(AlgorithmRoutines, ModuleEnableSetsTheDividerOnce) {
  AlgorithmTarget a("SIM60_BYTE.S8P");
  AlgorithmTarget::Result r = a.enable();
  EXPECT_TRUE(r.stopped);
  EXPECT_EQ(r.hx, 0);
  EXPECT_EQ(a.t.read(kFcdiv), 0x80 | Target::kDivider);  // DIVLD and the divider

  r = a.call(entry::kModuleEnable, 0, 0, 0, Target::kDivider);
  EXPECT_EQ(r.hx, 0);  // the same divider again
  r = a.call(entry::kModuleEnable, 0, 0, 0, 0x2C);
  EXPECT_TRUE(r.stopped);
  EXPECT_EQ(r.hx, 0x80 | Target::kDivider);  // locked at the first value, which the routine reports
}

TEST(AlgorithmRoutines, FailingModuleEnableLeavesTheDividerUnset) {
  AlgorithmTarget a("SIM60_ENABLE_FAILS.S8P");
  const AlgorithmTarget::Result r = a.enable();
  EXPECT_TRUE(r.stopped);
  EXPECT_NE(r.hx, 0);
  EXPECT_EQ(a.t.read(kFcdiv), 0);
}

TEST(AlgorithmRoutines, ProgramWritesTheRamBufferIntoFlash) {
  for (const Variant& v : kVariants) {
    SCOPED_TRACE(v.file);
    AlgorithmTarget a(v.file);
    ASSERT_EQ(a.enable().hx, 0);
    std::vector<std::uint8_t> data(64);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 37 + 1);
    a.fill_buffer(data);
    const auto buffer = static_cast<std::uint16_t>(a.entry(entry::kBuffer));
    const AlgorithmTarget::Result r = a.call(v.program, buffer, 0xE000, 64);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.hx, 0);
    for (std::size_t i = 0; i < data.size(); ++i) EXPECT_EQ(a.t.mcu.peek(static_cast<std::uint16_t>(0xE000 + i)), data[i]);
    EXPECT_EQ(a.t.mcu.peek(0xDFFF), 0xFF);
    EXPECT_EQ(a.t.mcu.peek(0xE040), 0xFF);

    // The last bytes below the high-page registers.
    a.fill_buffer({0x11, 0x22});
    EXPECT_EQ(a.call(v.program, buffer, 0x17FE, 2).hx, 0);
    EXPECT_EQ(a.t.mcu.peek(0x17FE), 0x11);
    EXPECT_EQ(a.t.mcu.peek(0x17FF), 0x22);

    EXPECT_EQ(a.call(v.program, buffer, 0xE100, 0).hx, 0);
    EXPECT_EQ(a.t.mcu.peek(0xE100), 0xFF);
  }
}

TEST(AlgorithmRoutines, ProgramReportsWhatItCannotWrite) {
  struct Case {
    const char* name;
    const Variant* variant;
    bool enabled;
    bool protect;
    std::uint16_t address, length, high;
    std::uint16_t result;
  };
  const Case cases[] = {
      {"no divider", &kByteRoutines, false, false, 0xE000, 4, 0, kAccessError},
      {"no divider, words", &kWordRoutines, false, false, 0xE000, 4, 0, kAccessError},
      {"protected page", &kByteRoutines, true, true, 0xFE00, 4, 0, kProtectionError},
      {"above 64 KB", &kByteRoutines, true, false, 0xE000, 4, 0x0001, kArgumentError},
      {"past 0xFFFF", &kByteRoutines, true, false, 0xFFFE, 4, 0, kArgumentError},
      {"odd address", &kWordRoutines, true, false, 0xE001, 2, 0, kArgumentError},
      {"odd length", &kWordRoutines, true, false, 0xE000, 3, 0, kArgumentError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AlgorithmTarget a(c.variant->file);
    if (c.enabled) {
      ASSERT_EQ(a.enable().hx, 0);
    }
    if (c.protect) a.t.write(kFprot, kLastTwoPagesProtected);
    a.fill_buffer({0x00, 0x00, 0x00, 0x00});
    const AlgorithmTarget::Result r =
        a.call(c.variant->program, static_cast<std::uint16_t>(a.entry(entry::kBuffer)), c.address, c.length, 0, c.high);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.hx, c.result);
    EXPECT_TRUE(a.flash_bytes_are(c.address, static_cast<std::uint16_t>(std::min(0xFFFF, c.address + 3)), 0xFF));
  }
}

TEST(AlgorithmRoutines, ProgramStopsAtTheHighPageRegisters) {
  AlgorithmTarget a("SIM60_BYTE.S8P");
  ASSERT_EQ(a.enable().hx, 0);
  a.fill_buffer({0x00, 0x00, 0x03, 0x03});
  const AlgorithmTarget::Result r = a.call(entry::kProgramBytes, static_cast<std::uint16_t>(a.entry(entry::kBuffer)),
                                           0x17FE, 4);
  EXPECT_EQ(r.hx, kArgumentError);
  EXPECT_EQ(a.t.mcu.peek(0x17FE), 0x00);
  EXPECT_EQ(a.t.mcu.peek(0x17FF), 0x00);
}

TEST(AlgorithmRoutines, PagedProgramShowsThePageInTheWindowWhileItWrites) {
  AlgorithmTarget a("SIM60_PAGED.S8P");
  ASSERT_EQ(a.enable().hx, 0);
  a.t.write(AlgorithmTarget::kPpage, 0x02);
  a.fill_buffer({0x12, 0x34, 0x56, 0x78});
  const auto buffer = static_cast<std::uint16_t>(a.entry(entry::kBuffer));
  a.start(entry::kProgramBytes, buffer, 0x8000, 4, 0, 0x0001);  // 0x18000: page 1 at 0x8000
  std::set<std::uint8_t> pages;
  for (int i = 0; i < 100 && a.t.mcu.state() == RunState::Running; ++i) {
    pages.insert(a.t.read(AlgorithmTarget::kPpage));
    a.t.mcu.run_for_ns(10'000);
  }
  const AlgorithmTarget::Result r = a.wait();
  EXPECT_EQ(r.hx, 0);
  EXPECT_TRUE(pages.contains(0x01));
  EXPECT_EQ(a.t.read(AlgorithmTarget::kPpage), 0x02);  // put back
  EXPECT_EQ(a.t.mcu.peek(0x8000), 0x12);  // the simulated part has no pages behind the window
  EXPECT_EQ(a.t.mcu.peek(0x8003), 0x78);

  // Only the window has pages; no address has more than 24 bits.
  EXPECT_EQ(a.call(entry::kProgramBytes, buffer, 0xC000, 4, 0, 0x0001).hx, kArgumentError);
  EXPECT_EQ(a.call(entry::kProgramBytes, buffer, 0x8000, 4, 0, 0x0100).hx, kArgumentError);
  EXPECT_EQ(a.t.read(AlgorithmTarget::kPpage), 0x02);
  EXPECT_TRUE(a.flash_bytes_are(0xC000, 0xC003, 0xFF));
}

TEST(AlgorithmRoutines, BlankCheckOfErasedRangesPasses) {
  struct Range {
    std::uint16_t start, size;
  };
  const Range ranges[] = {
      {0xE000, 0x100},
      {kModuleStart, kModuleSize},
      {0x17F0, 0x180},  // over the high-page registers, which are skipped
      {0xE000, 0},
  };
  for (const Variant& v : kVariants) {
    AlgorithmTarget a(v.file);
    a.t.mcu.poke(kNvopt, 0xFF);  // erased; the part took its unsecured value at reset
    for (const Range& range : ranges) {
      SCOPED_TRACE(std::string(v.file) + " " + std::to_string(range.start) + "+" + std::to_string(range.size));
      const AlgorithmTarget::Result r = a.call(v.blank_check, 0, range.start, range.size);
      EXPECT_TRUE(r.stopped);
      EXPECT_EQ(r.word4, 0);
    }
  }
}

TEST(AlgorithmRoutines, BlankCheckPointsPastTheFirstByteOrWordNotErased) {
  struct Case {
    const Variant* variant;
    std::uint16_t programmed, start, size;
    bool blank;
    std::uint16_t hx;  // first not erased + 1 (bytes) or + 2 (words)
  };
  const Case cases[] = {
      {&kByteRoutines, 0xE005, 0xE000, 0x100, false, 0xE006},
      {&kWordRoutines, 0xE005, 0xE000, 0x100, false, 0xE006},
      {&kWordRoutines, 0xE004, 0xE000, 0x100, false, 0xE006},
      {&kByteRoutines, 0xE000, 0xE000, 0x100, false, 0xE001},
      {&kByteRoutines, 0xE0FF, 0xE000, 0x100, false, 0xE100},
      {&kWordRoutines, 0xE0FF, 0xE000, 0x100, false, 0xE100},
      {&kByteRoutines, 0xE100, 0xE000, 0x100, true, 0},
      {&kByteRoutines, 0xDFFF, 0xE000, 0x100, true, 0},
      {&kByteRoutines, 0x1960, 0x17F0, 0x180, false, 0x1961},
      {&kByteRoutines, 0x10B0, kModuleStart, kModuleSize, false, 0x10B1},
      {&kByteRoutines, 0xFFFF, kModuleStart, kModuleSize, false, 0x0000},  // H:X wraps past the last byte
      {&kWordRoutines, 0xFFFF, kModuleStart, kModuleSize, false, 0x0000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.variant->file) + " " + std::to_string(c.programmed));
    AlgorithmTarget a(c.variant->file);
    a.t.mcu.poke(kNvopt, 0xFF);
    a.t.mcu.poke(c.programmed, 0x7F);
    const AlgorithmTarget::Result r = a.call(c.variant->blank_check, 0, c.start, c.size);
    EXPECT_TRUE(r.stopped);
    if (c.blank) {
      EXPECT_EQ(r.word4, 0);
    } else {
      EXPECT_EQ(r.word4, kNotBlank);
      EXPECT_EQ(r.hx, c.hx);
    }
  }
}

TEST(AlgorithmRoutines, BlankCheckRefusesARangePastTheEndOfMemory) {
  for (const Variant& v : kVariants) {
    AlgorithmTarget a(v.file);
    EXPECT_NE(a.call(v.blank_check, 0, 0xFFF0, 0x20).word4, 0) << v.file;
  }
}

TEST(AlgorithmRoutines, EraseRangeClearsExactlyTheTouchedPages) {
  struct Case {
    std::uint16_t start, size;
    std::vector<std::uint16_t> erased, kept;
  };
  const Case cases[] = {
      {0x8100, 0x200, {0x8000, 0x81FF, 0x8200, 0x83FF}, {0x7FFF, 0x8400}},
      {0x8000, 0x2, {0x8000, 0x81FF}, {0x7FFF, 0x8200}},
      {0x17F0, 0x180, {0x1600, 0x17FF, 0x1960, 0x19FF}, {0x15FF, 0x1A00}},  // over the high-page registers
      {0xFE00, 0x200, {0xFE00, 0xFFFF}, {0xFDFF}},
      {0x8000, 0, {}, {0x8000}},
  };
  for (const Variant& v : kVariants) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(v.file) + " " + std::to_string(c.start) + "+" + std::to_string(c.size));
      AlgorithmTarget a(v.file);
      ASSERT_EQ(a.enable().hx, 0);
      for (const std::uint16_t address : c.erased) a.t.mcu.poke(address, 0x00);
      for (const std::uint16_t address : c.kept) a.t.mcu.poke(address, 0x00);
      const AlgorithmTarget::Result r = a.call(v.erase_range, 0, c.start, c.size);
      EXPECT_TRUE(r.stopped);
      EXPECT_EQ(r.word4, 0);
      for (const std::uint16_t address : c.erased) EXPECT_EQ(a.t.mcu.peek(address), 0xFF) << address;
      for (const std::uint16_t address : c.kept) EXPECT_EQ(a.t.mcu.peek(address), 0x00) << address;
    }
  }
}

TEST(AlgorithmRoutines, EraseRangeReportsWhatItCannotErase) {
  struct Case {
    const char* name;
    const Variant* variant;
    bool enabled;
    bool protect;
    std::uint16_t start, size;
    std::uint16_t result;
  };
  const Case cases[] = {
      {"no divider", &kByteRoutines, false, false, 0xE000, 2, kAccessError},
      {"protected page", &kByteRoutines, true, true, 0xFE00, 2, kProtectionError},
      {"protected page, words", &kWordRoutines, true, true, 0xFE00, 2, kProtectionError},
      {"past 0xFFFF", &kByteRoutines, true, false, 0xFFFE, 4, kArgumentError},
      {"odd start", &kWordRoutines, true, false, 0xE001, 2, kArgumentError},
      {"odd size", &kWordRoutines, true, false, 0xE000, 3, kArgumentError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AlgorithmTarget a(c.variant->file);
    if (c.enabled) {
      ASSERT_EQ(a.enable().hx, 0);
    }
    if (c.protect) a.t.write(kFprot, kLastTwoPagesProtected);
    a.t.mcu.poke(c.start, 0x00);
    const AlgorithmTarget::Result r = a.call(c.variant->erase_range, 0, c.start, c.size);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.word4, c.result);
    EXPECT_EQ(a.t.mcu.peek(c.start), 0x00);
  }
}

TEST(AlgorithmRoutines, EraseModuleClearsAllFlash) {
  AlgorithmTarget a("SIM60_BYTE.S8P");
  ASSERT_EQ(a.enable().hx, 0);
  for (const std::uint16_t address : {0x10B0, 0x17FF, 0x1960, 0x8000, 0xFFBF, 0xFFFF}) a.t.mcu.poke(address, 0x00);
  const AlgorithmTarget::Result r = a.call(entry::kEraseModule, 0, kModuleStart, kModuleSize);
  EXPECT_TRUE(r.stopped);
  EXPECT_EQ(r.word4, 0);
  EXPECT_TRUE(a.flash_bytes_are(0x10B0, 0x17FF, 0xFF));
  EXPECT_TRUE(a.flash_bytes_are(0x1960, 0xFFFF, 0xFF));
}

TEST(AlgorithmRoutines, EraseModuleReportsWhatStopsIt) {
  struct Case {
    const char* name;
    bool enabled;
    bool protect;
    std::uint16_t start;
    std::uint16_t result;
  };
  const Case cases[] = {
      {"no divider", false, false, kModuleStart, kAccessError},
      {"a protected page", true, true, kModuleStart, kProtectionError},
      {"no flash at the start", true, false, 0x1800, kArgumentError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AlgorithmTarget a("SIM60_WORD.S8P");
    if (c.enabled) {
      ASSERT_EQ(a.enable().hx, 0);
    }
    if (c.protect) a.t.write(kFprot, kLastTwoPagesProtected);
    a.t.mcu.poke(0x8000, 0x00);
    const AlgorithmTarget::Result r = a.call(entry::kEraseModule, 0, c.start, kModuleSize);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.word4, c.result);
    EXPECT_EQ(a.t.mcu.peek(0x8000), 0x00);
  }
}

TEST(AlgorithmRoutines, UserCommandErasesThePageAtTheOffsetFromTheModuleStart) {
  struct Case {
    const char* name;
    bool protect;
    std::uint32_t parameter;
    std::uint16_t result;
    std::uint16_t erased, kept;  // 0: none
  };
  const Case cases[] = {
      {"first page", false, 0x000000, 0, 0x10B0, 0x1200},
      {"offset", false, 0x000200, 0, 0x13FF, 0x1400},
      {"high-page registers", false, 0x000750, kArgumentError, 0, 0x1960},
      {"past 0xFFFF", false, 0x00F000, kArgumentError, 0, 0},
      {"above 16 bits", false, 0x010200, kArgumentError, 0, 0x12B0},
      {"protected page", true, 0x00EF00, kProtectionError, 0, 0xFFB0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AlgorithmTarget a("SIM60_USER_PARAM.S8P");
    ASSERT_EQ(a.enable().hx, 0);
    if (c.protect) a.t.write(kFprot, kLastTwoPagesProtected);
    if (c.erased != 0) a.t.mcu.poke(c.erased, 0x00);
    if (c.kept != 0) a.t.mcu.poke(c.kept, 0x00);
    const AlgorithmTarget::Result r =
        a.call(entry::kUser, static_cast<std::uint16_t>(a.entry(entry::kBuffer)), kModuleStart, 0,
               static_cast<std::uint8_t>(c.parameter >> 16), static_cast<std::uint16_t>(c.parameter));
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.hx, c.result);
    if (c.erased != 0) {
      EXPECT_EQ(a.t.mcu.peek(c.erased), 0xFF);
    }
    if (c.kept != 0) {
      EXPECT_EQ(a.t.mcu.peek(c.kept), 0x00);
    }
  }
}

TEST(AlgorithmRoutines, PageSelectShowsTheLinearPageInTheWindowAndRestoreTakesItBack) {
  struct Case {
    std::uint16_t address;
    std::uint8_t selected;
  };
  const Case cases[] = {{0x8000, 0x02}, {0xBFFF, 0x02}, {0x7FFF, 0x05}, {0xC000, 0x05}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    AlgorithmTarget a("SIM60_PAGE_ROUTINES.S8P");
    a.t.write(AlgorithmTarget::kPpage, 0x05);
    AlgorithmTarget::Result r = a.call(entry::kPageSelect, 0, c.address, 0);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(a.t.read(AlgorithmTarget::kPpage), c.selected);
    r = a.call(entry::kPageRestore, 0, 0, 0);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(a.t.read(AlgorithmTarget::kPpage), 0x05);
  }
}

}  // namespace
}  // namespace vx::sim::test
