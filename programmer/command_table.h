#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "foundation/short_text.h"

// The catalogue of the 70 command numbers and the working table that the
// algorithm file changes: mnemonics, enables and offered flags.
namespace vx::programmer {

inline constexpr std::int32_t command_count = 70;

namespace command {
inline constexpr std::uint16_t BM = 1;
inline constexpr std::uint16_t BR = 2;
inline constexpr std::uint16_t EB = 3;
inline constexpr std::uint16_t EW = 4;
inline constexpr std::uint16_t EM = 5;
inline constexpr std::uint16_t PB = 6;
inline constexpr std::uint16_t PW = 7;
inline constexpr std::uint16_t PM = 8;
inline constexpr std::uint16_t CM = 9;
inline constexpr std::uint16_t VM = 10;
inline constexpr std::uint16_t VR = 11;
inline constexpr std::uint16_t UM = 12;
inline constexpr std::uint16_t UR = 13;
inline constexpr std::uint16_t SS = 14;
inline constexpr std::uint16_t SM = 15;
inline constexpr std::uint16_t HE = 16;
inline constexpr std::uint16_t QU = 17;
inline constexpr std::uint16_t RE = 18;
// User commands 19-24 take the mnemonics of the algorithm's USER= lines.
inline constexpr std::uint16_t first_user = 19;
inline constexpr std::uint16_t last_user = 24;
inline constexpr std::uint16_t DE = 25;
inline constexpr std::uint16_t VC = 26;
inline constexpr std::uint16_t PT = 27;
inline constexpr std::uint16_t SA = 28;
inline constexpr std::uint16_t CS = 29;
inline constexpr std::uint16_t PS = 30;
inline constexpr std::uint16_t GO = 31;
inline constexpr std::uint16_t EN = 32;
inline constexpr std::uint16_t PR = 33;
inline constexpr std::uint16_t SC = 34;
inline constexpr std::uint16_t VV = 35;
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
  // The command list: category headings and help rows.
  std::vector<ShortText> help_list;
};

CommandTable& command_table();
// Start values: the catalogue's mnemonics and enables, the first offered flags.
void reset_command_table_state();

// ACTIVATECOMMAND= of the command line: offered by default for the rest of the process.
void offer_command_by_default(std::int32_t number);
// The catalogue's mnemonics, enables and default offered flags into the working table.
void restore_default_commands();

}  // namespace vx::programmer
