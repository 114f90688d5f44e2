#pragma once

#include <cstdint>

#include "foundation/short_text.h"
#include "programmer/script_file.h"

// What one run of the programmer works on: the command file and the names
// and flags that the commands set and the shutdown saves.
namespace vx::programmer {

struct ProgrammerRun {
  ScriptFile command_file;
  bool command_file_given = false;

  ShortText object_file_name = "none";
  bool object_file_specified = false;
  // The running command's load of the object file through the load driver: not yet, loaded, failed.
  enum class ObjectImageLoad { none, loaded, failed } object_image_load = ObjectImageLoad::none;
  ShortText algorithm_file_name;
  // Set when a CM completed; decides whether the shutdown saves the algorithm file's name.
  bool algorithm_loaded = false;
  ShortText serial_file_name;
  // -1 makes the next device initialisation reset the target only.
  std::int32_t current_address = 0;
  bool en_flag = false;
  bool blank_check_passed = false;
  // While the command timer runs the script.
  bool script_running = false;
};

ProgrammerRun& programmer_run();
void reset_programmer_run();

}  // namespace vx::programmer
