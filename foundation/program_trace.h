#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "foundation/owned_file.h"
#include "foundation/short_text.h"

namespace vx {

// Routine entries and exits of the interface, target and command layers,
// indented by call depth. Off unless a file is opened or a receiver is set;
// nothing in the programs does either, so every call returns at once.
struct ProgramTrace {
  using Receiver = void (*)(const char* line);

  bool on = false;
  Receiver callback = nullptr;
  bool buffered = true;
  bool timestamps = false;
  bool scramble = true;
  bool reopen_after_each_line = false;
  std::uint16_t depth = 0;
  std::optional<std::vector<ShortText>> lines;
  std::uint8_t scramble_previous = 0xA5;
  std::uint8_t scramble_addend = 0x3C;
  std::string file_name;
  OwnedFile file;
};

ProgramTrace& program_trace();
// Closes an open file and returns to the start values.
void reset_program_trace();

bool trace_open(const std::string& file_name);
void trace_set_receiver(ProgramTrace::Receiver receiver);

bool trace_active();
void trace_line(const ShortText& text);
void trace_enter(const ShortText& text);
void trace_exit();
void trace_close();
// At program end: "Done." and close.
void trace_finish();

}  // namespace vx
