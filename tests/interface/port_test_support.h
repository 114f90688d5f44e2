#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "interface/connection_manager_view.h"
#include "interface/ethernet_devices.h"
#include "interface/port_table.h"
#include "interface/programmer_link.h"
#include "support/pty_pair.h"

namespace vx::port_testing {

// The connection manager's port list and scanning label as a test sees them.
class RecordingPortList final : public ConnectionManagerView {
 public:
  RecordingPortList() { register_connection_manager_view(this); }
  ~RecordingPortList() override { register_connection_manager_view(nullptr); }
  RecordingPortList(const RecordingPortList&) = delete;
  RecordingPortList& operator=(const RecordingPortList&) = delete;

  void show_scanning(bool visible) override { scanning.push_back(visible); }
  void clear_port_list() override { items.clear(); }
  std::int32_t add_port_item(const ShortText& name) override {
    items.emplace_back(name.view());
    return static_cast<std::int32_t>(items.size());
  }
  std::uint8_t port_kind_mask() const override { return mask; }

  std::vector<std::string> items;
  std::vector<bool> scanning;
  std::uint8_t mask = 0x3F;
};

// The port unit, the programmer link and the discovered devices at their
// start values, before and after, with the registry in a temporary file.
class ScopedPortUnit {
 public:
  ScopedPortUnit() { reset(); }
  ~ScopedPortUnit() { reset(); }
  ScopedPortUnit(const ScopedPortUnit&) = delete;
  ScopedPortUnit& operator=(const ScopedPortUnit&) = delete;

  test::ScopedSerialMapping registry;

 private:
  static void reset() {
    sap_close();
    reset_port_table();
    reset_programmer_link();
    clear_ethernet_device_list();
  }
};

}  // namespace vx::port_testing
