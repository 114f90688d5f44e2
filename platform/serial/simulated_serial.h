#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "platform/serial/serial_device.h"

namespace vx::platform {

// One simulated port: its far end, what its device holds, and the faults it
// can be made to show. Safe to use from several threads.
class SimulatedSerialPort {
 public:
  static constexpr std::size_t unlimited = std::numeric_limits<std::size_t>::max();

  // The far end sends bytes; `line_errors` (CE_ bits) arrive with them.
  void send(std::span<const std::uint8_t> bytes, std::uint32_t line_errors = 0);
  // Takes what the port has written.
  std::vector<std::uint8_t> receive();
  std::size_t written_count();
  // The size of every write the device took bytes from, in order.
  std::vector<std::size_t> write_sizes();
  void set_modem_lines(std::uint32_t lines);

  bool is_open();
  std::uint32_t open_count();
  bool dtr();
  bool rts();
  // The settings last applied, and how often settings were applied.
  DeviceControlBlock state();
  std::uint32_t state_changes();
  // Bytes the device holds that the port has not read.
  std::size_t held_input();

  // Faults.
  // The next opens fail with this system error (0: they succeed).
  void set_open_error(std::uint32_t error);
  void set_state_error(std::uint32_t error);
  void set_queue_error(std::uint32_t error);
  // How many written bytes the line holds before the port's writes have to wait.
  void set_output_capacity(std::size_t bytes);
  // How many received bytes the device holds; more are lost with an overflow error.
  void set_input_capacity(std::size_t bytes);
  void set_read_failure(bool failing);
  void set_write_failure(bool failing);
  // Received bytes, errors and line changes raise no device events.
  void set_silent(bool silent);
  // Waits for events fail from now on.
  void fail_event_waits();

 private:
  friend class SimulatedSerialDevice;
  friend class SimulatedSerialBus;

  void raise_events(std::uint32_t events);

  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
  std::uint32_t open_count_ = 0;
  std::uint32_t open_error_ = 0;
  std::uint32_t state_error_ = 0;
  std::uint32_t queue_error_ = 0;
  std::deque<std::uint8_t> input_;
  std::size_t input_capacity_ = 4096;
  std::uint32_t line_errors_ = 0;
  std::vector<std::uint8_t> output_;
  std::vector<std::size_t> write_sizes_;
  std::size_t output_capacity_ = unlimited;
  std::uint32_t modem_lines_ = 0;
  bool dtr_ = false;
  bool rts_ = false;
  DeviceControlBlock state_;
  std::uint32_t state_changes_ = 0;
  bool read_failure_ = false;
  bool write_failure_ = false;
  bool silent_ = false;
  bool event_waits_fail_ = false;
  std::uint32_t event_mask_ = 0;
  std::uint32_t pending_events_ = 0;
  bool event_wait_cancelled_ = false;
  bool writer_woken_ = false;
};

// Simulated ports by COM number; installed as the serial backend.
class SimulatedSerialBus final : public SerialBackend {
 public:
  // The port COM n, made on first use.
  SimulatedSerialPort& port(std::uint32_t n);
  SerialOpenResult open(std::string_view name) override;

 private:
  std::mutex mutex_;
  std::map<std::uint32_t, std::shared_ptr<SimulatedSerialPort>> ports_;
};

}  // namespace vx::platform
