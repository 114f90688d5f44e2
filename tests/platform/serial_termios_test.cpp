#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/clock.h"
#include "platform/serial/serial_device.h"
#include "platform/serial/termios_device.h"
#include "support/pty_pair.h"
#include "support/unprivileged_child.h"

namespace vx::platform {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

class TermiosSerialTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty_.ok());
    ASSERT_TRUE(mapping_.map(4, pty_.slave_path()));
  }
  std::unique_ptr<SerialDevice> open_port() {
    SerialOpenResult opened = termios_backend().open("\\\\.\\COM4");
    EXPECT_EQ(opened.error, 0u);
    return std::move(opened.device);
  }

  test::PtyPair pty_;
  test::ScopedSerialMapping mapping_;
};

TEST(SerialNamesTest, ComNumbersAreReadFromBothFormsOfTheName) {
  struct Case {
    const char* name;
    std::uint32_t number;
  };
  const Case cases[] = {{"COM1", 1},     {"\\\\.\\COM12", 12}, {"com3", 3}, {"COM", 0},     {"COM0", 0},
                        {"COM-1", 0},    {"COM+1", 0},         {"COM1x", 0}, {"LPT1", 0},   {"", 0},
                        {"\\\\.\\", 0}, {"COM99999999999", 0}};
  for (const Case& c : cases) EXPECT_EQ(com_port_number(c.name), c.number) << c.name;
}

TEST(SerialNamesTest, ComPortsMapToTtySUnlessTheRegistrySaysOtherwise) {
  test::ScopedSerialMapping mapping;
  EXPECT_EQ(serial_device_path(1), "/dev/ttyS0");
  EXPECT_EQ(serial_device_path(12), "/dev/ttyS11");
  ASSERT_TRUE(mapping.map(12, "/dev/ttyUSB0"));
  EXPECT_EQ(serial_device_path(12), "/dev/ttyUSB0");
  EXPECT_EQ(serial_device_path(11), "/dev/ttyS10");
}

