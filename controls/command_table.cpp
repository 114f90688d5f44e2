#include "controls/command_table.h"

#include <algorithm>

#include "controls/messages.h"

namespace vx::controls {

TOvcCommandTable::TOvcCommandTable() : TableName_(MessageText(msg::unknown_table)) {}

void TOvcCommandTable::check_index(int index, int limit) const {
  if (index < 0 || index > limit) throw std::out_of_range("command table index out of range");
}

int TOvcCommandTable::AddCommand(const CommandRow& row) {
  rows_.push_back(row);
  return Count() - 1;
}

void TOvcCommandTable::InsertCommand(int index, const CommandRow& row) {
  check_index(index, Count());
  rows_.insert(rows_.begin() + index, row);
}

void TOvcCommandTable::ReplaceCommand(int index, const CommandRow& row) {
  check_index(index, Count() - 1);
  rows_[index] = row;
}

void TOvcCommandTable::DeleteCommand(int index) {
  check_index(index, Count() - 1);
  rows_.erase(rows_.begin() + index);
}

const CommandRow& TOvcCommandTable::GetCommand(int index) const {
  check_index(index, Count() - 1);
  return rows_[index];
}

int TOvcCommandTable::IndexOfKeys(const CommandRow& row) const {
  const auto found = std::ranges::find(rows_, row.key_word(), &CommandRow::key_word);
  return found == rows_.end() ? -1 : static_cast<int>(found - rows_.begin());
}

}  // namespace vx::controls
