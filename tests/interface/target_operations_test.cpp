#include "interface/target_operations.h"

#include <gtest/gtest.h>

#include "foundation/program_trace.h"
#include "foundation/run_state.h"
#include "tests/interface/target_bench.h"

namespace vx {
namespace {

using target_testing::BenchOptions;
using target_testing::Bytes;
using target_testing::counting;
using target_testing::Medium;
using target_testing::TargetBench;

class TargetOperations : public testing::TestWithParam<Medium> {};

// The data of the last block write: after the address, or the command after the cable's bare 7, 4.
Bytes block_data(const TargetBench& bench) {
  const std::vector<Bytes> commands = bench.sent();
  for (std::size_t i = commands.size(); i-- > 0;) {
    if (commands[i].size() < 2 || commands[i][0] != 7 || commands[i][1] != 4) continue;
    if (bench.medium() == Medium::parallel) return i + 1 < commands.size() ? commands[i + 1] : Bytes{};
    return Bytes(commands[i].begin() + 4, commands[i].end());
  }
  return {};
}

INSTANTIATE_TEST_SUITE_P(EveryMedium, TargetOperations, testing::ValuesIn(target_testing::every_medium),
                         [](const auto& param_info) { return target_testing::medium_name(param_info.param); });

TEST_P(TargetOperations, BytesWordsAndLongsRoundTripBigEndian) {
  TargetBench bench(GetParam());
  WRITE_DATA_BYTE(0x0100, 0xA5);
  WRITE_DATA_WORD(0x0102, 0x1234);
  WRITE_DATA_LONG(0x0104, 0xCAFEF00D);
  EXPECT_EQ(bench.ram(0x0100, 8), (Bytes{0xA5, 0x00, 0x12, 0x34, 0xCA, 0xFE, 0xF0, 0x0D}));
  EXPECT_EQ(READ_DATA_BYTE(0x0100), 0xA5);
  EXPECT_EQ(link_state().reply_word, 0xA5u);
  EXPECT_EQ(READ_DATA_WORD(0x0102), 0x1234);
  EXPECT_EQ(READ_DATA_LONG(0x0104), 0xCAFEF00Du);
  EXPECT_EQ(link_state().reply_word, 0xCAFEF00Du);
  // The wire carries 16-bit addresses.
  EXPECT_EQ(bench.sent({bdc::WRITE_BYTE}).front(), (Bytes{0xC0, 0x01, 0x00, 0xA5}));
  EXPECT_EQ(READ_DATA_BYTE(0x10100), 0xA5);
  EXPECT_TRUE(bench.pod().violations().empty());
}

TEST_P(TargetOperations, BlocksRoundTripAcrossBlockBoundaries) {
  TargetBench bench(GetParam());
  const Bytes data = counting(1100, 3);
  PUT_DATA_BYTE_BLOCK(0x0200, static_cast<std::uint16_t>(data.size()), data.data());
  EXPECT_EQ(bench.ram(0x0200, data.size()), data);
  Bytes back(data.size());
  GET_DATA_BYTE_BLOCK(0x0200, static_cast<std::uint16_t>(back.size()), back.data());
  EXPECT_EQ(back, data);
  const bool parallel = GetParam() == Medium::parallel;
  // 1040-byte blocks on USB (528 to read), 96 on the cable, each addressed one below its first byte.
  const std::vector<Bytes> writes = bench.sent({7, 4});
  const std::vector<Bytes> reads = bench.sent({7, 5});
  if (parallel) {
    EXPECT_EQ(writes.size(), 12u);  // 11 full blocks and 44 bytes, each a bare 7, 4
    EXPECT_EQ(reads.size(), 12u);
    EXPECT_EQ(reads.front(), (Bytes{7, 5, 0, 96}));
    // HX pointed one below the block and was given back.
    EXPECT_EQ(bench.sent({bdc::WRITE_HX}).front(), (Bytes{0x4C, 0x01, 0xFF}));
  } else {
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].size(), 4u + 1040);
    EXPECT_EQ(Bytes(writes[1].begin(), writes[1].begin() + 4), (Bytes{7, 4, 0x06, 0x0F}));
    EXPECT_EQ(reads,
              (std::vector<Bytes>{
                  {7, 5, 0x01, 0xFF, 0x02, 0x10}, {7, 5, 0x04, 0x0F, 0x02, 0x10}, {7, 5, 0x06, 0x1F, 0x00, 0x2C}}));
  }
  EXPECT_TRUE(bench.pod().violations().empty());
}

