#pragma once

#include "interface/link_state.h"
#include "interface/usb_routing.h"

// Which kind of interface the open link reaches, as the target operations ask it.
namespace vx {

inline bool on_parallel_cable() { return link_state().interface_class == InterfaceClass::parallel_cable; }
inline bool on_usb_interface() { return link_state().interface_class == InterfaceClass::usb_interface; }
inline bool on_programmer() { return link_state().interface_class == InterfaceClass::standalone_programmer; }
inline bool on_windriver_usb() { return on_usb_interface() && usb_routing().usb_driver_family == 1; }

}  // namespace vx
