#include <gtest/gtest.h>

#include "hcs08_target.h"
#include "sim/pod/pod.h"

namespace vx::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

PodConfig firmware(const std::string& version) {
  PodConfig config;
  config.updated_firmware = version;
  return config;
}

Bytes counting(std::size_t count, std::uint8_t first) {
  Bytes bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
  return bytes;
}

Bytes concat(Bytes head, const Bytes& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

Bytes memory(Hcs08& mcu, std::uint32_t address, std::size_t count) {
  Bytes bytes;
  for (std::size_t i = 0; i < count; ++i) bytes.push_back(mcu.peek(static_cast<std::uint16_t>(address + i)));
  return bytes;
}

class PodBlocks : public testing::Test {
 protected:
  Bytes ram(std::uint16_t address, std::size_t count) { return memory(target.mcu, address, count); }
  std::uint16_t hx() {
    const Bytes reply = pod.execute(Bytes{0x6C});
    return static_cast<std::uint16_t>(reply.at(1) << 8 | reply.at(2));
  }

  test::Target target;
  SimClock clock;
  Pod pod{firmware("5.12"), &target.mcu, &clock};
};

TEST_F(PodBlocks, AddressFormWritesAndReadsFromOneAboveTheAddressSent) {
  const Bytes data = counting(40, 0x30);
  pod.execute(Bytes{0x4C, 0x12, 0x34});
  EXPECT_EQ(pod.execute(concat({7, 4, 0x00, 0xFF}, data)), Bytes{Pod::ack});
  EXPECT_EQ(ram(0x0100, 40), data);
  EXPECT_EQ(pod.execute(Bytes{7, 5, 0x00, 0xFF, 0x00, 40}), concat({Pod::ack}, data));
  // The address form leaves the CPU's registers alone.
  EXPECT_EQ(hx(), 0x1234);
  EXPECT_TRUE(pod.violations().empty());
}

TEST_F(PodBlocks, HxFormTakesTheAddressFromHxAndTheDataAsTheNextCommand) {
  // Data that looks like a command is still data.
  const Bytes data = {7, 4, 0xE0, 0x00, 0x90, 0x08};
  pod.execute(Bytes{0x4C, 0x01, 0x1F});
  EXPECT_EQ(pod.execute(Bytes{7, 4}), Bytes{Pod::ack});
  EXPECT_EQ(pod.execute(data), Bytes{Pod::ack});
  EXPECT_EQ(ram(0x0120, data.size()), data);
  EXPECT_EQ(hx(), 0x0125);
  pod.execute(Bytes{0x4C, 0x01, 0x1F});
  EXPECT_EQ(pod.execute(Bytes{7, 5, 0x00, 6}), concat({Pod::ack}, data));
  // A command after the data is a command again.
  EXPECT_EQ(pod.execute(Bytes{0xE0, 0x01, 0x20}), (Bytes{Pod::ack, 7, 0}));
  EXPECT_TRUE(pod.violations().empty());
}

TEST_F(PodBlocks, OddWritesNeedFirmwareFiveOddReadsNever) {
  struct Case {
    std::string version;
    Bytes command;
    bool written;
    const char* violation;
  };
  const Case cases[] = {
      {"5.12", {7, 4, 0x00, 0xFF, 1, 2, 3}, true, ""},
      {"4.10", {7, 4, 0x00, 0xFF, 1, 2, 3}, false, "[1,2,3] odd block of 3 bytes on firmware 4.10"},
      {"4.10", {7, 4, 0x00, 0xFF, 1, 2, 3, 4}, true, ""},
      {"5.12", {7, 4, 0x00, 0xFF}, false, "[7,4,0,255] block write without data"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.violation);
    test::Target fresh;
    Pod version_pod(firmware(c.version), &fresh.mcu, nullptr);
    EXPECT_EQ(version_pod.execute(c.command), Bytes{Pod::ack});
    EXPECT_EQ(fresh.mcu.peek(0x0100) == 1, c.written);
    if (std::string(c.violation).empty()) {
      EXPECT_TRUE(version_pod.violations().empty());
    } else {
      EXPECT_EQ(version_pod.violations(), std::vector<std::string>{c.violation});
    }
  }
  EXPECT_EQ(pod.execute(Bytes{7, 5, 0x00, 0xFF, 0x00, 3}), Bytes{Pod::ack});
  EXPECT_EQ(pod.violations(), std::vector<std::string>{"[7,5,0,255,...] odd block read of 3 bytes"});
}

TEST_F(PodBlocks, BlockCommandsNeedFirmwareThreeTwenty) {
  test::Target fresh;
  Pod old(firmware("3.10"), &fresh.mcu, nullptr);
  EXPECT_EQ(old.execute(Bytes{7, 4, 0x00, 0xFF, 1, 2}), Bytes{Pod::ack});
  EXPECT_EQ(fresh.mcu.peek(0x0100), 0);
  EXPECT_EQ(old.violations(), std::vector<std::string>{"[7,4] needs firmware 3.20, running 3.10"});
}

TEST_F(PodBlocks, SecuredTargetReadsZerosAndKeepsItsRam) {
  test::Target secured(true);
  Pod secured_pod(firmware("5.12"), &secured.mcu, nullptr);
  secured.mcu.poke(0x0100, 0x55);
  secured_pod.execute(Bytes{7, 4, 0x00, 0xFF, 1, 2});
  EXPECT_EQ(secured.mcu.peek(0x0100), 0x55);
  EXPECT_EQ(secured_pod.execute(Bytes{7, 5, 0x00, 0xFF, 0x00, 2}), (Bytes{Pod::ack, 0, 0}));
}

TEST_F(PodBlocks, UnansweredReadsGiveJunkOfTheFullLength) {
  pod.set_target_dead(true);
  const Bytes reply = pod.execute(Bytes{7, 5, 0x00, 0xFF, 0x00, 8});
  EXPECT_EQ(reply.size(), 9u);
  // A running target does not take the HX-stepping commands.
  pod.set_target_dead(false);
  target.start_at(0x0100);
  EXPECT_EQ(pod.execute(Bytes{7, 5, 0x00, 4}).size(), 5u);
}

TEST_F(PodBlocks, EveryByteTakesItsTimeOnTheBackgroundLine) {
  // Sixteen bits on the line and the memory access; HX is read, set and put back once a block.
  const std::uint64_t hz = target.mcu.bdc_clock_hz();
  const std::uint64_t per_byte = 272 * 1'000'000'000ull / hz;
  const std::uint64_t per_hx_command = 24 * 16 * 1'000'000'000ull / hz;
  for (const std::size_t count : {2u, 16u, 251u}) {
    SCOPED_TRACE(count);
    const auto time_of = [&](const Bytes& command) {
      const std::uint64_t before = clock.now_nanoseconds();
      pod.execute(command);
      return clock.now_nanoseconds() - before;
    };
    EXPECT_EQ(time_of(concat({7, 4, 0x00, 0xFF}, counting(count, 1))), 3 * per_hx_command + count * per_byte);
    if (count % 2 == 0) {
      const Bytes read = {7, 5, 0x00, 0xFF, 0x00, static_cast<std::uint8_t>(count)};
      EXPECT_EQ(time_of(read), 3 * per_hx_command + count * per_byte);
    }
    // The parallel cable's form finds HX set already.
    pod.execute(Bytes{0x4C, 0x00, 0xFF});
    EXPECT_EQ(time_of(Bytes{7, 4}) + time_of(counting(count, 1)), count * per_byte);
  }
}

TEST_F(PodBlocks, StreamedBlocksLandAsByteWritesWouldAcrossTheEndOfRam) {
  struct Case {
    std::uint16_t first;
    std::size_t count;
  };
  // RAM ends at 0x10AF; the flash above takes no byte a debugger writes.
  const Case cases[] = {{0x0100, 1}, {0x0101, 7}, {0x0200, 252}, {0x10A0, 16}, {0x10AB, 9}, {0x10AF, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.first << "+" << std::dec << c.count);
    test::Target streamed, by_byte;
    Pod streaming(firmware("5.12"), &streamed.mcu, &clock);
    const Bytes data = counting(c.count, 0x41);
    const auto before_first = static_cast<std::uint16_t>(c.first - 1);
    const Bytes address = {test::Target::hi(before_first), test::Target::lo(before_first)};
    EXPECT_EQ(streaming.execute(concat(concat({7, 4}, address), data)), Bytes{Pod::ack});
    by_byte.write_block(c.first, data);
    EXPECT_EQ(memory(streamed.mcu, c.first - 2u, c.count + 4), memory(by_byte.mcu, c.first - 2u, c.count + 4));
    const std::size_t in_ram = std::min<std::size_t>(c.count, 0x10B0u - c.first);
    EXPECT_EQ(memory(streamed.mcu, c.first, in_ram), Bytes(data.begin(), data.begin() + static_cast<long>(in_ram)));
    const std::size_t even = c.count + c.count % 2;
    EXPECT_EQ(streaming.execute(concat(concat({7, 5}, address), {0x00, static_cast<std::uint8_t>(even)})),
              concat({Pod::ack}, memory(streamed.mcu, c.first, even)));
    EXPECT_TRUE(streaming.violations().empty());
  }
}

TEST_F(PodBlocks, ARunningTargetGetsTheAddressWithEveryByte) {
  target.start_at(0x0100);
  const Bytes data = counting(5, 0x61);
  EXPECT_EQ(pod.execute(concat({7, 4, 0x07, 0xFF}, data)), Bytes{Pod::ack});
  EXPECT_EQ(ram(0x0800, 5), data);
  EXPECT_EQ(pod.execute(Bytes{7, 5, 0x07, 0xFF, 0x00, 4}), concat({Pod::ack}, Bytes(data.begin(), data.begin() + 4)));
}

}  // namespace
}  // namespace vx::sim
