#include "programmer/program_windows.h"

#include "fwupdate/update_progress_form.h"
#include "interface/power_dialog_form.h"
#include "interface/target_connection.h"
#include "programmer/algorithm_source_window.h"
#include "programmer/connection_manager.h"
#include "programmer/ethernet_address_window.h"
#include "programmer/lpt_address_window.h"
#include "programmer/main_window.h"
#include "programmer/status_window.h"
#include "programmer/trim_center_frequency_window.h"
#include "programmer/window_colors.h"

namespace vx::programmer {
namespace {

ProgramWindows windows;

}  // namespace

ProgramWindows::ProgramWindows() = default;
ProgramWindows::~ProgramWindows() = default;

ProgramWindows& program_windows() { return windows; }

void destroy_program_windows() {
  target_connection().power_dialog = nullptr;
  windows.bdcpowerdialogform.reset();
  windows.askupdate_bdmquorvex1.reset();
  windows.connectiondialog2.reset();
  windows.lptaddrform.reset();
  windows.status1.reset();
  windows.IPForm1.reset();
  windows.TrimCenterFrequencyForm.reset();
  windows.Algorithm_Source_window.reset();
  windows.ChangeColor1.reset();
  windows.MainWin1.reset();
}

}  // namespace vx::programmer
