#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/owned_file.h"

namespace vx {

// The object-file loaders' own trace (label DEBUGTEXT). Off unless a file is
// opened; nothing in the programs opens one.
struct LoaderTrace {
  bool on = false;
  bool suppressed = false;
  std::uint16_t depth = 0;
  bool line_open = false;
  std::optional<std::vector<std::string>> lines;
  OwnedFile file;
};

LoaderTrace& loader_trace();
// Closes an open file and returns to the start values.
void reset_loader_trace();

bool debugtext_open(const std::string& file_name);

void debugtext_enter(std::string_view text);
void debugtext_exit();
void debugtext_line(std::string_view text);
// Also called directly for text that continues a line.
void debugtext_queue_line(std::string_view text);
void debugtext_flush();
// At program end: "Done." and flush.
void debugtext_finish();

}  // namespace vx
