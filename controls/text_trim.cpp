#include <string>

#include "controls/string_routines.h"

namespace vx::controls {

std::span<char> TrimBlanks(std::span<char> buffer) {
  std::string_view text = text_in(buffer);
  const std::size_t last = text.find_last_not_of(' ');
  if (last == std::string_view::npos) {
    return store_text(buffer, {});
  }
  text = text.substr(0, last + 1);
  return store_text(buffer, text.substr(text.find_first_not_of(' ')));
}

std::span<char> TrimTrailingControls(std::span<char> buffer) {
  std::string_view text = text_in(buffer);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') {
    text.remove_suffix(1);
  }
  return store_text(buffer, text);
}

std::span<char> TrimFractionZeros(std::span<char> buffer) {
  std::string_view text = text_in(buffer);
  // Without a point the zeros are whole digits ("100").
  if (text.find('.') == std::string_view::npos) {
    return buffer;
  }
  while (text.ends_with('0')) {
    text.remove_suffix(1);
  }
  if (text.ends_with('.')) {
    text.remove_suffix(1);
  }
  return TrimBlanks(store_text(buffer, text));
}

std::span<char> TrimExponentZeros(std::span<char> buffer) {
  std::string text(text_in(buffer));
  const std::size_t exponent = text.find('E');
  if (exponent == std::string::npos) {
    return buffer;
  }
  std::string mantissa = text.substr(0, exponent);
  // Only zeros of a fraction go: those of "100E+5" are digits of the number.
  if (mantissa.find('.') != std::string::npos) {
    mantissa.erase(mantissa.find_last_not_of('0') + 1);
    if (mantissa.ends_with('.')) {
      mantissa.pop_back();
    }
  }
  std::string_view rest = std::string_view(text).substr(exponent + 1);
  const std::string_view sign = rest.starts_with('+') || rest.starts_with('-') ? rest.substr(0, 1) : std::string_view();
  rest.remove_prefix(sign.size());
  const std::size_t digits = rest.find_first_not_of('0');
  if (digits == std::string_view::npos) {
    return store_text(buffer, mantissa);
  }
  return store_text(buffer, mantissa + 'E' + std::string(sign) + std::string(rest.substr(digits)));
}

}  // namespace vx::controls
