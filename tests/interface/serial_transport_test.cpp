#include <atomic>
#include <cerrno>
#include <memory>
#include <thread>
#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "foundation/microsecond_timer.h"
#include "interface/crc8.h"
#include "interface/programmer_link.h"
#include "interface/serial_transport.h"
#include "platform/device_access.h"
#include "platform/serial/termios_device.h"
#include "support/pty_pair.h"
#include "support/recording_list_view.h"
#include "support/scoped_platform.h"
#include "tests/interface/serial_test_support.h"

namespace vx {
namespace {

using platform::SimulatedSerialPort;
using serial::testing_support::bytes;

// Virtual time that counts the zero-length sleeps by which a port's threads are given time.
class CountingClock final : public platform::Clock {
 public:
  explicit CountingClock(std::uint64_t spin_step_ns) : time_(1'000'000'000, spin_step_ns) {}
  std::uint64_t counter_frequency() override { return time_.counter_frequency(); }
  std::uint64_t read_counter() override { return time_.read_counter(); }
  std::uint64_t monotonic_microseconds() override { return time_.monotonic_microseconds(); }
  void sleep_microseconds(std::uint64_t microseconds) override {
    if (microseconds == 0) {
      ++yields;
      if (std::this_thread::get_id() == host_thread) ++host_yields;
    }
    time_.sleep_microseconds(microseconds);
  }
  void spin() override { time_.spin(); }
  void wait_step(std::uint64_t microseconds) override { time_.wait_step(microseconds); }
  void wait_readable(std::span<pollfd> fds, std::optional<std::uint64_t> microseconds) override {
    time_.wait_readable(fds, microseconds);
  }
  std::uint64_t now_ms() { return time_.now_nanoseconds() / 1'000'000; }

  std::atomic<std::uint64_t> yields{0};
  // The test's own thread: the port's threads yield too, and only the host's
  // yields say where the host is.
  const std::thread::id host_thread = std::this_thread::get_id();
  std::atomic<std::uint64_t> host_yields{0};

 private:
  platform::VirtualClock time_;
};

class SerialTransportTest : public serial::testing_support::SerialTest {
 protected:
  void SetUp() override {
    SerialTest::SetUp();
    previous_clock_ = platform::install_clock(&clock_);
    reset_microsecond_timer();
    start_serial_transport();
  }
  void TearDown() override {
    finish_serial_transport();
    reset_microsecond_timer();
    platform::install_clock(previous_clock_);
    SerialTest::TearDown();
  }
  void open_port() {
    com_open(3, 115200, 'N', 8, 1, 1024, 1024);
    ASSERT_TRUE(com_is_open());
    ASSERT_EQ(com_status(), 0);
  }
  // What the far end received once the port has written `count` bytes.
  std::vector<std::uint8_t> received(std::size_t count) {
    EXPECT_TRUE(eventually([&] { return port_.written_count() >= count; }));
    return port_.receive();
  }

  // The far end sends once the main thread is waiting for a byte, after the
  // read has taken the line errors that were there before.
  std::thread send_during_read(std::vector<std::uint8_t> data, std::uint32_t errors) {
    const std::uint64_t before = clock_.yields;
    return std::thread([this, data = std::move(data), errors, before] {
      while (clock_.yields == before) real_.sleep_microseconds(100);
      port_.send(data, errors);
    });
  }

