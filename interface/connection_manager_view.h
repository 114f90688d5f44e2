#pragma once

#include <cstdint>

#include "foundation/short_text.h"

// The connection-manager window as the port scan uses it. The programmer
// registers its window when it creates it and unregisters it before the
// window goes; without one the scan fills no list.
namespace vx {

class ConnectionManagerView {
 public:
  virtual ~ConnectionManagerView() = default;

  // The "SCANNING" label, shown or hidden and repainted at once.
  virtual void show_scanning(bool visible) = 0;
  virtual void clear_port_list() = 0;
  // Appends an item to the port list; the item count afterwards.
  virtual std::int32_t add_port_item(const ShortText& name) = 0;
  // The port kinds the selected interface type lists: 1 parallel, 2 PCI,
  // 4 USB interface, 8 serial, 16 Ethernet, 32 programmer on USB.
  virtual std::uint8_t port_kind_mask() const = 0;
};

// nullptr: the window does not exist.
void register_connection_manager_view(ConnectionManagerView* view);
ConnectionManagerView* connection_manager_view();

}  // namespace vx
