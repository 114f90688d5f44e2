#pragma once

#include <cstdint>

#include "foundation/short_text.h"

// Settings in INI files. A file name without a directory means the file of
// that name beside the program; sections and keys are upper-cased. Every
// call reads and writes the file itself, so nothing is cached between calls
// and the flush flags have nothing left to do. A failure gives the default
// (or writes nothing) and the status line "Error reading from INI File".
namespace vx {

void TOUCH_INI_FILE(const ShortText& file);
void GET_INI_STRING(const ShortText& file, const ShortText& section, const ShortText& key,
                    const ShortText& default_value, bool flush, ShortText& value);
void PUT_INI_STRING(const ShortText& file, const ShortText& section, const ShortText& key, const ShortText& value,
                    bool flush);
std::int32_t GET_INI_INTEGER(const ShortText& file, const ShortText& section, const ShortText& key,
                             std::int32_t default_value, bool flush);
void PUT_INI_INTEGER(const ShortText& file, const ShortText& section, const ShortText& key, std::int32_t value,
                     bool flush);

// The recovery utility's string getter and setter: the same rules, but they
// report nothing on failure.
void GET_INI_STRING_REAL(const ShortText& file, const ShortText& section, const ShortText& key, ShortText& value,
                         bool flush, const ShortText& default_value);
void PUT_INI_STRING_REAL(const ShortText& file, const ShortText& section, const ShortText& key, bool flush,
                         const ShortText& value);

// A window's placement; state 0 normal, 1 minimised, 2 maximised.
struct WindowLayout {
  std::int32_t left = 0;
  std::int32_t width = 0;
  std::int32_t top = 0;
  std::int32_t height = 0;
  std::int32_t state = 0;
  bool visible = false;
  std::int32_t data1 = 0;
  std::int32_t data2 = 0;
  std::int32_t data3 = 0;
};

// Writes the screen's metrics to "VIDEO MODE" and the nine keys NAME_LEFT ...
// NAME_DATA3 to the section NAME (the window name trimmed).
void SAVE_WINDOW_LAYOUT(const ShortText& file, const ShortText& window_name, const WindowLayout& layout, bool flush);
// Each value read replaces its field; a missing key keeps the field as it was.
void LOAD_WINDOW_LAYOUT(const ShortText& file, const ShortText& window_name, WindowLayout& layout, bool flush);

}  // namespace vx
