#pragma once

#include <optional>

// The programs' text bytes are Windows-1252: Latin-1 except 0x80-0x9F, which
// hold typographic characters. The five bytes the code page leaves unused
// stand for the control characters of the same number.
namespace vx::platform {

char32_t from_windows_1252(unsigned char byte);
// Nothing for a character the code page does not have.
std::optional<unsigned char> to_windows_1252(char32_t character);

}  // namespace vx::platform
