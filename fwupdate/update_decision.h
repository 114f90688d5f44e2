#pragma once

#include <cstdint>

#include "foundation/short_text.h"
#include "interface/firmware_request.h"

// Firmware files and the decision to update an interface: which file beside
// the program is newest for the interface just reset, whether it is newer
// than the firmware the interface runs, and the update with its retries.
//
// Firmware files are "<base>.<NNN>": NNN read as a number is major x 100 +
// minor. Patterns name the program's directory, the base and ".???"; files
// match in that directory ignoring case, "?" is exactly one character and
// "*" any run of them, names that would pass 255 characters with their
// directory are skipped, and among files of one version the first in name
// order is taken.
namespace vx::fwupdate {

// The program the engine is built into: the flash programmer's build has no
// explicit file, takes its update text from the file's name and shows one
// picture for programmers and trace interfaces alike.
enum class EngineBuild : std::uint8_t { updater, programmer };

// What the decision starts once it has found a newer file: the update of the
// interface with its progress window. The update engine implements it.
class UpdateSteps {
 public:
  virtual ~UpdateSteps() = default;
  // Writes `update_file_name` into the interface; false when a step failed.
  virtual bool update_cable_firmware() = 0;
  // The last status line of the attempt; the retry question starts with it.
  virtual ShortText last_update_status() const = 0;
};

struct UpdateDecision {
  EngineBuild build = EngineBuild::updater;
  UpdateSteps* steps = nullptr;
  // The interface reset of the program's own link, for the engine's resets inside an update.
  void (*reset_interface)() = nullptr;

  // A USB interface on the WinDriver library: the window shows its original firmware's version.
  bool windriver_interface = false;
  // 2 for a Universal FX, whose logic arrays the updater programs after its firmware.
  std::uint8_t universal_kind = 0;
  // With link kind 2: 1 for a trace interface, 0 for a programmer.
  std::uint8_t programmer_kind = 0;

  // The chosen file; for a programmer also the newest of each kind.
  ShortText update_file_name;
  std::uint16_t update_file_version = 0;
  ShortText ens_file_name, en2_file_name;
  std::uint16_t ens_file_version = 0, en2_file_version = 0;

  // Set when the user declines a retry; no update starts while it is set.
  bool update_failed = false;
  bool update_done = false;

  // What the progress window shows: its picture (0 USB interface, 1 cable,
  // 2 programmer, 4 trace interface) and the three version texts.
  std::uint8_t picture = 0;
  ShortText current_version_text, update_version_text, original_version_text;
};

UpdateDecision& update_decision();
// The open USB device is on the WinDriver library: the updater keeps its own
// USB device family, the flash programmer the USB routing's.
bool windriver_family_open();
// Start values for the given build, with no update steps installed and no request.
void reset_update_decision(EngineBuild build);

// Fills `update_file_name` and `update_file_version`; true when a file was found.
bool find_update_firmware_file();
// Updates the interface when the newest file is newer than its firmware,
// offering a retry after each failure; true when an update ran and succeeded.
// Without update steps installed nothing happens.
bool update_firmware_if_newer(const ShortText& version_text);
// The entry after an interface reset; a call while an update runs (from a
// reset inside it) does nothing. The version text is "M.mm".
void ask_update_firmware(const ShortText& version_text);
// The interface link's entry: the interface reset has left its request in
// firmware_request().
void ask_update_firmware_after_reset(const ShortText& version_text);

}  // namespace vx::fwupdate
