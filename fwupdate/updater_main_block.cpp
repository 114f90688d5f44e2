#include "fwupdate/updater_main_block.h"

#include "foundation/kstring.h"
#include "foundation/run_control.h"
#include "foundation/run_state.h"
#include "foundation/system_helpers.h"
#include "fwupdate/firmware_selection_form.h"
#include "fwupdate/flash_update.h"
#include "fwupdate/object_walk.h"
#include "fwupdate/osbdm_binding.h"
#include "fwupdate/update_decision.h"
#include "fwupdate/update_progress_form.h"
#include "fwupdate/updater_link.h"
#include "fwupdate/updater_usb_ports.h"
#include "interface/byte_protocol.h"
#include "interface/ethernet_transport.h"
#include "interface/firmware_update_link.h"
#include "interface/port_table.h"
#include "interface/programmer_link.h"
#include "loaders/load_driver.h"
#include "platform/clock.h"
#include "platform/ws/application.h"
#include "platform/ws/messages.h"

namespace vx::updater {
namespace {

ShortText program_folder() {
  ShortText exe;
  GET_EXE_PATH(exe);
  return add_backslash(path_part(exe)).value_or(ShortText());
}

void start_update_engine() {
  fwupdate::reset_update_decision(fwupdate::EngineBuild::updater);
  fwupdate::update_decision().steps = &fwupdate::flash_update_engine();
  FirmwareUpdateServices services = firmware_update_link().services;
  services.ask_update_firmware = fwupdate::ask_update_firmware_after_reset;
  register_firmware_update_services(services);
}

}  // namespace

// The interface link's own start writes into the units started before it.
void start_updater_units(const ShortText& folder) {
  init_decimal_separator();
  start_run_control();
  run_state().program_directory = folder;
  reset_port_table();
  reset_byte_protocol();
  reset_programmer_link();
  start_ethernet_transport(static_cast<std::uint32_t>(platform::clock().monotonic_microseconds()), ShortText());
  // Firmware files are kept in arrival order and sorted on their first walk.
  fwupdate::start_updater_object_loading();
  loaders::start_object_loading(loaders::LoaderBuild::updater);
  reset_osbdm_binding(updater_osbdm_build);
  start_updater_usb_ports();
  reset_updater_link();
  start_update_engine();
}

void finish_updater_units() {
  close_all_ports();
  stop_updater_usb_ports();
  finish_ethernet_transport();
  settle_signal_ending();
  remove_headless_signals();
}

int updater_main_block(const std::function<void(Tupdatefirmwareselectionform&)>& sit_down) {
  const ShortText folder = program_folder();
  start_updater_units(folder);
  {
    fwupdate::Taskupdate_bdmquorvex1 progress;
    progress.hide();
    Tupdatefirmwareselectionform window(folder, progress);
    ws::set_main_form(&window);
    window.FormCreate();
    if (sit_down) sit_down(window);
    ws::run();
    ws::set_main_form(nullptr);
  }
  finish_updater_units();
  return 0;
}

}  // namespace vx::updater
