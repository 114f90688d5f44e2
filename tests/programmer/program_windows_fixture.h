#pragma once

#include <memory>
#include <string>

#include "foundation/ini_document.h"
#include "foundation/status_output.h"
#include "platform/ws/application.h"
#include "programmer/main_window.h"
#include "programmer/program_windows.h"
#include "programmer/status_window.h"
#include "programmer/window_colors.h"
#include "programmer_fixture.h"

namespace vx::programmer {

// The main window, the colour window and the status window made as start-up
// makes them, from a desktop file in the program's directory.
class ProgrammerWindowsTest : public test::ProgrammerTest {
 protected:
  // `colors`: the COLORS section of the desktop file; `status`: its STATUS section.
  explicit ProgrammerWindowsTest(const std::string& colors = "Status_Window_-_Status_Bar0005F=255\n",
                                 const std::string& status_section = "STATUS_STATE=2\n") {
    write("CQLLVIDM.DEF", "[DEFAULT]\nDEFAULT=STD.DSK\n");
    write("STD.DSK",
          "[SCREENTYPE]\nFILENAME=STD.DSK\n[MAINWIN]\nMAINWIN_LEFT=10\nMAINWIN_WIDTH=700\nMAINWIN_HEIGHT=300\n"
          "[STATUS]\n" + status_section + "[SETTINGS]\n"
          "DEFAULT_SOURCE_PATH=/tmp/sources\n[COLORS]\n" +
              colors);
    FREE_CONFIGURATION_COMMANDS();
    ProgramWindows& windows = program_windows();
    windows.MainWin1 = std::make_unique<TMainWin1>();
    ws::set_main_form(windows.MainWin1.get());
    windows.MainWin1->FormCreate();
    windows.ChangeColor1 = std::make_unique<TChangeColor1>();
    windows.status1 = std::make_unique<Tstatus1>();
    windows.status1->FormCreate();
    status_output().view = &status.view;
  }
  ~ProgrammerWindowsTest() override {
    destroy_program_windows();
    ws::set_main_form(nullptr);
  }

  TMainWin1& main() { return *program_windows().MainWin1; }
  Tstatus1& status_window() { return *program_windows().status1; }

  std::string desktop(const char* section, const char* key) const {
    IniDocument::LoadStatus load{};
    return IniDocument::load(dir.file("CQUILLHCS08.DSK"), load).value(section, key).value_or("<missing>");
  }
};

}  // namespace vx::programmer
