#include "programmer/command_table.h"

namespace vx::programmer {
namespace {

constexpr CommandCatalogueEntry placeholder{"!}", "                         ", 6, false};

constexpr std::array<CommandCatalogueEntry, command_count> make_catalogue() {
  std::array<CommandCatalogueEntry, command_count> c{};
  c[0] = {"BM", "Blank check module", 1, false};
  c[1] = {"BR", "Blank check range", 1, false};
  c[2] = {"EB", "Erase byte range", 1, false};
  c[3] = {"EW", "Erase word range", 1, false};
  c[4] = {"EM", "Erase module", 1, false};
  c[5] = {"PB", "Program bytes", 2, false};
  c[6] = {"PW", "Program words", 2, false};
  c[7] = {"PM", "Program module", 2, false};
  c[8] = {"CM", "Choose module .S8P", 0, true};
  c[9] = {"VM", "Verify module (All Bytes)", 3, false};
  c[10] = {"VR", "Verify range", 3, false};
  c[11] = {"UM", "Upload module", 5, false};
  c[12] = {"UR", "Upload range", 5, false};
  c[13] = {"SS", "Specify Object File", 0, true};
  c[14] = {"SM", "Show module", 0, false};
  c[15] = {"HE", "Help", 5, true};
  c[16] = {"QU", "Quit", 5, true};
  c[17] = {"RE", "Reset chip", 0, true};
  for (std::size_t n = 18; n < 24; ++n) c[n] = {"uc", "", 4, false};
  c[24] = {"DE", "Delay N Msecs", 6, true};
  c[25] = {"VC", "Verify CRC of Object File to Module", 3, false};
  c[26] = {"PT", "Program Trim Value", 2, false};
  c[27] = {"SA", "Show Algorithm Source", 5, false};
  c[28] = {"CS", "Choose Serial File", 0, false};
  c[29] = {"PS", "Program Serial Number", 2, false};
  c[30] = {"GO", "Start Code Running", 5, true};
  c[31] = {"EN", "Erase if not Blank", 1, false};
  c[32] = {"PR", "Program Module Range", 2, false};
  c[33] = {"SC", "Show Module CRC", 3, false};
  c[34] = {"VV", "Verify Module CRC to Value", 3, false};
  for (std::size_t n = 35; n < command_count; ++n) c[n] = placeholder;
  return c;
}

constexpr std::array<CommandCatalogueEntry, command_count> catalogue = make_catalogue();

bool offered_at_start(std::int32_t number) {
  return (number >= 1 && number <= 18) || number == 28 || number == 29 || number == 30 || number == 32 ||
         number == 33;
}

CommandTable table;

}  // namespace

const std::array<CommandCatalogueEntry, command_count>& command_catalogue() { return catalogue; }

CommandTable& command_table() { return table; }

void reset_command_table_state() {
  table = CommandTable{};
  for (std::int32_t n = 1; n <= command_count; ++n) table.entries[static_cast<std::size_t>(n)].default_offered = offered_at_start(n);
  restore_default_commands();
}

void offer_command_by_default(std::int32_t number) {
  if (number >= 1 && number <= command_count) table.entries[static_cast<std::size_t>(number)].default_offered = true;
}

void restore_default_commands() {
  for (std::size_t n = 1; n <= command_count; ++n) {
    CommandEntry& entry = table.entries[n];
    entry.mnemonic = catalogue[n - 1].mnemonic;
    entry.enabled = catalogue[n - 1].default_enable;
    entry.offered = entry.default_offered;
  }
}

}  // namespace vx::programmer
