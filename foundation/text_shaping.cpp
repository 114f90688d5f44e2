#include "foundation/kstring.h"

namespace vx {
namespace {

char lowcase_char(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

template <typename ChangeChar>
ShortText change_case(const ShortText& text, ChangeChar change) {
  ShortText result(text);
  for (std::size_t index = 0; index < result.size(); ++index) result[index] = change(result[index]);
  return result;
}

bool is_blank_or_control(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

char upcase_char(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
ShortText upper_case(const ShortText& text) { return change_case(text, upcase_char); }
ShortText lower_case(const ShortText& text) { return change_case(text, lowcase_char); }

ShortText pad_char(const ShortText& text, char fill, std::uint8_t width) {
  if (text.size() >= width) return text;
  return text + ShortText(width - text.size(), fill);
}

ShortText pad_blanks(const ShortText& text, std::uint8_t width) { return pad_char(text, ' ', width); }

ShortText left_pad_char(const ShortText& text, char fill, std::uint8_t width) {
  if (text.size() >= width) return text;
  return ShortText(width - text.size(), fill) + text;
}

ShortText trim_trailing(const ShortText& text) {
  std::size_t end = text.size();
  while (end > 0 && is_blank_or_control(text[end - 1])) --end;
  return text.substr(0, end);
}

ShortText trim(const ShortText& text) {
  const ShortText trimmed = trim_trailing(text);
  std::size_t start = 0;
  while (start < trimmed.size() && is_blank_or_control(trimmed[start])) ++start;
  return trimmed.substr(start);
}

}  // namespace vx
