#pragma once

#include <cstdint>

#include "foundation/short_text.h"
#include "interface/interface_class.h"

// What the firmware update engine is asked to look for: written by the reset
// that identified the interface (or by the updater's selection window) and
// read by the engine. One per program; the engine's own vocabulary.
namespace vx::fwupdate {

// The interface class the update steps use.
enum UpdateLinkKind : std::uint8_t { cable_link = 0, usb_link = 1, programmer_link = 2, no_update_link = 3 };

constexpr UpdateLinkKind update_link_kind_of(InterfaceClass interface_class) {
  switch (interface_class) {
    case InterfaceClass::parallel_cable: return cable_link;
    case InterfaceClass::usb_interface: return usb_link;
    case InterfaceClass::standalone_programmer: return programmer_link;
  }
  return no_update_link;
}

struct FirmwareRequest {
  // Patterns with the program's directory in front; blank or "0.00" is none.
  // Stand-alone programmers search the "ens" and "en2" patterns, every other
  // interface the update pattern.
  ShortText update_search_pattern, ens_search_pattern, en2_search_pattern, kernel_file_base;
  // Major x 100 + minor, as the interface's reset reported it.
  std::uint16_t interface_firmware_version = 0;
  std::uint8_t update_link_kind = no_update_link;
  // The updater's file named by the user instead of a search.
  bool use_explicit_file = false;
  ShortText explicit_firmware_file;
};

FirmwareRequest& firmware_request();
void reset_firmware_request();
// A reset's request; one made by a reset inside a running update is dropped,
// so the update keeps its inputs.
void offer_firmware_request(const FirmwareRequest& request);

}  // namespace vx::fwupdate