  CountingClock clock_{10'000};
  test::ScopedStatusOutput status_;
  SimulatedSerialPort& port_ = bus_.port(3);

 private:
  platform::Clock* previous_clock_ = nullptr;
};

TEST(Crc8Test, TheCheckValueAndIncrementalUpdates) {
  const std::string digits = "123456789";
  std::uint8_t check = 0;
  crc8_update(reinterpret_cast<const std::uint8_t*>(digits.data()), digits.size(), check);
  EXPECT_EQ(check, 0xF4);
  std::uint8_t split = 0;
  crc8_update(reinterpret_cast<const std::uint8_t*>(digits.data()), 4, split);
  crc8_update(reinterpret_cast<const std::uint8_t*>(digits.data()) + 4, 5, split);
  EXPECT_EQ(split, 0xF4);
  std::uint8_t none = 0;
  crc8_update(nullptr, 0, none);
  EXPECT_EQ(none, 0);
  const std::uint8_t identity[] = {0x01, 0x0B};
  std::uint8_t frame_check = 0;
  crc8_update(identity, 2, frame_check);
  EXPECT_EQ(frame_check, 0x24);
}

TEST_F(SerialTransportTest, TheIdentityQueryIsFourBytes) {
  open_port();
  const std::uint8_t identity[] = {0x0B};
  EXPECT_TRUE(sap_serial_send_frame(identity, 1));
  EXPECT_EQ(received(4), bytes({0x03, 0x01, 0x0B, 0x24}));
}

TEST_F(SerialTransportTest, StreamsBeyondTheFrameLimitTakeTheLongForm) {
  open_port();
  struct Case {
    std::size_t length;
    std::vector<std::uint8_t> head;
  };
  const Case cases[] = {{sap_frame_limit, {242, 0x15}}, {sap_frame_limit + 1, {0x00, 0x00, 0xF5, 0x15}},
                        {0, {0x02, 0x15}},              {300, {0x00, 0x01, 0x30, 0x15}}};
  for (const Case& c : cases) {
    std::vector<std::uint8_t> stream(c.length);
    for (std::size_t i = 0; i < stream.size(); ++i) stream[i] = static_cast<std::uint8_t>(i * 3);
    ASSERT_TRUE(sap_serial_send_frame(stream, 0x15));
    const std::vector<std::uint8_t> frame = received(c.head.size() + c.length + 1);
    ASSERT_EQ(frame.size(), c.head.size() + c.length + 1) << c.length;
    EXPECT_TRUE(std::equal(c.head.begin(), c.head.end(), frame.begin())) << c.length;
    std::uint8_t check = 0;
    crc8_update(frame.data() + c.head.size() - 1, c.length + 1, check);
    EXPECT_EQ(frame.back(), check) << c.length;
  }
}

TEST_F(SerialTransportTest, AStreamTooLongForTheFrameBufferIsNotSent) {
  open_port();
  const std::vector<std::uint8_t> largest(serial_frame_buffer_size - 4, 0x77);
  EXPECT_TRUE(sap_serial_send_frame(largest, 2));
  const std::vector<std::uint8_t> frame = received(serial_frame_buffer_size + 1);
  ASSERT_EQ(frame.size(), serial_frame_buffer_size + 1);
  EXPECT_EQ(frame[1], 0x20);
  EXPECT_EQ(frame[2], 0x00);
  const std::vector<std::uint8_t> too_long(serial_frame_buffer_size - 3, 0x77);
  EXPECT_FALSE(sap_serial_send_frame(too_long, 2));
  EXPECT_EQ(port_.written_count(), 0u);
}

TEST_F(SerialTransportTest, RatesAreRoundedToAWholeDivisorOf115200) {
  open_port();
  struct Case {
    std::int32_t requested;
    std::uint32_t set;
  };
  const Case cases[] = {{115200, 115200}, {57600, 57600}, {38400, 38400}, {19200, 19200}, {9600, 9600},
                        {100000, 115200}, {50000, 57600}, {250000, 115200}, {46080, 57600}, {76800, 57600},
                        {25600, 28800},   {40000, 38400}, {300, 300},       {1, 1}};
  for (const Case& c : cases) {
    com_set_baud(c.requested);
    EXPECT_EQ(port_.state().BaudRate, c.set) << c.requested;
  }
  com_set_baud(0);
  com_set_baud(-9600);
  EXPECT_EQ(port_.state().BaudRate, 1u) << "no rate: the line keeps its own";
  EXPECT_TRUE(com_is_open());
}

TEST_F(SerialTransportTest, ThePortOpensAt9600AndMovesToTheRateAskedFor) {
  com_open(3, 57600, 'e', 7, 2, 1024, 1024);
  EXPECT_EQ(com_status(), 0);
  EXPECT_TRUE(serial_transport().port_open);
  EXPECT_EQ(port_.state().BaudRate, 57600u);
  EXPECT_EQ(port_.state().Parity, platform::EVENPARITY);
  EXPECT_EQ(port_.state().ByteSize, 7);
  EXPECT_EQ(serial_transport().port->Baud(), 57600);
  EXPECT_TRUE(port_.dtr()) << "the component's default";
  com_close();
  EXPECT_FALSE(com_is_open());
  EXPECT_FALSE(port_.is_open());
}

TEST_F(SerialTransportTest, AFailedOpenIsReportedAndTriedOnceMoreAfter100Ms) {
  struct Case {
    std::uint16_t number;
    std::uint32_t system_error;
    std::string line;
  };
  const Case cases[] = {
      {12, platform::ERROR_GEN_FAILURE, "Failure to open COM12.(InOutError)"},
      {9, 0, "Failure to open COM9 (ie_BadId - Specified comport doesn't exist)."},
      {13, 1234, "COM Error (Tarvo exception)."},
  };
  for (const Case& c : cases) {
    if (c.system_error != 0) bus_.port(c.number).set_open_error(c.system_error);
    const std::size_t lines_before = status_.lines().size();
    const std::uint64_t start = clock_.now_ms();
    com_open(c.number, 115200, 'N', 8, 1, 1024, 1024);
    EXPECT_EQ(com_status(), com_status_not_opened);
    EXPECT_FALSE(serial_transport().port_open);
    EXPECT_FALSE(com_is_open());
    const std::vector<std::string> lines = status_.lines();
    EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(lines_before), lines.end()),
              (std::vector<std::string>{c.line, c.line}))
        << c.number;
    EXPECT_GE(clock_.now_ms() - start, 240u) << "20 ms before each attempt, 100 ms after each failure";
    if (c.system_error != 0) {
      EXPECT_EQ(bus_.port(c.number).open_count(), 0u);
    }
  }
}

// Every open fails with one system error, and the line the termios backend gives for it.
class RefusingBackend final : public platform::SerialBackend {
 public:
  static constexpr const char* node = "/dev/ttyUSB0";
  platform::SerialOpenResult open(std::string_view) override {
    return {nullptr, platform::system_error_from_errno(error), platform::device_open_problem(node, error)};
  }
  int error = 0;
};

TEST_F(SerialTransportTest, ARefusedOpenNamesTheNodeAndTheRemedyUnlessThePortIsInUse) {
  RefusingBackend refusing;
  platform::SerialBackend* previous = platform::install_serial_backend(&refusing);
  const std::string in_use = "ie_Open - device already open";
  struct Case {
    int error;
    std::string shown;
  };
  const Case cases[] = {
      {EACCES, platform::device_open_problem(RefusingBackend::node, EACCES)},
      {EPERM, platform::device_open_problem(RefusingBackend::node, EPERM)},
      {ENOENT, "/dev/ttyUSB0 does not exist: is the device connected?"},
      {ENODEV, "/dev/ttyUSB0 does not exist: is the device connected?"},
      {ENXIO, "/dev/ttyUSB0 does not exist: is the device connected?"},
      {EBUSY, in_use},
      {EWOULDBLOCK, in_use},
  };
  for (const Case& c : cases) {
    refusing.error = c.error;
    const std::size_t lines_before = status_.lines().size();
    com_open(4, 115200, 'N', 8, 1, 1024, 1024);
    EXPECT_EQ(com_status(), com_status_not_opened);
    const std::string line = "Failure to open COM4 (" + c.shown + ").";
    const std::vector<std::string> lines = status_.lines();
    EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(lines_before), lines.end()),
              (std::vector<std::string>{line, line}))
        << c.error;
  }
  EXPECT_THAT(platform::device_open_problem(RefusingBackend::node, EACCES),
              ::testing::StartsWith("No permission to open /dev/ttyUSB0: "));
  platform::install_serial_backend(previous);
}

