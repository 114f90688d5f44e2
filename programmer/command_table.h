#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "foundation/short_text.h"

// The catalogue of the 70 command numbers and the working table that the
// algorithm file changes: mnemonics, enables and offered flags.
namespace vx::programmer {

inline constexpr std::int32_t command_count = 70;

namespace command {
inline constexpr std::uint16_t HE = 16;
inline constexpr std::uint16_t QU = 17;
inline constexpr std::uint16_t GO = 31;
}  // namespace command

struct CommandCatalogueEntry {
  std::string_view mnemonic;
  std::string_view description;
  std::uint8_t category = 0;
  bool default_enable = false;
};

// Entry n - 1 describes command n.
const std::array<CommandCatalogueEntry, command_count>& command_catalogue();

struct CommandEntry {
  ShortText mnemonic;
  bool enabled = false;
  bool default_offered = false;
  bool offered = false;
};

struct CommandTable {
  // Index 0 is unused.
  std::array<CommandEntry, command_count + 1> entries{};
};

CommandTable& command_table();
// Start values: the catalogue's mnemonics and enables, the first offered flags.
void reset_command_table_state();

// ACTIVATECOMMAND= of the command line: offered by default for the rest of the process.
void offer_command_by_default(std::int32_t number);
// The catalogue's mnemonics, enables and default offered flags into the working table.
void restore_default_commands();

}  // namespace vx::programmer
