#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "interface/byte_protocol.h"
#include "interface/connection_settings.h"
#include "interface/drivers/ftdi_binding.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/drivers/wdusb_library.h"
#include "interface/engine_settings.h"
#include "interface/firmware_update_link.h"
#include "interface/interface_reset.h"
#include "interface/interface_speed.h"
#include "interface/interface_units.h"
#include "interface/link_state.h"
#include "interface/port_counts.h"
#include "interface/port_state.h"
#include "interface/programmer_link.h"
#include "interface/srecord_download.h"
#include "interface/target_connection.h"
#include "interface/target_operations.h"
#include "interface/target_read_cache.h"
#include "interface/usb_routing.h"
#include "platform/ws/application.h"
#include "sim/hcs08/hcs08.h"
#include "sim/pod/pod.h"
#include "sim/programmer/sim_programmer.h"
#include "support/recording_list_view.h"
#include "support/simulated_cable.h"
#include "support/simulated_usb.h"

namespace vx::target_testing {

using Bytes = std::vector<std::uint8_t>;

enum class Medium { ftdi, windriver, parallel, programmer };

inline std::string medium_name(Medium medium) {
  switch (medium) {
    case Medium::ftdi: return "Ftdi";
    case Medium::windriver: return "WinDriver";
    case Medium::programmer: return "Programmer";
    default: return "Parallel";
  }
}

inline const Medium every_medium[] = {Medium::ftdi, Medium::windriver, Medium::parallel};

// Every unit of the interface layer at its start values.
inline void reset_target_units() {
  reset_units(interface_units());
  // A halt or exit in an earlier test leaves the window system ended.
  ws::reset_application();
}

struct BenchOptions {
  std::string firmware = "5.12";
  bool secured = false;
  sim::DeviceConfig device = sim::default_device();
  // The WinDriver interface's identification line; its second field is the model and description.
  std::string windriver_line = "VLX,USB-QX-12 : USB Quorvex,QX0009,,four,five,six,seven";
  // A stand-alone programmer on USB: its version (major 8: a programmer that takes blocks only
  // from a stopped target).
  std::string programmer_version = "8.10";
};

// A simulated target, reset into background mode, behind one interface on
// one medium on virtual time; the interface has been reset as at start-up.
class TargetBench {
 public:
  static constexpr std::uint16_t parallel_base = 0x278;

  explicit TargetBench(Medium medium, BenchOptions options = {}) : medium_(medium), mcu(options.device) {
    mcu.poke(mcu.config().nvopt, options.secured ? 0xFF : 0xFE);
    mcu.power_on(true);
    sim::PodConfig config;
    config.updated_firmware = options.firmware;
    config.original_firmware = options.firmware;
    reset_target_units();
    if (medium == Medium::parallel) {
      cable_.emplace();
      pod_.emplace(config, &mcu, &cable_->clock);
      cable_->ports.add(parallel_base, &*pod_);
      port_state().port_kind = PortState::kind_parallel;
      set_port_addresses(parallel_base);
      link_state().interface_class = InterfaceClass::parallel_cable;
    } else if (medium == Medium::programmer) {
      usb_.emplace();
      pod_.emplace(config, &mcu, &usb_->clock);
      reset_programmer_link();
      sim::SimProgrammerConfig programmer_config;
      programmer_config.version = options.programmer_version;
      programmer_.emplace(programmer_config, &*pod_);
      usb_->usb.add({programmer_config.identity, sim::scenario_default_vendor, 2, nullptr,
                     [this](std::span<const std::uint8_t> frame) { return programmer_->execute_frame(frame); }});
      load_usb_driver_dll();
      wdusb_enumerate();
      EXPECT_EQ(sap_open_usb(1), sap_ok);
      link_state().interface_class = InterfaceClass::standalone_programmer;
    } else {
      usb_.emplace();
      pod_.emplace(config, &mcu, &usb_->clock);
      if (medium == Medium::ftdi) {
        usb_->ftdi.add({"VX3000001", "VLX USB BDM VX3000001", &*pod_});
      } else {
        usb_->usb.add({options.windriver_line, sim::scenario_default_vendor, 2, &*pod_});
      }
      start_ftdi_binding();
      load_usb_driver_dll();
      wdusb_enumerate();
      ft_list_devices();
      port_counts().found_usb_interface_count = ft_device_count() + wdusb_interface_count();
      link_state().interface_class = InterfaceClass::usb_interface;
      EXPECT_TRUE(open_usb_port(1));
    }
    status_.emplace();
    RESET_CABLE();
    pod_->keep_wire_log(true);
    setup_commands_ = pod_->wire_log().size();
  }
  ~TargetBench() {
    if (programmer_) {
      sap_close();
      reset_programmer_link();
    }
    reset_target_units();
    // The media let go of the interface before it goes.
    usb_.reset();
    cable_.reset();
    programmer_.reset();
  }
  TargetBench(const TargetBench&) = delete;
  TargetBench& operator=(const TargetBench&) = delete;

  sim::Pod& pod() { return *pod_; }
  // The USB buses; none on the parallel cable.
  test::SimulatedUsb* usb() { return usb_ ? &*usb_ : nullptr; }
  sim::SimClock& clock() { return medium_ == Medium::parallel ? cable_->clock : usb_->clock; }
  Medium medium() const { return medium_; }

  Bytes ram(std::uint16_t address, std::size_t count) {
    Bytes bytes;
    for (std::size_t i = 0; i < count; ++i) bytes.push_back(mcu.peek(static_cast<std::uint16_t>(address + i)));
    return bytes;
  }
  // The commands sent since the interface reset, and those that begin with a prefix.
  std::vector<Bytes> sent() const {
    std::vector<Bytes> commands;
    for (std::size_t i = setup_commands_; i < pod_->wire_log().size(); ++i)
      commands.push_back(pod_->wire_log()[i].command);
    return commands;
  }
  std::vector<Bytes> sent(const Bytes& prefix) const {
    std::vector<Bytes> found;
    for (const Bytes& command : sent()) {
      if (command.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), command.begin())) {
        found.push_back(command);
      }
    }
    return found;
  }
  void forget_sent() { setup_commands_ = pod_->wire_log().size(); }

 private:
  Medium medium_;
  std::optional<test::SimulatedUsb> usb_;
  std::optional<test::SimulatedCable> cable_;
  // After the media, which reset the status output.
  std::optional<test::ScopedStatusOutput> status_;

 public:
  sim::Hcs08 mcu;

 private:
  std::optional<sim::Pod> pod_;
  std::optional<sim::SimProgrammer> programmer_;
  std::size_t setup_commands_ = 0;
};

inline Bytes counting(std::size_t count, std::uint8_t first = 0) {
  Bytes bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(first + i * 7);
  return bytes;
}

}  // namespace vx::target_testing
