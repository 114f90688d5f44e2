#include "programmer/shutdown.h"

#include "foundation/run_state.h"
#include "foundation/settings_file.h"
#include "interface/target_connection.h"
#include "loaders/object_image.h"
#include "programmer/connection_settings.h"
#include "programmer/programmer_run.h"

namespace vx::programmer {

void save_settings() {
  const ShortText& desktop = run_state().desktop_file_name;
  const ProgrammerRun& run = programmer_run();
  const char* section = "SAVESETTINGS";
  PUT_INI_STRING(desktop, section, "S19FILENAME", run.object_file_specified ? run.object_file_name : ShortText(),
                 false);
  PUT_INI_STRING(desktop, section, "PRGFILENAME", run.algorithm_loaded ? run.algorithm_file_name : ShortText(),
                 false);
  PUT_INI_STRING(desktop, section, "PRGFILEPATH", run_state().program_directory, true);
  PUT_INI_STRING(desktop, section, "SERIALFILENAME", run.serial_file_name, false);
}

void shutdown_programmer() {
  power_off_on_exit();
  save_connection_settings();
  save_settings();
  loaders::clear_object_image();
}

}  // namespace vx::programmer