TEST(SerialNamesTest, SystemErrorsOfTheOpenAreTheOnesTheStackKnows) {
  EXPECT_EQ(system_error_from_errno(ENOENT), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(system_error_from_errno(ENOTDIR), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(system_error_from_errno(EBUSY), ERROR_ACCESS_DENIED);
  EXPECT_EQ(system_error_from_errno(EWOULDBLOCK), ERROR_ACCESS_DENIED);
  EXPECT_EQ(system_error_from_errno(EACCES), ERROR_PRIVILEGE_NOT_HELD);
  EXPECT_EQ(system_error_from_errno(EPERM), ERROR_PRIVILEGE_NOT_HELD);
  EXPECT_EQ(system_error_from_errno(EINVAL), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(system_error_from_errno(EPIPE), ERROR_GEN_FAILURE);
  EXPECT_FALSE(system_error_text(ERROR_INVALID_PARAMETER).empty());
  EXPECT_TRUE(system_error_text(12345).empty());
}

TEST_F(TermiosSerialTest, MissingDevicesAndNonPortsAreRefused) {
  ASSERT_TRUE(mapping_.map(5, mapping_.file("no-such-tty")));
  EXPECT_EQ(termios_backend().open("COM5").error, ERROR_FILE_NOT_FOUND);
  std::ofstream(mapping_.file("plain")) << "x";
  ASSERT_TRUE(mapping_.map(6, mapping_.file("plain")));
  EXPECT_EQ(termios_backend().open("COM6").error, ERROR_INVALID_FUNCTION);
  EXPECT_EQ(termios_backend().open("PRN").error, ERROR_FILE_NOT_FOUND);
}

// The code the stack tests, and the line the user is shown, for each way an open is refused.
TEST_F(TermiosSerialTest, ARefusedOpenNamesTheNodeAndWhatToDo) {
  const group* dialout = getgrnam("dialout");
  ASSERT_NE(dialout, nullptr);
  std::unique_ptr<SerialDevice> holder = open_port();
  ASSERT_NE(holder, nullptr);
  const std::string missing = mapping_.file("ttyACM9");
  struct Case {
    std::string path;
    gid_t group;
    mode_t mode;
    std::uint32_t error;
    std::vector<std::string> says;
  };
  const Case cases[] = {
      {pty_.slave_path(), 0, 0600, ERROR_PRIVILEGE_NOT_HELD,
       {"No permission to open " + pty_.slave_path(), "udev rule"}},
      {pty_.slave_path(), dialout->gr_gid, 0660, ERROR_PRIVILEGE_NOT_HELD,
       {"No permission to open " + pty_.slave_path(), "usermod -aG dialout"}},
      {missing, 0, 0600, ERROR_FILE_NOT_FOUND, {missing + " does not exist"}},
  };
  ASSERT_EQ(chmod(std::filesystem::path(missing).parent_path().c_str(), 0755), 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    if (c.path != missing) {
      ASSERT_EQ(chown(c.path.c_str(), 0, c.group), 0);
      ASSERT_EQ(chmod(c.path.c_str(), c.mode), 0);
    }
    const std::string answer = test::in_unprivileged_child([&] {
      const SerialOpenResult opened = open_termios_device(c.path);
      return std::to_string(opened.error) + " " + opened.problem;
    });
    EXPECT_THAT(answer, StartsWith(std::to_string(c.error) + " "));
    for (const std::string& part : c.says) EXPECT_THAT(answer, HasSubstr(part));
    EXPECT_THAT(answer, Not(HasSubstr("in use")));
  }
  const SerialOpenResult busy = termios_backend().open("COM4");
  EXPECT_EQ(busy.error, ERROR_ACCESS_DENIED);
  EXPECT_EQ(busy.problem, pty_.slave_path() + " is in use by another program");
}

TEST_F(TermiosSerialTest, APortIsHeldExclusivelyUntilItIsClosed) {
  std::unique_ptr<SerialDevice> first = open_port();
  ASSERT_NE(first, nullptr);
  const SerialOpenResult second = termios_backend().open("COM4");
  EXPECT_EQ(second.device, nullptr);
  EXPECT_EQ(second.error, ERROR_ACCESS_DENIED);
  first.reset();
  EXPECT_NE(open_port(), nullptr);
}

// The rate is read back from the driver; a pty keeps no size or parity, so those come from the record.
TEST_F(TermiosSerialTest, SettingsAreAppliedAndReadBack) {
  std::unique_ptr<SerialDevice> port = open_port();
  ASSERT_NE(port, nullptr);
  struct Case {
    std::uint32_t baud;
    std::uint8_t byte_size;
    std::uint8_t parity;
    std::uint8_t stop_bits;
  };
  const Case cases[] = {
      {115200, 8, NOPARITY, ONESTOPBIT},  {250000, 8, NOPARITY, ONESTOPBIT},   {9600, 7, EVENPARITY, TWOSTOPBITS},
      {1200, 7, ODDPARITY, ONESTOPBIT},   {4800, 8, MARKPARITY, ONESTOPBIT},   {57600, 6, SPACEPARITY, ONESTOPBIT},
      {31250, 5, NOPARITY, ONE5STOPBITS}, {110, 8, NOPARITY, TWOSTOPBITS},
  };
  for (const Case& c : cases) {
    DeviceControlBlock wanted;
    ASSERT_TRUE(port->get_state(wanted));
    wanted.BaudRate = c.baud;
    wanted.ByteSize = c.byte_size;
    wanted.Parity = c.parity;
    wanted.StopBits = c.stop_bits;
    ASSERT_EQ(port->set_state(wanted), 0u) << c.baud;
    DeviceControlBlock got;
    ASSERT_TRUE(port->get_state(got));
    EXPECT_EQ(got.BaudRate, c.baud);
    EXPECT_EQ(got.ByteSize, c.byte_size);
    EXPECT_EQ(got.Parity, c.parity);
    EXPECT_EQ(got.StopBits, c.stop_bits) << c.baud;
  }
}

TEST_F(TermiosSerialTest, ImpossibleSettingsAreRefusedAndChangeNothing) {
  std::unique_ptr<SerialDevice> port = open_port();
  ASSERT_NE(port, nullptr);
  DeviceControlBlock before;
  ASSERT_TRUE(port->get_state(before));
  for (const auto& change : {+[](DeviceControlBlock& d) { d.BaudRate = 0; },
                             +[](DeviceControlBlock& d) { d.ByteSize = 9; },
                             +[](DeviceControlBlock& d) { d.ByteSize = 4; },
                             +[](DeviceControlBlock& d) { d.Parity = 5; }}) {
    DeviceControlBlock bad = before;
    change(bad);
    EXPECT_EQ(port->set_state(bad), ERROR_INVALID_PARAMETER);
  }
  DeviceControlBlock after;
  ASSERT_TRUE(port->get_state(after));
  EXPECT_EQ(after.BaudRate, before.BaudRate);
  EXPECT_EQ(after.ByteSize, before.ByteSize);
}

TEST_F(TermiosSerialTest, BytesTravelBothWaysWithoutWaiting) {
  std::unique_ptr<SerialDevice> port = open_port();
  ASSERT_NE(port, nullptr);
  std::uint8_t buffer[16];
  EXPECT_EQ(port->read(buffer, sizeof buffer), 0) << "nothing there: no wait";
  const std::uint8_t out[] = {0x00, 0x0D, 0x0A, 0xFF, 0x11, 0x13};
  EXPECT_EQ(port->write(out, sizeof out), 6);
  EXPECT_EQ(pty_.read_some(6), std::vector<std::uint8_t>(out, out + 6)) << "raw: nothing translated";
  pty_.write_all({1, 2, 3, 0x0D, 0x03});
  std::uint32_t events = 0;
  port->set_event_mask(EV_RXCHAR);
  ASSERT_TRUE(port->wait_event(events));
  EXPECT_EQ(events, EV_RXCHAR);
  SerialPortStatus status;
  std::uint32_t errors = 99;
  for (int tries = 0; tries < 200 && status.in_queue < 5; ++tries) {
    ASSERT_TRUE(port->clear_errors(errors, status));
    platform::clock().sleep_microseconds(5000);
  }
  EXPECT_EQ(errors, 0u);
  EXPECT_EQ(status.in_queue, 5u);
  EXPECT_EQ(port->read(buffer, 3), 3);
  EXPECT_EQ(port->read(buffer + 3, sizeof buffer), 2);
  EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + 5), (std::vector<std::uint8_t>{1, 2, 3, 0x0D, 0x03}));
}

TEST_F(TermiosSerialTest, PurgeDropsTheInputTheDeviceHolds) {
  std::unique_ptr<SerialDevice> port = open_port();
  ASSERT_NE(port, nullptr);
  pty_.write_all({1, 2, 3, 4});
  SerialPortStatus status;
  std::uint32_t errors = 0;
  for (int tries = 0; tries < 200 && status.in_queue < 4; ++tries) {
    port->clear_errors(errors, status);
    platform::clock().sleep_microseconds(5000);
  }
  ASSERT_EQ(status.in_queue, 4u);
  EXPECT_EQ(port->purge(PURGE_RXABORT | PURGE_RXCLEAR), 0u);
  ASSERT_TRUE(port->clear_errors(errors, status));
  EXPECT_EQ(status.in_queue, 0u);
  std::uint8_t buffer[4];
  EXPECT_EQ(port->read(buffer, 4), 0);
}

TEST_F(TermiosSerialTest, WaitsEndWhenAnotherThreadAsks) {
  std::unique_ptr<SerialDevice> port = open_port();
  ASSERT_NE(port, nullptr);
  port->set_event_mask(EV_RXCHAR | EV_ERR);
  std::uint32_t events = 99;
  bool waited = false;
  std::thread waiter([&] { waited = port->wait_event(events); });
  port->set_event_mask(0);
  waiter.join();
  EXPECT_TRUE(waited);
  EXPECT_EQ(events, 0u) << "ended by the mask, not by an event";

  port->wake_writer();
  EXPECT_FALSE(port->wait_writable()) << "a wake given before the wait ends it";
  EXPECT_TRUE(port->wait_writable()) << "room to write";
}

TEST_F(TermiosSerialTest, AReportedArrivalIsNotReportedAgainUntilTheReaderTookSome) {
  std::unique_ptr<SerialDevice> port = open_port();
  ASSERT_NE(port, nullptr);
  port->set_event_mask(EV_RXCHAR);
  pty_.write_all({7});
  std::uint32_t first = 0;
  ASSERT_TRUE(port->wait_event(first));
  std::uint32_t second = 99;
  std::thread waiter([&] { port->wait_event(second); });
  platform::clock().sleep_microseconds(60'000);
  port->set_event_mask(0);
  waiter.join();
  EXPECT_EQ(second, 0u) << "the byte nobody read raised no second event";
}

TEST_F(TermiosSerialTest, AClosedFarEndFailsTheEventWait) {
  std::unique_ptr<SerialDevice> port = open_port();
  ASSERT_NE(port, nullptr);
  port->set_event_mask(EV_RXCHAR);
  pty_.close_master();
  std::uint32_t events = 0;
  EXPECT_FALSE(port->wait_event(events));
}

}  // namespace
}  // namespace vx::platform
