#pragma once

#include <functional>

#include "foundation/short_text.h"

namespace vx::updater {

class Tupdatefirmwareselectionform;

// The updater's units in their start order, with the update engine of the
// updater's build; `folder` is the program's directory with its separator.
void start_updater_units(const ShortText& folder);
void finish_updater_units();

// VXFirmwareUpdater from start to end on a display: the units started in
// their order, the selection window (the main form), the progress window and
// the message loop until the user closes the window; no command line.
// `sit_down` sees the window once both windows exist, before the loop starts
// (a test's user). Returns the exit code: 0.
int updater_main_block(const std::function<void(Tupdatefirmwareselectionform&)>& sit_down = {});

}  // namespace vx::updater
