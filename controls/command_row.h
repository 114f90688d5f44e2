#pragma once

#include <cstdint>

// One row of a command table: a key, or two keys in sequence, each with
// its shift state, and the command they give.
namespace vx::controls {

// Shift-state bytes, or-ed together; 0 is no modifier.
inline constexpr std::uint8_t ss_shift = 2;
inline constexpr std::uint8_t ss_ctrl = 4;
inline constexpr std::uint8_t ss_alt = 8;
// Only in SS2: the second key alone or with Ctrl, as WordStar users type it.
inline constexpr std::uint8_t ss_alone_or_ctrl = 128;

struct CommandRow {
  std::uint8_t Key1 = 0;
  std::uint8_t SS1 = 0;
  // 0 for a single-key row.
  std::uint8_t Key2 = 0;
  std::uint8_t SS2 = 0;
  std::uint16_t Cmd = 0;

  // Rows are found, compared and stored by their four key bytes as one number.
  std::uint32_t key_word() const {
    return Key1 | static_cast<std::uint32_t>(SS1) << 8 | static_cast<std::uint32_t>(Key2) << 16 |
           static_cast<std::uint32_t>(SS2) << 24;
  }
  static CommandRow from_key_word(std::uint32_t key_word, std::uint16_t command) {
    return {static_cast<std::uint8_t>(key_word), static_cast<std::uint8_t>(key_word >> 8),
            static_cast<std::uint8_t>(key_word >> 16), static_cast<std::uint8_t>(key_word >> 24), command};
  }

  friend bool operator==(const CommandRow&, const CommandRow&) = default;
};

}  // namespace vx::controls