// The line holds the first byte written and never sends it.
TEST_F(SerialTransportTest, OutputThatNeverLeavesFailsWithinTheSerialTimeOut) {
  reset_programmer_link();
  ASSERT_EQ(sap_open_serial(3), sap_ok);
  port_.set_output_capacity(1);
  constexpr std::int32_t timeout_ms = 5000;
  sap_set_serial_timeout(timeout_ms);
  struct Case {
    const char* what;
    bool (*succeeds)();
    std::uint64_t waits;
  };
  const Case cases[] = {
      {"exchange", [] { return sap_send_receive(bytes({0x0B}), sap_query_channel); }, 1},
      {"reset: the command's frame, then the drain", [] { return sap_reset_device(0) == sap_ok; }, 2},
  };
  for (const Case& c : cases) {
    const std::uint64_t start = clock_.now_ms();
    EXPECT_FALSE(c.succeeds()) << c.what;
    EXPECT_GE(clock_.now_ms() - start, c.waits * timeout_ms) << c.what;
    // The port's threads share the virtual clock and move it on too: a bound, not an exact time.
    EXPECT_LT(clock_.now_ms() - start, (c.waits + 1) * timeout_ms) << c.what;
  }
  sap_close();
  reset_programmer_link();
}

// The termios backend, whose ports report a parity error at every look
// while the line is noisy.
class NoisyLineBackend final : public platform::SerialBackend {
 public:
  platform::SerialOpenResult open(std::string_view name) override {
    platform::SerialOpenResult opened = platform::termios_backend().open(name);
    if (opened.device) opened.device = std::make_unique<NoisyDevice>(std::move(opened.device), noisy);
    return opened;
  }
  std::atomic<bool> noisy{false};

