#include "fwupdate/updater_units.h"

#include <vector>

#include "fwupdate/flash_update.h"
#include "fwupdate/object_walk.h"
#include "fwupdate/osbdm_binding.h"
#include "fwupdate/update_decision.h"
#include "fwupdate/updater_link.h"
#include "fwupdate/updater_usb_ports.h"
#include "fwupdate/usb_classification.h"
#include "interface/byte_protocol.h"
#include "interface/ethernet_transport.h"
#include "interface/firmware_update_link.h"
#include "interface/interface_units.h"
#include "interface/port_table.h"
#include "interface/programmer_link.h"
#include "loaders/load_driver.h"
#include "platform/clock.h"

namespace vx::updater {
namespace {

void start_ethernet() {
  start_ethernet_transport(static_cast<std::uint32_t>(platform::clock().monotonic_microseconds()), ShortText());
}

// Firmware files are kept in arrival order and sorted on their first walk.
void start_object_loading() {
  fwupdate::start_updater_object_loading();
  loaders::start_object_loading(loaders::LoaderBuild::updater);
}

void reset_osbdm() { reset_osbdm_binding(updater_osbdm_build); }

void reset_usb_ports() { reset_updater_usb_ports(); }

// The link's start writes into the units started before it.
void reset_link() { reset_updater_link(); }

void reset_engine() { fwupdate::reset_update_decision(fwupdate::EngineBuild::updater); }

void start_update_engine() {
  reset_engine();
  fwupdate::update_decision().steps = &fwupdate::flash_update_engine();
  FirmwareUpdateServices services = firmware_update_link().services;
  services.ask_update_firmware = fwupdate::ask_update_firmware_after_reset;
  register_firmware_update_services(services);
}

}  // namespace

std::span<const ProgramUnit> updater_units() {
  static const std::vector<ProgramUnit> units = units_above(interface_units(), {
      {.start = reset_port_table},
      {.start = reset_byte_protocol},
      {.start = reset_programmer_link},
      {.start = start_ethernet, .finish = finish_ethernet_transport},
      {.start = start_object_loading},
      {.start = reset_osbdm, .reset = reset_osbdm},
      {.start = start_updater_usb_ports, .reset = reset_usb_ports, .finish = stop_updater_usb_ports},
      {.reset = reset_usb_classification},
      {.start = reset_link, .reset = reset_link},
      {.start = start_update_engine, .reset = reset_engine},
  });
  return units;
}

}  // namespace vx::updater
