#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/scenario.h"
#include "sim/simulated_world.h"

namespace vx::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

// An interface memory read: a 4-byte payload answered with 5 bytes.
const Bytes short_payload = {4, 0x40, 0x58, 4};

// A 600-byte block write to a target that does not answer: only the acknowledgement comes back.
Bytes long_payload() {
  Bytes payload = {7, 4, 0x00, 0xFF};
  payload.resize(600, 0x5A);
  return payload;
}

std::unique_ptr<SimulatedWorld> world(const std::string& time_section) {
  const ScenarioResult loaded = parse_scenario(time_section + R"(
[interface]
family = ftdi
serial = VXT0001
[interface]
family = windriver
information = VLX,USB-QX-12 : USB Quorvex,QXT0002
)",
                                               "/base");
  EXPECT_TRUE(loaded.scenario) << loaded.error;
  auto built = std::make_unique<SimulatedWorld>(*loaded.scenario);
  // Only the bus is timed.
  built->pod(0).set_target_dead(true);
  built->pod(1).set_target_dead(true);
  return built;
}

// FTDI: the frame as it is; WinDriver: the frame padded to 256 bytes, or 1280 for a long one.
std::uint64_t exchange(SimulatedWorld& world, bool windriver, const Bytes& payload) {
  Bytes frame = {static_cast<std::uint8_t>(windriver && payload.size() > 252 ? 0xBB : 0xAA),
                 static_cast<std::uint8_t>(windriver && payload.size() > 252 ? 0x66 : 0x55),
                 static_cast<std::uint8_t>(payload.size() >> 8), static_cast<std::uint8_t>(payload.size())};
  frame.insert(frame.end(), payload.begin(), payload.end());
  const std::uint64_t before = world.clock().now_nanoseconds();
  if (windriver) {
    frame.resize(payload.size() > 252 ? 1280 : 256, 0);
    std::uint32_t transferred = 0;
    EXPECT_EQ(world.usb_bus().transfer(1, 0x02, false, frame, transferred, 100), platform::wd::success);
    std::vector<std::uint8_t> reply(256);
    EXPECT_EQ(world.usb_bus().transfer(1, 0x81, true, reply, transferred, 100), platform::wd::success);
    EXPECT_EQ(reply[4], Pod::ack);
  } else {
    const std::unique_ptr<platform::FtdiPort> port = world.ftdi_bus().open("VXT0001");
    EXPECT_EQ(port->write(frame), platform::ft::ok);
    std::vector<std::uint8_t> reply;
    port->read_available(reply);
    EXPECT_EQ(reply.at(0), Pod::ack);
  }
  return world.clock().now_nanoseconds() - before;
}

TEST(UsbTime, AFrameCostsTheRoundTripAndItsPacketsAtFullSpeed) {
  // A 64-byte packet is 512 bits: 42,666 ns at 12 Mbit/s; 4 packets 170,666 ns, 20 packets 853,333 ns.
  struct Case {
    const char* name;
    std::string time_section;
    bool windriver;
    bool long_frame;
    std::uint64_t expected_ns;
  };
  const Case cases[] = {
      {"WinDriver short: 4 packets out, 4 back", "", true, false, 1'000'000 + 170'666 + 170'666},
      {"WinDriver long: 20 packets out, 4 back", "", true, true, 1'000'000 + 853'333 + 170'666},
      {"FTDI short: 8 bytes out, 5 back", "", false, false, 1'000'000 + 42'666 + 42'666},
      {"FTDI long: 604 bytes in 10 packets out, 1 back", "", false, true, 1'000'000 + 426'666 + 42'666},
      {"the scenario's round trip", "[time]\nusb_round_trip_us = 125\n", true, false, 125'000 + 170'666 + 170'666},
      {"the scenario's round trip on FTDI", "[time]\nusb_round_trip_us = 125\n", false, true,
       125'000 + 426'666 + 42'666},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::unique_ptr<SimulatedWorld> built = world(c.time_section);
    EXPECT_EQ(exchange(*built, c.windriver, c.long_frame ? long_payload() : short_payload), c.expected_ns);
  }
}

}  // namespace
}  // namespace vx::sim
