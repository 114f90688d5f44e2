#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "controls/command_row.h"

// A named list of command rows, searched in order by the command processor.
namespace vx::controls {

// A table's stored form: its name, whether it is active, and (key word,
// command) pairs; for a built-in table's name the pairs are edits of the
// built-in rows.
struct StoredCommandPair {
  std::uint32_t key_word = 0;
  std::uint16_t command = 0;
  friend bool operator==(const StoredCommandPair&, const StoredCommandPair&) = default;
};

struct StoredCommandTable {
  std::string name;
  bool active = false;
  std::vector<StoredCommandPair> pairs;
  friend bool operator==(const StoredCommandTable&, const StoredCommandTable&) = default;
};

// A table file that cannot be opened, read, written or understood.
class CommandTableFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TOvcCommandTable {
 public:
  TOvcCommandTable();

  bool IsActive() const { return IsActive_; }
  void SetIsActive(bool value) { IsActive_ = value; }
  const std::string& TableName() const { return TableName_; }
  void SetTableName(const std::string& value) { TableName_ = value; }

  // Indexes out of range throw std::out_of_range.
  int AddCommand(const CommandRow& row);
  void InsertCommand(int index, const CommandRow& row);
  void ReplaceCommand(int index, const CommandRow& row);
  void DeleteCommand(int index);
  const CommandRow& GetCommand(int index) const;
  int Count() const { return static_cast<int>(rows_.size()); }
  void Clear() { rows_.clear(); }
  // The first row with the same key bytes, or -1; the command is not compared.
  int IndexOfKeys(const CommandRow& row) const;

  // The name line, then a line of Key1, SS1, Key2, SS2 and Cmd per row.
  // A file that does not read as such leaves the table as it was.
  void LoadFromFile(const std::string& file_name);
  void SaveToFile(const std::string& file_name) const;

  void ReadStored(const StoredCommandTable& stored);
  StoredCommandTable WriteStored() const;

 private:
  void check_index(int index, int limit) const;

  bool IsActive_ = true;
  std::vector<CommandRow> rows_;
  std::string TableName_;
};

}  // namespace vx::controls
