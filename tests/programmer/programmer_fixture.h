#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "foundation/command_exception.h"
#include "foundation/run_state.h"
#include "interface/connection_settings.h"
#include "interface/byte_protocol.h"
#include "interface/engine_settings.h"
#include "interface/firmware_update_link.h"
#include "interface/interface_reset.h"
#include "interface/interface_speed.h"
#include "interface/link_state.h"
#include "interface/port_table.h"
#include "interface/srecord_download.h"
#include "interface/target_connection.h"
#include "interface/target_operations.h"
#include "interface/target_read_cache.h"
#include "platform/ws/application.h"
#include "platform/ws/shell.h"
#include "programmer/command_line.h"
#include "programmer/command_dispatch.h"
#include "programmer/command_loop.h"
#include "programmer/command_table.h"
#include "programmer/command_tokens.h"
#include "programmer/configuration_commands.h"
#include "programmer/module_state.h"
#include "programmer/connection_settings.h"
#include "programmer/programmer_run.h"
#include "programmer/programmer_units.h"
#include "support/recording_list_view.h"
#include "support/temp_dir.h"

namespace vx::test {

// Fresh programmer state, status output into a recording list, and a
// temporary directory that stands for the program's directory.
class ProgrammerTest : public ::testing::Test {
 protected:
  ProgrammerTest() {
    reset_all();
    run_state().program_directory = dir.path().string();
    run_state().default_directory = dir.path().string();
    run_state().desktop_file_name = dir.file("CQUILLHCS08.DSK");
    programmer::LOAD_CONFIGURATION_COMMANDS();
  }
  ~ProgrammerTest() override { reset_all(); }

  static void reset_all() { reset_units(programmer::programmer_units()); }

  // The script result when `step` ended the script; nothing when it returned.
  static std::optional<std::int32_t> halt_of(const std::function<void()>& step) {
    try {
      step();
    } catch (const CommandException&) {
      return run_state().last_script_result;
    }
    return std::nullopt;
  }

  std::string write(const std::string& name, const std::string& text) const {
    const std::string path = dir.file(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  std::vector<std::string> lines() const { return status.lines(); }

  TempDir dir;
  ScopedStatusOutput status;
};

}  // namespace vx::test
