#include <gtest/gtest.h>

#include "hcs08_target.h"

namespace vx::sim::test {
namespace {

using namespace flash;

constexpr std::uint16_t kPage = 0xC000;

TEST(FlashController, MassEraseLeavesEveryFlashByteErased) {
  Target t;
  for (std::uint16_t a : {0x10B0, 0x17FF, 0x1960, 0x8000, 0xFFFE}) t.mcu.poke(a, 0x12);
  t.write(Target::kFcdiv, Target::kDivider);
  t.flash_command(0x8000, 0x00, kMassErase);
  ASSERT_TRUE(t.wait_for_completion());
  EXPECT_EQ(t.read(Target::kFstat) & (kFaccerr | kFpviol), 0);
  for (const AddressRange& range : t.mcu.config().flash) {
    for (std::uint32_t a = range.first; a <= range.last; ++a) ASSERT_EQ(t.read(static_cast<std::uint16_t>(a)), 0xFF);
  }
}

TEST(FlashController, ByteProgramAndsIntoTheCell) {
  Target t;
  t.write(Target::kFcdiv, Target::kDivider);
  t.flash_command(0x9000, 0xF0, kByteProgram);
  ASSERT_TRUE(t.wait_for_completion());
  t.flash_command(0x9000, 0x3C, kByteProgram);
  ASSERT_TRUE(t.wait_for_completion());
  EXPECT_EQ(t.read(0x9000), 0x30);
}

TEST(FlashController, CommandsTakeTheirTimeOnTheFlashClock) {
  struct Case {
    std::uint8_t code;
    std::uint64_t flash_cycles;
  };
  for (const Case c : {Case{kByteProgram, kByteProgramCycles}, Case{kPageErase, kPageEraseCycles},
                       Case{kMassErase, kMassEraseCycles}}) {
    Target t;
    t.write(Target::kFcdiv, Target::kDivider);
    t.flash_command(kPage, 0x00, c.code);
    const std::uint64_t started = t.mcu.cycles();
    const std::uint64_t needed = c.flash_cycles * Target::kPrescaler;
    while (t.mcu.cycles() - started < needed - 1) {
      ASSERT_EQ(t.read(Target::kFstat) & kFccf, 0) << int(c.code);
      t.mcu.run_for_ns(std::max<std::uint64_t>(1, (needed - 1 - (t.mcu.cycles() - started)) * 100));
    }
    EXPECT_EQ(t.read(Target::kFstat) & kFccf, 0);
    t.mcu.run_for_ns(1'000);
    EXPECT_NE(t.read(Target::kFstat) & kFccf, 0);
  }
}

TEST(FlashController, PageEraseClearsOneAlignedPage) {
  Target t;
  for (std::uint16_t a : {0xBFFF, 0xC000, 0xC1FF, 0xC200}) t.mcu.poke(a, 0x00);
  t.write(Target::kFcdiv, Target::kDivider);
  t.flash_command(0xC123, 0x00, kPageErase);
  ASSERT_TRUE(t.wait_for_completion());
  EXPECT_EQ(t.read(0xBFFF), 0x00);
  EXPECT_EQ(t.read(0xC000), 0xFF);
  EXPECT_EQ(t.read(0xC1FF), 0xFF);
  EXPECT_EQ(t.read(0xC200), 0x00);
}

TEST(FlashController, BurstCommandsQueueBehindTheRunningOne) {
  Target t;
  t.write(Target::kFcdiv, Target::kDivider);
  t.flash_command(0xA000, 0x11, kBurstProgram);
  EXPECT_NE(t.read(Target::kFstat) & kFcbef, 0);  // the buffer took the command into the array
  t.flash_command(0xA001, 0x22, kBurstProgram);
  EXPECT_EQ(t.read(Target::kFstat) & (kFcbef | kFccf), 0);
  ASSERT_TRUE(t.wait_for_completion());
  EXPECT_EQ(t.read(0xA000), 0x11);
  EXPECT_EQ(t.read(0xA001), 0x22);
}

// Each sequence breaks the command protocol and must leave FACCERR set and the array untouched.
TEST(FlashController, ProtocolViolationsSetTheAccessError) {
  struct Case {
    const char* what;
    void (*run)(Target&);
  };
  const Case cases[] = {
      {"launch without the divider", [](Target& t) { t.flash_command(0x9000, 0x00, kByteProgram); }},
      {"unknown command",
       [](Target& t) {
         t.write(Target::kFcdiv, Target::kDivider);
         t.flash_command(0x9000, 0x00, 0x21);
       }},
      {"second array write",
       [](Target& t) {
         t.write(Target::kFcdiv, Target::kDivider);
         t.write(0x9000, 0x00);
         t.write(0x9001, 0x00);
       }},
      {"second FCMD write",
       [](Target& t) {
         t.write(Target::kFcdiv, Target::kDivider);
         t.write(0x9000, 0x00);
         t.write(Target::kFcmd, kByteProgram);
         t.write(Target::kFcmd, kByteProgram);
       }},
      {"other register inside the sequence",
       [](Target& t) {
         t.write(Target::kFcdiv, Target::kDivider);
         t.write(0x9000, 0x00);
         t.write(Target::kFcnfg, 0x00);
       }},
      {"FCMD without an array write",
       [](Target& t) {
         t.write(Target::kFcdiv, Target::kDivider);
         t.write(Target::kFcmd, kByteProgram);
       }},
      {"launch before FCMD",
       [](Target& t) {
         t.write(Target::kFcdiv, Target::kDivider);
         t.write(0x9000, 0x00);
         t.write(Target::kFstat, kFcbef);
       }},
      {"0 to FCBEF cancels",
       [](Target& t) {
         t.write(Target::kFcdiv, Target::kDivider);
         t.write(0x9000, 0x00);
         t.write(Target::kFcmd, kByteProgram);
         t.write(Target::kFstat, 0x00);
       }},
      {"array write while busy",
       [](Target& t) {
         t.write(Target::kFcdiv, Target::kDivider);
         t.flash_command(0x9100, 0x00, kByteProgram);
         t.flash_command(0x9101, 0x00, kByteProgram);  // takes the buffer
         t.write(0x9000, 0x00);
       }},
  };
  for (const Case& c : cases) {
    Target t;
    c.run(t);
    t.mcu.run_for_ns(5'000'000);
    EXPECT_NE(t.read(Target::kFstat) & kFaccerr, 0) << c.what;
    EXPECT_EQ(t.read(0x9000), 0xFF) << c.what;
  }
}

TEST(FlashController, AccessErrorBlocksCommandsUntilCleared) {
  Target t;
  t.flash_command(0x9000, 0x00, kByteProgram);  // no divider yet
  t.write(Target::kFcdiv, Target::kDivider);
  t.flash_command(0x9000, 0x00, kByteProgram);
  t.mcu.run_for_ns(1'000'000);
  EXPECT_EQ(t.read(0x9000), 0xFF);
  t.write(Target::kFstat, kFaccerr);
  EXPECT_EQ(t.read(Target::kFstat) & kFaccerr, 0);
  t.flash_command(0x9000, 0x00, kByteProgram);
  ASSERT_TRUE(t.wait_for_completion());
  EXPECT_EQ(t.read(0x9000), 0x00);
}

TEST(FlashController, DividerIsWriteOnceUntilReset) {
  Target t;
  t.write(Target::kFcdiv, 0x05);
  t.write(Target::kFcdiv, 0x4A);
  EXPECT_EQ(t.read(Target::kFcdiv), kDivld | 0x05);
  t.mcu.reset(true);
  EXPECT_EQ(t.read(Target::kFcdiv), 0x00);
}

TEST(FlashController, ProtectedAddressSetsTheViolationAndIsNotProgrammed) {
  Target t;
  t.mcu.poke(t.mcu.config().nvprot, 0xF8);  // FPS 0x7C: 0xF9FF is the last unprotected address
  t.mcu.reset(true);
  EXPECT_EQ(t.read(Target::kFprot), 0xF8);
  t.write(Target::kFcdiv, Target::kDivider);
  t.flash_command(0xFA00, 0x00, kByteProgram);
  t.mcu.run_for_ns(1'000'000);
  EXPECT_NE(t.read(Target::kFstat) & kFpviol, 0);
  EXPECT_EQ(t.read(0xFA00), 0xFF);
  t.write(Target::kFstat, kFpviol);
  t.flash_command(0xF9FF, 0x00, kByteProgram);
  ASSERT_TRUE(t.wait_for_completion());
  EXPECT_EQ(t.read(Target::kFstat) & kFpviol, 0);
  EXPECT_EQ(t.read(0xF9FF), 0x00);
  t.flash_command(0x8000, 0x00, kMassErase);  // refused while any block is protected
  t.mcu.run_for_ns(200'000'000);
  EXPECT_NE(t.read(Target::kFstat) & kFpviol, 0);
  EXPECT_EQ(t.read(0xF9FF), 0x00);
}

TEST(FlashController, FprotIsWrittenOnlyOverTheDebugLink) {
  Target t;
  t.write(Target::kFprot, 0xF0);
  EXPECT_EQ(t.read(Target::kFprot), 0xF0);
  // A program in RAM writing FPROT changes nothing.
  t.write_block(0x0100, {0xA6, 0x00, 0xC7, 0x18, 0x24, 0x82});  // lda #0; sta FPROT; bgnd
  t.start_at(0x0100);
  t.mcu.run_for_ns(10'000);
  EXPECT_EQ(t.mcu.state(), RunState::Background);
  EXPECT_EQ(t.read(Target::kFprot), 0xF0);
}

TEST(FlashController, SecuredPartReadsZerosUntilABlankCheckOfTheErasedArray) {
  Target t(true);
  ASSERT_TRUE(t.mcu.secured());
  t.mcu.poke(0x0200, 0x5A);
  t.mcu.poke(0x9000, 0x33);
  EXPECT_EQ(t.read(0x0200), 0x00);
  EXPECT_EQ(t.read(0x9000), 0x00);
  t.write(0x0200, 0x11);
  EXPECT_EQ(t.mcu.peek(0x0200), 0x5A);
  EXPECT_EQ(t.read(Target::kFopt) & 0x03, 0x03);  // registers stay reachable

  // Program and page erase are refused over the debug link; mass erase and blank check are not.
  t.write(Target::kFcdiv, Target::kDivider);
  t.flash_command(0x9000, 0x00, kByteProgram);
  EXPECT_NE(t.read(Target::kFstat) & kFaccerr, 0);
  t.write(Target::kFstat, kFaccerr);
  t.flash_command(0x9000, 0x00, kMassErase);
  ASSERT_TRUE(t.wait_for_completion());
  EXPECT_EQ(t.mcu.peek(0x9000), 0xFF);
  EXPECT_TRUE(t.mcu.secured());
  t.flash_command(0x9000, 0x00, kBlankCheck);
  ASSERT_TRUE(t.wait_for_completion());
  EXPECT_NE(t.read(Target::kFstat) & kFblank, 0);
  EXPECT_FALSE(t.mcu.secured());
  EXPECT_EQ(t.read(0x0200), 0x5A);
  t.mcu.reset(true);
  EXPECT_TRUE(t.mcu.secured());  // the erased NVOPT secures the part again
}

TEST(FlashController, BlankCheckOfAProgrammedArrayLeavesThePartSecured) {
  Target t(true);
  t.mcu.poke(0xE000, 0x7F);
  t.write(Target::kFcdiv, Target::kDivider);
  t.flash_command(0x9000, 0x00, kBlankCheck);
  ASSERT_TRUE(t.wait_for_completion());
  EXPECT_EQ(t.read(Target::kFstat) & kFblank, 0);
  EXPECT_TRUE(t.mcu.secured());
}

TEST(FlashController, CpuProgramsFlashFromARoutineInRam) {
  Target t;
  // lda #$45; sta FCDIV; lda #$A5; sta $9000; lda #$20; sta FCMD; lda #$80; sta FSTAT;
  // wait: lda FSTAT; and #$40; beq wait; bgnd
  t.write_block(0x0100, {0xA6, 0x45, 0xC7, 0x18, 0x20, 0xA6, 0xA5, 0xC7, 0x90, 0x00, 0xA6, 0x20, 0xC7, 0x18,
                         0x26, 0xA6, 0x80, 0xC7, 0x18, 0x25, 0xC6, 0x18, 0x25, 0xA4, 0x40, 0x27, 0xF9, 0x82});
  t.start_at(0x0100);
  t.mcu.run_for_ns(1'000'000);
  EXPECT_EQ(t.mcu.state(), RunState::Background);
  EXPECT_EQ(t.read(0x9000), 0xA5);
}

}  // namespace
}  // namespace vx::sim::test
