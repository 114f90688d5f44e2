#include "foundation/short_text.h"

#include <algorithm>
#include <cstring>
#include <ostream>

namespace vx {

ShortText::ShortText(std::size_t count, char fill) noexcept {
  length_ = static_cast<std::uint8_t>(std::min(count, max_length));
  std::memset(chars_, fill, length_);
  chars_[length_] = '\0';
}

void ShortText::assign(std::string_view text) noexcept {
  length_ = static_cast<std::uint8_t>(std::min(text.size(), max_length));
  if (length_ != 0) std::memcpy(chars_, text.data(), length_);
  chars_[length_] = '\0';
}

ShortText& ShortText::operator+=(std::string_view text) noexcept {
  const std::size_t room = max_length - length_;
  const std::size_t count = std::min(text.size(), room);
  if (count != 0) std::memmove(chars_ + length_, text.data(), count);
  length_ = static_cast<std::uint8_t>(length_ + count);
  chars_[length_] = '\0';
  return *this;
}

ShortText& ShortText::operator+=(char c) noexcept {
  if (length_ < max_length) {
    chars_[length_++] = c;
    chars_[length_] = '\0';
  }
  return *this;
}

ShortText ShortText::substr(std::size_t position, std::size_t count) const noexcept {
  if (position >= length_) return ShortText();
  return ShortText(view().substr(position, count));
}

void ShortText::truncate(std::size_t new_size) noexcept {
  if (new_size < length_) {
    length_ = static_cast<std::uint8_t>(new_size);
    chars_[length_] = '\0';
  }
}

std::ostream& operator<<(std::ostream& out, const ShortText& text) { return out << text.view(); }

}  // namespace vx