 private:
  class NoisyDevice final : public platform::SerialDevice {
   public:
    NoisyDevice(std::unique_ptr<platform::SerialDevice> device, const std::atomic<bool>& noisy)
        : device_(std::move(device)), noisy_(noisy) {}
    bool get_state(platform::DeviceControlBlock& state) override { return device_->get_state(state); }
    std::uint32_t set_state(const platform::DeviceControlBlock& state) override { return device_->set_state(state); }
    bool escape(std::uint32_t function) override { return device_->escape(function); }
    std::uint32_t setup_queues(std::uint32_t in, std::uint32_t out) override { return device_->setup_queues(in, out); }
    bool clear_errors(std::uint32_t& errors, platform::SerialPortStatus& status) override {
      if (!device_->clear_errors(errors, status)) return false;
      if (noisy_) errors |= platform::CE_RXPARITY;
      return true;
    }
    bool modem_status(std::uint32_t& lines) override { return device_->modem_status(lines); }
    std::uint32_t purge(std::uint32_t flags) override { return device_->purge(flags); }
    std::int32_t read(std::uint8_t* buffer, std::uint32_t count) override { return device_->read(buffer, count); }
    std::int32_t write(const std::uint8_t* data, std::uint32_t count) override { return device_->write(data, count); }
    bool wait_writable() override { return device_->wait_writable(); }
    void wake_writer() override { device_->wake_writer(); }
    void set_event_mask(std::uint32_t mask) override { device_->set_event_mask(mask); }
    bool wait_event(std::uint32_t& events) override { return device_->wait_event(events); }

   private:
    std::unique_ptr<platform::SerialDevice> device_;
    const std::atomic<bool>& noisy_;
  };
};

