#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "interface/serial/ad_sel_com.h"
#include "interface/serial/win32_dispatcher.h"
#include "platform/serial/termios_device.h"
#include "support/pty_pair.h"
#include "tests/interface/serial_test_support.h"

namespace vx::serial {
namespace {

// The dispatcher on the termios backend, its COM7 mapped to a pty.
class PtyDispatcherTest : public testing_support::SerialTest {
 protected:
  void SetUp() override {
    SerialTest::SetUp();
    previous_ = platform::install_serial_backend(&platform::termios_backend());
    ASSERT_TRUE(pty_.ok());
    ASSERT_TRUE(mapping_.map(7, pty_.slave_path()));
  }
  void TearDown() override {
    platform::install_serial_backend(previous_);
    SerialTest::TearDown();
  }
  std::unique_ptr<TApdWin32Dispatcher> open() {
    auto dispatcher = std::make_unique<TApdWin32Dispatcher>(nullptr);
    EXPECT_EQ(dispatcher->AttachDevice(ComDeviceName(7), 115200, 0, 8, 1, 1024, 1024, LineDtrOn | LineRtsOn), 0);
    return dispatcher;
  }

  test::PtyPair pty_;
  test::ScopedSerialMapping mapping_;

 private:
  platform::SerialBackend* previous_ = nullptr;
};

TEST_F(PtyDispatcherTest, A100KilobyteEchoComesBackByteExact) {
  auto dispatcher = open();
  std::atomic<bool> stop{false};
  std::thread echo([&] {
    std::uint8_t buffer[4096];
    while (!stop) {
      pollfd fd{pty_.master(), POLLIN, 0};
      if (poll(&fd, 1, 10) <= 0) continue;
      const ssize_t n = ::read(pty_.master(), buffer, sizeof buffer);
      if (n > 0) pty_.write_all(std::vector<std::uint8_t>(buffer, buffer + n));
    }
  });
  std::vector<std::uint8_t> data(100 * 1024);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>((i * 131 + i / 256) & 0xFF);
  std::vector<std::uint8_t> received;
  std::size_t sent = 0;
  const bool complete = eventually(
      [&] {
        const std::uint32_t room = dispatcher->OutputSpace();
        const std::size_t piece = std::min<std::size_t>(room, data.size() - sent);
        if (piece > 0 && dispatcher->WriteOutputBlock(data.data() + sent, static_cast<std::uint32_t>(piece)) == 0) {
          sent += piece;
        }
        std::uint8_t byte = 0;
        while (dispatcher->ReadInput(byte) == 0) received.push_back(byte);
        return received.size() >= data.size();
      },
      30'000);
  stop = true;
  echo.join();
  EXPECT_TRUE(complete) << received.size() << " of " << data.size();
  EXPECT_TRUE(received == data);
}

TEST_F(PtyDispatcherTest, ASecondOpenIsRefusedAndAnyRateIsSet) {
  auto dispatcher = open();
  TApdWin32Dispatcher second(nullptr);
  EXPECT_EQ(second.AttachDevice(ComDeviceName(7), 9600, 0, 8, 1, 1024, 1024, 0), -5);
  EXPECT_TRUE(is_com_port_available(7)) << "a port in use exists";
  EXPECT_EQ(dispatcher->ChangeLine(250000, KeepParity, KeepDataBits, KeepStopBits), 0);
  std::uint32_t baud = 0;
  std::uint8_t parity = 0;
  std::uint8_t stop_bits = 0;
  std::uint8_t data_bits = 0;
  dispatcher->QueryLine(baud, parity, stop_bits, data_bits);
  EXPECT_EQ(baud, 250000u);
  ASSERT_TRUE(mapping_.map(8, mapping_.file("missing")));
  TApdWin32Dispatcher missing(nullptr);
  EXPECT_EQ(missing.AttachDevice(ComDeviceName(8), 9600, 0, 8, 1, 1024, 1024, 0), -2);
  EXPECT_FALSE(is_com_port_available(8));
}

TEST_F(PtyDispatcherTest, DiscardingInputDropsWhatTheDeviceAndTheRingHold) {
  auto dispatcher = open();
  pty_.write_all({1, 2, 3, 4});
  ASSERT_TRUE(eventually([&] { return dispatcher->InputCount() == 4; }));
  EXPECT_EQ(dispatcher->DiscardInput(), 0);
  EXPECT_EQ(dispatcher->InputCount(), 0u);
  pty_.write_all({5});
  ASSERT_TRUE(eventually([&] { return dispatcher->InputCount() == 1; }));
  std::uint8_t byte = 0;
  EXPECT_EQ(dispatcher->ReadInput(byte), 0);
  EXPECT_EQ(byte, 5);
}

TEST_F(PtyDispatcherTest, ManyOpensAndClosesOfARealDeviceLeaveNothingBehind) {
  for (int cycle = 0; cycle < 200; ++cycle) {
    auto dispatcher = open();
    ASSERT_EQ(dispatcher->RunningWorkerCount(), 3) << cycle;
    ASSERT_EQ(dispatcher->WriteOutput(static_cast<std::uint8_t>(cycle)), 0);
    pty_.write_all({static_cast<std::uint8_t>(cycle)});
  }
  auto last = open();
  EXPECT_EQ(last->RunningWorkerCount(), 3) << "the port is free again after every close";
}

}  // namespace
}  // namespace vx::serial
