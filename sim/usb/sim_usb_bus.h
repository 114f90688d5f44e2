#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <mutex>
#include <string>
#include <vector>

#include "platform/wdusb.h"
#include "sim/pod/pod.h"
#include "sim/sim_clock.h"

namespace vx::sim {

struct SimUsbDevice {
  std::string information;  // the line it answers the identification request with
  std::uint16_t vendor = 0xFFFF;
  std::uint16_t product = 0;
  Pod* pod = nullptr;
  // A device that is not a debug interface answers frames itself.
  std::function<std::vector<std::uint8_t>(std::span<const std::uint8_t>)> answer = nullptr;
};

// WinDriver-family devices on a simulated bus: bulk frames on pipes 0x02 and
// 0x81 (256 bytes, or 1280 for a long frame, as one transfer or in 256-byte
// parts), the identification request 0x01 0x0B, and attach and detach at
// run time. An interface whose firmware restarts leaves the bus and comes
// back once its answer has been read. Each frame costs a USB round trip of simulated time and the bus
// time of its and its answer's packets, and a read that finds nothing waits
// out its time-out.
class SimUsbBus final : public platform::UsbBus {
 public:
  explicit SimUsbBus(SimClock* clock, std::uint64_t round_trip_ns = 1'000'000);

  // Plugging in and out returns once the library has called back for it.
  platform::UsbDeviceId add(SimUsbDevice device, bool attached = true);
  void attach(platform::UsbDeviceId device);
  void detach(platform::UsbDeviceId device);
  // Frames the device took apart wrongly, for tests.
  std::uint32_t malformed_frames() const;
  // Bulk transfers asked of the bus so far, for measurements.
  std::uint64_t transfers() const;

  bool start(std::uint16_t vendor, std::uint16_t product, platform::UsbBusEvents& events) override;
  void stop() override;
  std::uint32_t set_interface(platform::UsbDeviceId device, std::uint8_t interface_number,
                              std::uint8_t alternate_setting) override;
  std::uint32_t reset_pipe(platform::UsbDeviceId device, std::uint8_t pipe) override;
  std::uint32_t transfer(platform::UsbDeviceId device, std::uint8_t pipe, bool read, std::span<std::uint8_t> buffer,
                         std::uint32_t& transferred, std::uint32_t timeout_ms) override;

 private:
  struct Device {
    SimUsbDevice config;
    bool attached = true;
    std::vector<std::uint8_t> incoming;  // parts of a frame from the host
    std::vector<std::uint8_t> reply;     // the answer frame not yet read
    std::size_t reply_read = 0;
    bool restarting = false;             // re-attaches when the answer is read
  };

  // True in `restarted` when the device is to leave and come back now.
  std::uint32_t locked_transfer(platform::UsbDeviceId device, std::uint8_t pipe, bool read,
                                std::span<std::uint8_t> buffer, std::uint32_t& transferred, std::uint32_t timeout_ms,
                                bool& restarted);

  bool matches(const Device& device) const;
  Device* any(platform::UsbDeviceId device);
  // Only an attached device.
  Device* find(platform::UsbDeviceId device);
  void take_frame(Device& device);

  mutable std::mutex mutex_;
  SimClock* clock_;
  std::uint64_t round_trip_ns_;
  std::vector<Device> devices_;  // the identity is the index + 1
  platform::UsbBusEvents* events_ = nullptr;
  std::uint16_t vendor_ = 0;
  std::uint16_t product_ = 0;
  std::uint32_t malformed_ = 0;
  std::uint64_t transfers_ = 0;
};

}  // namespace vx::sim
