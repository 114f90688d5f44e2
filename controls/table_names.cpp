#include "controls/table_names.h"

#include <algorithm>

#include "controls/builtin_command_tables.h"
#include "controls/messages.h"
#include "controls/string_routines.h"

namespace vx::controls {

bool same_table_name(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return UpperChar(x) == UpperChar(y); });
}

std::span<const CommandRow> builtin_rows_named(std::string_view name) {
  if (same_table_name(name, MessageText(msg::default_table))) return default_command_rows();
  if (same_table_name(name, MessageText(msg::wordstar_table))) return wordstar_command_rows();
  if (same_table_name(name, MessageText(msg::grid_table))) return grid_command_rows();
  return {};
}

}  // namespace vx::controls
