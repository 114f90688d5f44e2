#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "foundation/command_exception.h"
#include "foundation/run_state.h"
#include "interface/byte_protocol.h"
#include "interface/connection_settings.h"
#include "interface/drivers/ftdi_binding.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/drivers/wdusb_library.h"
#include "interface/firmware_request.h"
#include "interface/firmware_update_link.h"
#include "interface/interface_reset.h"
#include "interface/interface_speed.h"
#include "interface/link_state.h"
#include "interface/port_counts.h"
#include "interface/usb_routing.h"
#include "platform/ws/application.h"
#include "sim/hcs08/hcs08.h"
#include "sim/pod/pod.h"
#include "support/recording_list_view.h"
#include "support/simulated_usb.h"

namespace vx::protocol_testing {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint16_t target_address = 0x0080;
inline constexpr std::uint8_t target_byte = 0x5A;

// Runs `step`, which must end the script with `result`; the window system is
// made usable again afterwards.
template <typename Step>
void expect_halt(Step step, std::int32_t result = 45) {
  EXPECT_THROW(step(), CommandException);
  EXPECT_EQ(run_state().last_script_result, result);
  ws::reset_application();
  run_state().abort_flag = false;
}

// Every unit of the protocol and the interface reset at its start values.
inline void reset_protocol_units() {
  reset_byte_protocol();
  reset_interface_state();
  reset_sync_state();
  reset_connection_settings();
  reset_firmware_update_link();
  fwupdate::reset_firmware_request();
}

// An unsecured target in background mode with a known byte in RAM.
struct BackgroundTarget {
  BackgroundTarget() {
    mcu.poke(mcu.config().nvopt, 0xFE);
    mcu.power_on(true);
    mcu.poke(target_address, target_byte);
  }
  sim::Hcs08 mcu;
};

// One interface of each USB family on the simulated buses, each carrying a
// pod wired to its own target; port 1 is the FTDI one, port 2 the WinDriver one.
class UsbProtocolTest : public testing::Test {
 protected:
  static constexpr std::int32_t ftdi_port = 1, windriver_port = 2;

  explicit UsbProtocolTest(sim::PodConfig config = {}, std::string windriver_line =
                                                             "VLX,USB-QX-12 : USB Quorvex,QX0009,,four,five,six,seven")
      : ftdi_pod_(config, &ftdi_target_.mcu, &usb_.clock), windriver_pod_(config, &windriver_target_.mcu, &usb_.clock) {
    ftdi_pod_.keep_wire_log(true);
    windriver_pod_.keep_wire_log(true);
    usb_.ftdi.add({"VX3000001", "VLX USB BDM VX3000001", &ftdi_pod_});
    usb_.usb.add({std::move(windriver_line), sim::scenario_default_vendor, 2, &windriver_pod_});
  }

  void SetUp() override {
    reset_protocol_units();
    start_ftdi_binding();
    load_usb_driver_dll();
    wdusb_enumerate();
    ft_list_devices();
    port_counts().found_usb_interface_count = ft_device_count() + wdusb_interface_count();
    link_state().interface_class = InterfaceClass::usb_interface;
  }
  void TearDown() override { reset_protocol_units(); }

  // Opens the port and starts the link afresh.
  sim::Pod& open(std::int32_t port) {
    EXPECT_TRUE(open_usb_port(port));
    restart_byte_protocol();
    return port == ftdi_port ? ftdi_pod_ : windriver_pod_;
  }
  std::uint64_t now_ms() { return usb_.clock.now_nanoseconds() / 1'000'000; }

  test::ScopedStatusOutput status_;
  test::SimulatedUsb usb_;
  BackgroundTarget ftdi_target_;
  BackgroundTarget windriver_target_;
  sim::Pod ftdi_pod_;
  sim::Pod windriver_pod_;
};

// One FTDI-based interface with its pod and target, open, its version read.
struct FtdiBench {
  explicit FtdiBench(const sim::PodConfig& config) : pod(config, &target.mcu, &usb.clock) {
    pod.keep_wire_log(true);
    reset_protocol_units();
    usb.ftdi.add({"VX3000001", "VLX USB BDM", &pod});
    start_ftdi_binding();
    ft_list_devices();
    port_counts().found_usb_interface_count = ft_device_count();
    EXPECT_TRUE(open_usb_port(1));
    link_state().interface_class = InterfaceClass::usb_interface;
    restart_byte_protocol();
    Check_cable_version(0x4058);
  }
  ~FtdiBench() { reset_protocol_units(); }
  FtdiBench(const FtdiBench&) = delete;
  FtdiBench& operator=(const FtdiBench&) = delete;

  // The commands sent since the version read.
  std::vector<Bytes> commands_since(std::size_t first) const {
    std::vector<Bytes> sent;
    for (std::size_t i = first; i < pod.wire_log().size(); ++i) sent.push_back(pod.wire_log()[i].command);
    return sent;
  }
  std::uint64_t now_ms() { return usb.clock.now_nanoseconds() / 1'000'000; }

  test::SimulatedUsb usb;
  BackgroundTarget target;
  sim::Pod pod;
};

inline sim::PodConfig running(const char* version) { return {.updated_firmware = version}; }

}  // namespace vx::protocol_testing
