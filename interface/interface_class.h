#pragma once

#include <cstdint>

// How the byte protocol reaches the open interface. The numbers are the
// class's own; the interface type a user chooses and the firmware update's
// link kind are other vocabularies.
namespace vx {

enum class InterfaceClass : std::uint8_t {
  parallel_cable = 0,  // also a PCI card
  usb_interface = 1,
  standalone_programmer = 2,
};

}  // namespace vx
