#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

namespace vx {

// Counted text of at most 255 single-byte characters. Anything that would
// make it longer is cut at 255; it never allocates.
class ShortText {
 public:
  static constexpr std::size_t max_length = 255;
  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

  ShortText() noexcept { chars_[0] = '\0'; }
  ShortText(std::string_view text) noexcept { assign(text); }
  ShortText(const char* text) noexcept { assign(std::string_view(text)); }
  ShortText(const std::string& text) noexcept { assign(std::string_view(text)); }
  ShortText(std::size_t count, char fill) noexcept;

  std::size_t size() const noexcept { return length_; }
  bool empty() const noexcept { return length_ == 0; }
  bool full() const noexcept { return length_ == max_length; }

  const char* data() const noexcept { return chars_; }
  const char* c_str() const noexcept { return chars_; }
  std::string_view view() const noexcept { return {chars_, length_}; }
  operator std::string_view() const noexcept { return view(); }
  std::string str() const { return std::string(view()); }

  char operator[](std::size_t index) const noexcept { return chars_[index]; }
  char& operator[](std::size_t index) noexcept { return chars_[index]; }
  char front() const noexcept { return chars_[0]; }
  char back() const noexcept { return chars_[length_ - 1]; }

  ShortText& operator+=(std::string_view text) noexcept;
  ShortText& operator+=(char c) noexcept;
  ShortText substr(std::size_t position, std::size_t count = npos) const noexcept;
  // Shortens the text; a longer size is ignored.
  void truncate(std::size_t new_size) noexcept;

  friend ShortText operator+(ShortText left, std::string_view right) noexcept { return left += right; }
  friend ShortText operator+(ShortText left, char right) noexcept { return left += right; }
  friend ShortText operator+(ShortText left, const char* right) noexcept { return left += std::string_view(right); }
  friend ShortText operator+(ShortText left, const ShortText& right) noexcept { return left += right.view(); }
  friend ShortText operator+(std::string_view left, const ShortText& right) noexcept {
    return ShortText(left) += right.view();
  }
  friend ShortText operator+(const char* left, const ShortText& right) noexcept {
    return ShortText(left) += right.view();
  }

  friend bool operator==(const ShortText& a, const ShortText& b) noexcept { return a.view() == b.view(); }
  friend bool operator==(const ShortText& a, std::string_view b) noexcept { return a.view() == b; }
  friend bool operator==(const ShortText& a, const char* b) noexcept { return a.view() == std::string_view(b); }
  friend bool operator==(const ShortText& a, const std::string& b) noexcept { return a.view() == b; }

 private:
  void assign(std::string_view text) noexcept;

  std::uint8_t length_ = 0;
  char chars_[max_length + 1];  // always NUL-terminated after length_
};

std::ostream& operator<<(std::ostream& out, const ShortText& text);

}  // namespace vx