// The programmer link on COM7, a pty whose far end the test plays.
class NoisyLineTest : public SerialTransportTest {
 protected:
  void SetUp() override {
    SerialTransportTest::SetUp();
    previous_ = platform::install_serial_backend(&backend_);
    ASSERT_TRUE(pty_.ok());
    ASSERT_TRUE(mapping_.map(7, pty_.slave_path()));
    reset_programmer_link();
    ASSERT_EQ(sap_open_serial(7), sap_ok);
    // The port's threads move the shared virtual clock on while they wait
    // for the window: no reply may time out here.
    sap_set_serial_timeout(60'000);
  }
  void TearDown() override {
    sap_close();
    finish_serial_transport();
    reset_programmer_link();
    platform::install_serial_backend(previous_);
    SerialTransportTest::TearDown();
  }
  // Sends the identity query and answers it once the host waits for the
  // reply: a byte that came before the read began would have its line error
  // cleared with the stale ones, as the reader does before every byte.
  bool identity_exchange() {
    std::atomic<bool> returned{false};
    std::thread far_end([this, &returned] {
      pty_.read_some(4);
      // Nothing left to send: the host leaves its output wait at its next look.
      while (serial_transport().port->BytesPending() != 0 && !returned) real_.sleep_microseconds(100);
      const std::uint64_t seen = clock_.host_yields;
      while (clock_.host_yields < seen + 20 && !returned) real_.sleep_microseconds(100);
      pty_.write_all(bytes({0x01, 0x42}));
    });
    const bool replied = sap_send_receive(bytes({0x0B}), sap_query_channel);
    returned = true;
    far_end.join();
    return replied;
  }

  NoisyLineBackend backend_;
  test::PtyPair pty_;
  test::ScopedSerialMapping mapping_;

 private:
  platform::SerialBackend* previous_ = nullptr;
};

TEST_F(NoisyLineTest, AReplyByteWithAParityErrorFailsTheExchange) {
  backend_.noisy = true;
  EXPECT_FALSE(identity_exchange());
  EXPECT_EQ(com_status(), 3) << "the parity error, not a time-out";
  EXPECT_TRUE(sap_reply().empty()) << "the byte is not taken";
  backend_.noisy = false;
  EXPECT_TRUE(identity_exchange());
  EXPECT_EQ(std::vector<std::uint8_t>(sap_reply().begin(), sap_reply().end()), bytes({0x42}));
}

TEST_F(SerialTransportTest, TheUpdatersBuildRetriesWithoutReporting) {
  finish_serial_transport();
  start_serial_transport(false);
  com_open(9, 115200, 'N', 8, 1, 1024, 1024);
  EXPECT_EQ(com_status(), com_status_not_opened);
  EXPECT_TRUE(status_.lines().empty());
}

TEST_F(SerialTransportTest, ATransportNotStartedFailsTheOpenWithoutTouchingAPort) {
  finish_serial_transport();
  EXPECT_EQ(sap_open_serial(3), sap_serial_failed);
  EXPECT_EQ(com_status(), com_status_not_opened);
  com_open_with_retry(3, 115200, 'N', 8, 1, 1024, 1024, true);
  EXPECT_EQ(com_status(), com_status_not_opened);
  EXPECT_FALSE(serial_transport().port_open);
  EXPECT_FALSE(com_is_open());
  EXPECT_FALSE(port_.is_open());
}

TEST_F(SerialTransportTest, ARefusedRateClosesThePortSilently) {
  open_port();
  port_.set_state_error(platform::ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(com_try_set_baud(57600));
  EXPECT_FALSE(com_is_open());
  EXPECT_FALSE(serial_transport().port_open);
  EXPECT_FALSE(port_.is_open());
  EXPECT_TRUE(status_.lines().empty());
}

TEST_F(SerialTransportTest, ReadingWithATimeOut) {
  open_port();
  std::uint8_t byte = 0;
  port_.send(bytes({0x5A}));
  com_read_byte_timeout(byte, 55);
  EXPECT_EQ(com_status(), 0);
  EXPECT_EQ(byte, 0x5A);
  std::thread framed = send_during_read(bytes({0x33}), platform::CE_FRAME);
  com_read_byte_timeout(byte, 55);
  framed.join();
  EXPECT_EQ(com_status(), 4) << "a byte with a framing error fails the read";
  std::thread broken = send_during_read(bytes({0x44}), platform::CE_BREAK);
  com_read_byte_timeout(byte, 55);
  broken.join();
  EXPECT_EQ(com_status(), 0) << "a break counts as no error";
  EXPECT_EQ(byte, 0x44);
  const std::uint64_t start = clock_.now_ms();
  com_read_byte_timeout(byte, 55);
  EXPECT_EQ(com_status(), com_status_no_byte);
  EXPECT_GE(clock_.now_ms() - start, 3025u);
  EXPECT_LT(clock_.now_ms() - start, 3100u);
}

TEST_F(SerialTransportTest, ABlockingReadEndsWhenThePortIsClosed) {
  std::uint8_t byte = 0x11;
  com_read_byte(byte);
  EXPECT_EQ(com_status(), com_status_no_byte);
  EXPECT_EQ(byte, 0x11);
  open_port();
  port_.send(bytes({0x22}));
  com_read_byte(byte);
  EXPECT_EQ(byte, 0x22);
  EXPECT_EQ(com_status(), 0);
}

TEST_F(SerialTransportTest, DelaysServiceAnOpenPortOnEveryPass) {
  open_port();
  std::uint64_t before = clock_.yields;
  delay_ms(0);
  EXPECT_EQ(clock_.yields, before) << "no wait, no servicing";
  before = clock_.yields;
  delay_ms(1);
  EXPECT_GE(clock_.yields - before, 2u);
  before = clock_.yields;
  const std::uint64_t start = clock_.now_ms();
  delay_ms(-5);
  EXPECT_EQ(clock_.yields - before, 2u) << "a negative delay makes one pass";
  before = clock_.yields;
  delay_ms(30);
  EXPECT_GE(clock_.now_ms() - start, 30u);
  EXPECT_EQ(clock_.yields - before, 2u) << "virtual time is at the end of a delay in one pass";
  com_close();
  before = clock_.yields;
  delay_ms(5);
  EXPECT_EQ(clock_.yields, before) << "a closed port is neither serviced nor opened";
  EXPECT_FALSE(port_.is_open());
}

TEST_F(SerialTransportTest, FlushesDrainsAndLines) {
  open_port();
  port_.send(bytes({1, 2, 3}));
  ASSERT_TRUE(eventually([] { return com_char_ready(); }));
  com_flush_input();
  EXPECT_FALSE(com_char_ready());
  EXPECT_TRUE(com_output_drained());
  com_write_byte(0x0D);
  EXPECT_TRUE(eventually([] { return com_output_empty(); }));
  EXPECT_EQ(received(1), bytes({0x0D}));
  com_set_dtr(false);
  com_set_rts(false);
  EXPECT_FALSE(port_.dtr());
  EXPECT_FALSE(port_.rts());
  serial_transport().port->SetHWFlowOptions(serial::hwfUseRTS);
  com_set_rts(true);
  EXPECT_FALSE(serial_transport().port->RTS()) << "under flow control: no endless wait for the level";
  EXPECT_EQ(com_update_line_status(), 0);
}

TEST_F(SerialTransportTest, ATerminatingApplicationHasNoOpenPort) {
  open_port();
  ws::terminate();
  EXPECT_FALSE(com_is_open());
  finish_serial_transport();
  EXPECT_FALSE(port_.is_open());
  EXPECT_EQ(serial_transport().port, nullptr);
}

}  // namespace
}  // namespace vx
