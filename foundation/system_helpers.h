#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/short_text.h"
#include "platform/dialogs.h"

namespace vx {

// Message boxes that never throw into their caller: a question always gets an
// answer (Cancel when the dialog itself failed). The flag is unused; the
// message may be longer than a ShortText.
platform::DialogResult safe_message_dlg(std::uint8_t flag, std::string_view message, platform::DialogKind kind,
                                        platform::DialogButtons buttons, std::uint32_t help_context);
void safe_show_message(std::uint8_t flag, const ShortText& message);

// The running program's full path and name, cut to 255 characters.
void GET_EXE_PATH(ShortText& path);
bool directory_exists(const ShortText& name);

// Drive letters name nothing on Linux: every letter answers "no such drive".
inline constexpr std::uint32_t invalid_drive_error = 15;
std::uint32_t get_volume_label(std::string& label, char drive);

constexpr std::uint16_t high_word(std::uint32_t value) { return static_cast<std::uint16_t>(value >> 16); }
constexpr std::uint16_t low_word(std::uint32_t value) { return static_cast<std::uint16_t>(value & 0xFFFF); }
constexpr bool unsigned_less(std::uint32_t a, std::uint32_t b) { return a < b; }
constexpr bool unsigned_greater(std::uint32_t a, std::uint32_t b) { return a > b; }

}  // namespace vx