TEST_P(TargetOperations, OddCountsFollowTheFirmwareMajor) {
  struct Case {
    std::string firmware;
    bool last_byte_first;
  };
  for (const Case& c : {Case{"4.10", true}, Case{"5.12", false}}) {
    SCOPED_TRACE(c.firmware);
    BenchOptions options;
    options.firmware = c.firmware;
    TargetBench bench(GetParam(), options);
    const Bytes data = {1, 2, 3, 4, 5};
    PUT_DATA_BYTE_BLOCK(0x0300, 5, data.data());
    EXPECT_EQ(bench.ram(0x0300, 5), data);
    EXPECT_EQ(block_data(bench).size(), c.last_byte_first ? 4u : 5u);
    EXPECT_EQ(bench.sent({bdc::WRITE_BYTE, 0x03, 0x04}).size(), c.last_byte_first ? 1u : 0u);
    // Reads of an odd count take the last byte alone on every firmware.
    Bytes back(5);
    bench.forget_sent();
    GET_DATA_BYTE_BLOCK(0x0300, 5, back.data());
    EXPECT_EQ(back, data);
    EXPECT_EQ(bench.sent({bdc::READ_BYTE, 0x03, 0x04}).size(), 1u);
    EXPECT_TRUE(bench.pod().violations().empty());
  }
}

TEST_P(TargetOperations, ASecuredTargetGetsByteTransfers) {
  BenchOptions options;
  options.secured = true;
  TargetBench bench(GetParam(), options);
  const Bytes data = counting(6);
  PUT_DATA_BYTE_BLOCK(0x0100, 6, data.data());
  Bytes back(6);
  GET_DATA_BYTE_BLOCK(0x0100, 6, back.data());
  EXPECT_TRUE(bench.sent({7, 4}).empty());
  EXPECT_TRUE(bench.sent({7, 5}).empty());
  EXPECT_EQ(bench.sent({bdc::WRITE_BYTE}).size(), 6u);
  // One security test, then the byte reads.
  EXPECT_EQ(bench.sent({bdc::READ_BYTE, 0x18, 0x21}).size(), 1u);
  EXPECT_EQ(bench.sent({bdc::READ_BYTE, 0x01}).size(), 6u);
}

TEST_P(TargetOperations, RegistersRoundTripWithTheCcrPacking) {
  TargetBench bench(GetParam());
  TMCURegisters& r = mcu_registers();
  r.PC = 0x1234;
  r.SP = 0x0FF0;
  r.A = 0x5A;
  r.H = 0x01;
  r.X = 0x80;
  r.V = 1;
  r.H_flag = 0;
  r.I = 1;
  r.N = 0;
  r.Z = 1;
  r.C = 1;
  EXPECT_EQ(r.pack_ccr(), 0xEB);
  PUT_CPU_THINGS();
  const sim::CpuRegisters& cpu = bench.mcu.registers();
  EXPECT_EQ(cpu.pc, 0x1234);
  EXPECT_EQ(cpu.sp, 0x0FF0);
  EXPECT_EQ(cpu.a, 0x5A);
  EXPECT_EQ(cpu.hx, 0x0180);
  EXPECT_EQ(cpu.ccr, 0xEB);
  reset_target_access();
  GET_CPU_THINGS();
  EXPECT_EQ(mcu_registers().PC, 0x1234);
  EXPECT_EQ(mcu_registers().SP, 0x0FF0);
  EXPECT_EQ(mcu_registers().A, 0x5A);
  EXPECT_EQ(mcu_registers().H, 0x01);
  EXPECT_EQ(mcu_registers().X, 0x80);
  EXPECT_EQ(mcu_registers().pack_ccr(), 0xEB);
  EXPECT_EQ(bench.sent({bdc::WRITE_CCR}).front(), (Bytes{0x49, 0xEB}));
}

