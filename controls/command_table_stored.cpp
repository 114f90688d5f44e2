// The stored form of a table: a built-in table's name stores only how the
// table differs from the built-in rows, so a form that drops two rows of
// Default stores two pairs rather than the other 62 rows.
#include <algorithm>

#include "controls/command_codes.h"
#include "controls/command_table.h"
#include "controls/table_names.h"

namespace vx::controls {

void TOvcCommandTable::ReadStored(const StoredCommandTable& stored) {
  TableName_ = stored.name;
  IsActive_ = stored.active;
  const std::span<const CommandRow> builtin = builtin_rows_named(TableName_);
  rows_.assign(builtin.begin(), builtin.end());
  for (const StoredCommandPair& pair : stored.pairs) {
    const CommandRow row = CommandRow::from_key_word(pair.key_word, pair.command);
    const int index = builtin.empty() ? -1 : IndexOfKeys(row);
    if (index < 0) {
      rows_.push_back(row);
    } else if (row.Cmd != ccNone) {
      rows_[index] = row;
    } else {
      rows_.erase(rows_.begin() + index);
    }
  }
}

StoredCommandTable TOvcCommandTable::WriteStored() const {
  StoredCommandTable stored{TableName_, IsActive_, {}};
  const std::span<const CommandRow> builtin = builtin_rows_named(TableName_);
  for (const CommandRow& row : builtin) {
    if (IndexOfKeys(row) < 0) stored.pairs.push_back({row.key_word(), ccNone});
  }
  for (const CommandRow& row : rows_) {
    if (std::ranges::find(builtin, row) == builtin.end()) stored.pairs.push_back({row.key_word(), row.Cmd});
  }
  return stored;
}

}  // namespace vx::controls
