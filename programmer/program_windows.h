#pragma once

#include <memory>

// The programmer's windows, one global instance per form class, created at
// start-up in a fixed order; other units reach them only through here.
namespace vx {
class Tbdcpowerdialogform;
}
namespace vx::fwupdate {
class Taskupdate_bdmquorvex1;
}

namespace vx::programmer {

class TMainWin1;
class TChangeColor1;
class TAlgorithm_Source_window;
class TTrimCenterFrequencyForm;
class TIPForm1;
class Tstatus1;
class Tlptaddrform;
class Tconnectiondialog2;

struct ProgramWindows {
  ProgramWindows();
  ~ProgramWindows();
  ProgramWindows(const ProgramWindows&) = delete;
  ProgramWindows& operator=(const ProgramWindows&) = delete;

  std::unique_ptr<TMainWin1> MainWin1;
  std::unique_ptr<TChangeColor1> ChangeColor1;
  std::unique_ptr<TAlgorithm_Source_window> Algorithm_Source_window;
  std::unique_ptr<TTrimCenterFrequencyForm> TrimCenterFrequencyForm;
  std::unique_ptr<TIPForm1> IPForm1;
  std::unique_ptr<Tstatus1> status1;
  std::unique_ptr<Tlptaddrform> lptaddrform;
  std::unique_ptr<Tconnectiondialog2> connectiondialog2;
  std::unique_ptr<fwupdate::Taskupdate_bdmquorvex1> askupdate_bdmquorvex1;
  // The interface layer's power prompt.
  std::unique_ptr<Tbdcpowerdialogform> bdcpowerdialogform;
};

ProgramWindows& program_windows();
// The later windows first, the main window last; the status window's
// destruction runs the shutdown sequence.
void destroy_program_windows();

}  // namespace vx::programmer