TEST_P(TargetOperations, WaitForFreezeGivesUpAfterExactly200StatusReads) {
  TargetBench bench(GetParam());
  // BRA * keeps the target running.
  bench.mcu.poke(0x0100, 0x20);
  bench.mcu.poke(0x0101, 0xFE);
  mcu_registers().PC = 0x0100;
  mcu_registers().SP = 0x0FFF;
  PUT_PC();
  RESUME();
  bench.forget_sent();
  EXPECT_FALSE(WAIT_FOR_FREEZE());
  EXPECT_EQ(bench.sent().size(), 200u);
  EXPECT_EQ(bench.sent({bdc::READ_STATUS}).size(), 200u);
}

TEST_P(TargetOperations, ARoutineEndingInBackgroundIsStartedAndWaitedFor) {
  TargetBench bench(GetParam());
  // LDA #$42; STA $0180; BGND
  const Bytes routine = {0xA6, 0x42, 0xC7, 0x01, 0x80, 0x82};
  PUT_DATA_BYTE_BLOCK(0x0100, static_cast<std::uint16_t>(routine.size()), routine.data());
  mcu_registers().PC = 0x0100;
  mcu_registers().SP = 0x0FFF;
  PUT_PC();
  RESUME();
  EXPECT_TRUE(target_access().security_recheck);
  WAIT_FOR_FREEZE_OR_KEY();
  EXPECT_FALSE(run_state().abort_flag);
  EXPECT_EQ(bench.mcu.peek(0x0180), 0x42);
  EXPECT_EQ(bench.mcu.state(), sim::RunState::Background);
  GET_PC();
  EXPECT_EQ(mcu_registers().PC, 0x0106);
}

TEST_P(TargetOperations, StatusControlAndBreakpoint) {
  TargetBench bench(GetParam());
  EXPECT_TRUE(TEST_FOR_FREEZE());
  EXPECT_EQ(READ_STATUS_BYTE() & 0xC0, 0xC0);
  WRITE_CONTROL(0x80);
  EXPECT_EQ(bench.sent({bdc::WRITE_CONTROL}).back(), (Bytes{0xC4, 0x81}));
  write_breakpoint(0xBEEF);
  EXPECT_EQ(read_breakpoint(), 0xBEEF);
}

TEST(TargetOperationsUsb, OneByteBlockReadIsAByteRead) {
  TargetBench bench(Medium::ftdi);
  bench.mcu.poke(0x0100, 0x77);
  std::uint8_t byte = 0;
  GET_DATA_BYTE_BLOCK(0x0100, 1, &byte);
  EXPECT_EQ(byte, 0x77);
  EXPECT_TRUE(bench.sent({7, 5}).empty());
}

TEST(TargetOperationsUsb, SecurityIsReadOnceUntilResume) {
  TargetBench bench(Medium::ftdi);
  EXPECT_FALSE(target_is_secured());
  EXPECT_FALSE(target_is_secured());
  EXPECT_EQ(bench.sent({bdc::READ_BYTE, 0x18, 0x21}).size(), 1u);
  RESUME();
  EXPECT_FALSE(target_is_secured());
  EXPECT_EQ(bench.sent({bdc::READ_BYTE, 0x18, 0x21}).size(), 2u);
}

TEST(TargetOperationsUsb, FixedSyncModeTestsSecurityOnTheResetVector) {
  TargetBench bench(Medium::ftdi);
  connection_settings().ncl08_mode = true;
  // An erased reset vector reads 0xFFFF: not secured; zeros mean secured.
  EXPECT_FALSE(target_is_secured());
  EXPECT_EQ(bench.sent({bdc::READ_BYTE, 0xFF, 0xFE}).size(), 1u);
  bench.mcu.poke(0xFFFE, 0);
  bench.mcu.poke(0xFFFF, 0);
  target_access().security_recheck = true;
  EXPECT_TRUE(target_is_secured());
}

TEST(TargetOperations, AddressToHex5) {
  EXPECT_EQ(address_to_hex5(0x12345), "12345");
  EXPECT_EQ(address_to_hex5(0xFFFF), "0FFFF");
  EXPECT_EQ(address_to_hex5(0xABCDEF), "BCDEF");
}

TEST(TargetOperations, CcrUnpackIgnoresBitsFiveAndSix) {
  TMCURegisters r;
  r.unpack_ccr(0x9F);
  EXPECT_EQ((std::array<int, 6>{r.V, r.H_flag, r.I, r.N, r.Z, r.C}), (std::array<int, 6>{1, 1, 1, 1, 1, 1}));
  EXPECT_EQ(r.pack_ccr(), 0xFF);
  r.unpack_ccr(0x60);
  EXPECT_EQ(r.pack_ccr(), 0x60);
}

