#include <gtest/gtest.h>

#include <thread>

#include "platform/serial/simulated_serial.h"

namespace vx::platform {
namespace {

std::vector<std::uint8_t> bytes(std::initializer_list<std::uint8_t> values) { return values; }

TEST(SimulatedSerialTest, PortsOpenOnceAndOnlyWhenTheyExist) {
  SimulatedSerialBus bus;
  SimulatedSerialPort& port = bus.port(2);
  EXPECT_EQ(bus.open("COM1").error, ERROR_FILE_NOT_FOUND);
  SerialOpenResult first = bus.open("\\\\.\\COM2");
  ASSERT_NE(first.device, nullptr);
  EXPECT_TRUE(port.is_open());
  EXPECT_EQ(bus.open("COM2").error, ERROR_ACCESS_DENIED);
  first.device.reset();
  EXPECT_FALSE(port.is_open());
  port.set_open_error(ERROR_GEN_FAILURE);
  EXPECT_EQ(bus.open("COM2").error, ERROR_GEN_FAILURE);
  port.set_open_error(0);
  EXPECT_NE(bus.open("COM2").device, nullptr);
  EXPECT_EQ(port.open_count(), 2u);
}

TEST(SimulatedSerialTest, BytesErrorsAndLinesRaiseTheirEvents) {
  SimulatedSerialBus bus;
  SimulatedSerialPort& port = bus.port(1);
  std::unique_ptr<SerialDevice> device = bus.open("COM1").device;
  device->set_event_mask(EV_RXCHAR | EV_ERR | EV_BREAK | EV_CTS | EV_RING);
  struct Case {
    std::function<void()> cause;
    std::uint32_t events;
  };
  const Case cases[] = {
      {[&] { port.send(bytes({1})); }, EV_RXCHAR},
      {[&] { port.send(bytes({2}), CE_FRAME); }, EV_RXCHAR | EV_ERR},
      {[&] { port.send({}, CE_BREAK); }, EV_BREAK},
      {[&] { port.set_modem_lines(MS_CTS_ON | MS_RING_ON); }, EV_CTS | EV_RING},
      {[&] { port.set_modem_lines(MS_CTS_ON | MS_RING_ON | MS_DSR_ON); }, 0},  // DSR is not asked for
  };
  for (const Case& c : cases) {
    c.cause();
    if (c.events == 0) continue;
    std::uint32_t events = 0;
    ASSERT_TRUE(device->wait_event(events));
    EXPECT_EQ(events, c.events);
  }
  std::uint32_t errors = 0;
  SerialPortStatus status;
  ASSERT_TRUE(device->clear_errors(errors, status));
  EXPECT_EQ(errors, CE_FRAME | CE_BREAK);
  EXPECT_EQ(status.in_queue, 2u);
  ASSERT_TRUE(device->clear_errors(errors, status));
  EXPECT_EQ(errors, 0u) << "taken";
}

TEST(SimulatedSerialTest, ASilentPortRaisesNothingAndAFullOneOverflows) {
  SimulatedSerialBus bus;
  SimulatedSerialPort& port = bus.port(1);
  std::unique_ptr<SerialDevice> device = bus.open("COM1").device;
  device->set_event_mask(EV_RXCHAR | EV_ERR);
  port.set_silent(true);
  port.set_input_capacity(2);
  port.send(bytes({1, 2, 3}));
  std::uint32_t events = 99;
  std::thread stopper([&] { device->set_event_mask(0); });
  ASSERT_TRUE(device->wait_event(events));
  stopper.join();
  EXPECT_EQ(events, 0u);
  std::uint32_t errors = 0;
  SerialPortStatus status;
  device->clear_errors(errors, status);
  EXPECT_EQ(errors, CE_RXOVER);
  std::uint8_t buffer[4];
  EXPECT_EQ(device->read(buffer, 4), 2);
  port.fail_event_waits();
  EXPECT_FALSE(device->wait_event(events));
}

TEST(SimulatedSerialTest, WritesWaitForRoomOnTheLine) {
  SimulatedSerialBus bus;
  SimulatedSerialPort& port = bus.port(1);
  std::unique_ptr<SerialDevice> device = bus.open("COM1").device;
  port.set_output_capacity(3);
  const std::uint8_t data[] = {1, 2, 3, 4, 5};
  EXPECT_EQ(device->write(data, 5), 3);
  EXPECT_EQ(device->write(data + 3, 2), 0);
  std::thread peer([&] { EXPECT_EQ(port.receive(), bytes({1, 2, 3})); });
  EXPECT_TRUE(device->wait_writable());
  peer.join();
  EXPECT_EQ(device->write(data + 3, 2), 2);
  device->wake_writer();
  EXPECT_FALSE(device->wait_writable()) << "woken";
  port.set_write_failure(true);
  EXPECT_EQ(device->write(data, 1), -1);
  EXPECT_EQ(port.write_sizes(), (std::vector<std::size_t>{3, 2}));
}

TEST(SimulatedSerialTest, SettingsLinesAndPurgesAreRecorded) {
  SimulatedSerialBus bus;
  SimulatedSerialPort& port = bus.port(1);
  std::unique_ptr<SerialDevice> device = bus.open("COM1").device;
  DeviceControlBlock state;
  state.BaudRate = 57600;
  EXPECT_EQ(device->set_state(state), 0u);
  EXPECT_EQ(port.state().BaudRate, 57600u);
  state.BaudRate = 0;
  EXPECT_EQ(device->set_state(state), ERROR_INVALID_PARAMETER);
  port.set_state_error(ERROR_GEN_FAILURE);
  EXPECT_EQ(device->set_state(DeviceControlBlock{}), ERROR_GEN_FAILURE);
  EXPECT_EQ(port.state_changes(), 1u);
  EXPECT_TRUE(device->escape(SETDTR));
  EXPECT_TRUE(device->escape(CLRRTS));
  EXPECT_TRUE(port.dtr());
  EXPECT_FALSE(port.rts());
  EXPECT_FALSE(device->escape(77));
  port.send(bytes({1, 2}));
  const std::uint8_t out[] = {9};
  device->write(out, 1);
  EXPECT_EQ(device->purge(PURGE_RXABORT | PURGE_RXCLEAR), 0u);
  EXPECT_EQ(port.held_input(), 0u);
  EXPECT_EQ(port.written_count(), 1u);
  EXPECT_EQ(device->purge(PURGE_TXABORT | PURGE_TXCLEAR), 0u);
  EXPECT_EQ(port.written_count(), 0u);
}

}  // namespace
}  // namespace vx::platform
