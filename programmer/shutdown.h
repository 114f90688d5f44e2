#pragma once

namespace vx::programmer {

// What the programmer keeps for the next run, written when it closes.
void save_settings();
// Saves the settings and frees what the run loaded.
void shutdown_programmer();

}  // namespace vx::programmer
