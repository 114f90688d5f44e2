#pragma once

#include <string>

#include "foundation/short_text.h"
#include "platform/file_lock.h"
#include "programmer/serial_number_file.h"

// CS and PS: the serial-number file that names the next device's number,
// and programming that number, which the file has counted past first.
namespace vx::programmer {

// The points of PS between which a run can die; a test can watch them pass.
enum class SerialStep { read, reserved, programmed, read_back, finished, given_back };
using SerialStepWatcher = void (*)(SerialStep);

struct SerialState {
  // The file name itself is the run's serial_file_name (the shutdown saves it).
  bool selected = false;
  SerialNumber number;
  std::string display_text;
  // Held from CS's read to the end of PS: two runs never program one number.
  platform::FileLock lock;
  SerialStepWatcher watcher = nullptr;
};

SerialState& serial_state();
void reset_serial_state();

// CS: the rest of the command line names the file; 16 when it does not exist.
void choose_serial_file();
// The selected file into the serial state; 53 when it does not read as a serial-number file.
void read_serial_file();
// Advances the number held in memory; 55 when it cannot go on.
void increment_serial_number();
// PS: counts the file on, then programs the number it held and reads it back; a failure of
// either puts the number back into the file. A run that dies in between skips a number and
// never hands one out twice. A file that cannot be rewritten is refused before anything is
// programmed. Does nothing while no file is selected.
void program_serial_number();

}  // namespace vx::programmer
