#include "programmer/command_help_list.h"

#include <array>
#include <string_view>

#include "foundation/kstring.h"
#include "programmer/command_table.h"
#include "programmer/module_state.h"

namespace vx::programmer {
namespace {

constexpr std::size_t blank_row_width = 25;
constexpr std::size_t user_name_width = 23;

// Rows of commands 1-35 as they stand, each with its own spacing; 9 and 19-24 are made.
constexpr std::array<std::string_view, 35> fixed_rows{
    "  BM Blank check module  ",
    "  BR Blank check range   ",
    "  EB Erase byte range    ",
    "  EW Erase word range    ",
    "  EM Erase module        ",
    "  PB Program bytes       ",
    "  PW Program words       ",
    "  PM Program module      ",
    "",
    "  VM Verify module (All Bytes)",
    "  VR Verify range        ",
    "  UM Upload module       ",
    "  UR Upload range        ",
    "  SS Specify Object File ",
    "  SM Show module         ",
    "  HE Help                ",
    "  QU Quit                ",
    "  RE Reset chip          ",
    "", "", "", "", "", "",
    "  DE Delay N Msecs       ",
    "  VC Verify CRC of Object File to Module",
    "  PT Program Trim Value  ",
    "  SA Show Algorithm Source  ",
    "  CS Choose Serial File  ",
    "  PS Program Serial Number ",
    "  GO Start Code Running  ",
    "  EN Erase if not Blank ",
    "  PR Program Module Range",
    "  SC Show Module CRC",
    "  VV Verify Module CRC to Value",
};

constexpr std::array<std::string_view, 6> category_names{
    "Configuration and Display Commands", "Erase and Blank Check Commands", "Program Commands",
    "Verify Commands",                    "Algorithm Specific Commands",    "Other Commands",
};

}  // namespace

ShortText command_description(std::int32_t number) {
  if (number == command::CM) return "  CM Choose module .S8P  ";
  if (number >= command::first_user && number <= command::last_user) {
    const UserCommand& user = module_state().user_commands[static_cast<std::size_t>(number - command::first_user)];
    return "  " + pad_blanks(user.name, user_name_width);
  }
  if (number >= 1 && number <= static_cast<std::int32_t>(fixed_rows.size())) {
    return ShortText(fixed_rows[static_cast<std::size_t>(number - 1)]);
  }
  return ShortText(blank_row_width, ' ');
}

void rebuild_command_list() {
  CommandTable& table = command_table();
  std::vector<ShortText>& list = table.help_list;
  list.clear();
  for (std::size_t category = 0; category < category_names.size(); ++category) {
    list.emplace_back(category_names[category]);
    for (std::int32_t n = 1; n <= command_count; ++n) {
      const auto index = static_cast<std::size_t>(n);
      if (command_catalogue()[index - 1].category == category && table.entries[index].offered) {
        list.push_back(command_description(n));
      }
    }
  }
}


}  // namespace vx::programmer