TEST(TargetOperationsProgrammer, BlockWritesNeedAStoppedTargetAndGoIn240ByteBlocks) {
  TargetBench bench(Medium::programmer);
  ASSERT_EQ(interface_state().major, 8);
  const Bytes data = counting(500, 9);
  PUT_DATA_BYTE_BLOCK(0x0200, static_cast<std::uint16_t>(data.size()), data.data());
  EXPECT_EQ(bench.ram(0x0200, data.size()), data);
  const std::vector<Bytes> blocks = bench.sent({7, 4});
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks[0].size(), 4u + 240);
  EXPECT_EQ(blocks[2].size(), 4u + 20);
  // The programmer asks whether the target is stopped, not whether it is secured.
  EXPECT_TRUE(bench.sent({bdc::READ_BYTE, 0x18, 0x21}).empty());
  EXPECT_EQ(bench.sent({bdc::READ_STATUS}).size(), 1u);

  // A running target gets its bytes one by one.
  bench.mcu.poke(0x0100, 0x20);
  bench.mcu.poke(0x0101, 0xFE);
  mcu_registers().PC = 0x0100;
  PUT_PC();
  RESUME();
  bench.forget_sent();
  PUT_DATA_BYTE_BLOCK(0x0300, 4, data.data());
  EXPECT_TRUE(bench.sent({7, 4}).empty());
  EXPECT_EQ(bench.sent({bdc::WRITE_BYTE}).size(), 4u);
}

TEST(TargetOperationsProgrammer, OlderProgrammersTestSecurityAsInterfacesDo) {
  BenchOptions options;
  options.programmer_version = "6.24";
  TargetBench bench(Medium::programmer, options);
  const Bytes data = counting(8);
  PUT_DATA_BYTE_BLOCK(0x0200, 8, data.data());
  EXPECT_EQ(bench.sent({bdc::READ_BYTE, 0x18, 0x21}).size(), 1u);
  EXPECT_EQ(bench.ram(0x0200, 8), data);
}

TEST(TargetOperationsUsb, ResumeSendsAWaitingBatch) {
  TargetBench bench(Medium::ftdi);
  bench.mcu.poke(0x0100, 0x20);
  bench.mcu.poke(0x0101, 0xFE);
  byte_protocol().batch_mode = true;
  start_usb_batch();
  mcu_registers().PC = 0x0100;
  mcu_registers().SP = 0x0FFF;
  PUT_PC();
  EXPECT_TRUE(bench.sent().empty()) << "held in the batch";
  RESUME();
  const std::vector<Bytes> sent = bench.sent();
  ASSERT_EQ(sent.size(), 1u);
  ASSERT_GE(sent[0].size(), 3u);
  EXPECT_EQ(Bytes(sent[0].begin(), sent[0].begin() + 3), (Bytes{7, 20, 3}));
  EXPECT_EQ(bench.mcu.state(), sim::RunState::Running);
  EXPECT_EQ(bench.mcu.registers().pc & 0xFFFE, 0x0100);
  byte_protocol().batch_mode = false;
}

TEST(TargetOperationsUsb, TraceLinesCarryTheLabelsAndResults) {
  TargetBench bench(Medium::ftdi);
  bench.mcu.poke(0x0100, 0xA5);
  test::SimulatedUsb::record_trace();
  READ_DATA_BYTE(0x0100);
  WRITE_DATA_WORD(0x0102, 0xBEEF);
  const std::vector<std::string>& lines = test::SimulatedUsb::trace_lines();
  const auto traced = [&](const std::string& text) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.find(text) != std::string::npos; });
  };
  EXPECT_TRUE(traced("(HC=$FFxx/HE=$FFxx)READ_DATA_BYTE(00000100)"));
  EXPECT_TRUE(traced("Result = $A5"));
  EXPECT_TRUE(traced("WRITE_DATA_WORD(00000102,BEEF)"));
  EXPECT_TRUE(traced("WRITE_DATA_BYTE(00000103,EF)"));
  trace_set_receiver(nullptr);
}

}  // namespace
}  // namespace vx
