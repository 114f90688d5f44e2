#include "interface/connection_manager_view.h"

namespace vx {
namespace {

constexpr std::uint8_t mask_without_window = 7;

ConnectionManagerView* registered = nullptr;

}  // namespace

void register_connection_manager_view(ConnectionManagerView* view) { registered = view; }

ConnectionManagerView* connection_manager_view() { return registered; }

std::uint8_t interface_port_kind_mask() {
  return registered != nullptr ? registered->port_kind_mask() : mask_without_window;
}

}  // namespace vx
