#include "fwupdate/updater_main_block.h"

#include "foundation/kstring.h"
#include "foundation/program_units.h"
#include "foundation/run_control.h"
#include "foundation/run_state.h"
#include "foundation/system_helpers.h"
#include "fwupdate/firmware_selection_form.h"
#include "fwupdate/update_progress_form.h"
#include "fwupdate/updater_units.h"
#include "interface/port_table.h"
#include "platform/ws/application.h"
#include "platform/ws/messages.h"

namespace vx::updater {
namespace {

ShortText program_folder() {
  ShortText exe;
  GET_EXE_PATH(exe);
  return add_backslash(path_part(exe)).value_or(ShortText());
}

}  // namespace

void start_updater_units(const ShortText& folder) {
  init_decimal_separator();
  start_run_control();
  run_state().program_directory = folder;
  start_units(updater_units());
}

void finish_updater_units() {
  close_all_ports();
  finish_units(updater_units());
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
