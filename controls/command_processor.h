#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "controls/command_row.h"
#include "controls/command_table.h"
#include "platform/ws/types.h"

// Turns the keys a control receives into commands through an ordered list
// of command tables, following two-key sequences and the mode in which the
// next key is taken literally.
namespace vx::controls {

class TOvcCommandProcessor {
 public:
  // With the built-in tables: Default (active), WordStar and Grid.
  TOvcCommandProcessor();

  // Gives the table a name no other table has and appends it; the processor
  // owns it from then on.
  void AddTable(std::unique_ptr<TOvcCommandTable> table);
  // The index of the new table.
  int CreateCommandTable(const std::string& name, bool active);
  // Throws ETableNotFound for a name no table has and EDuplicateCommand when
  // the table already has a row with the same key bytes.
  void AddCommand(std::string_view table_name, const CommandRow& row);
  // Names compare without regard to case; nullptr when there is none.
  TOvcCommandTable* GetCommandTable(std::string_view name);
  TOvcCommandTable& Table(int index);
  int Count() const { return static_cast<int>(tables_.size()); }
  void Clear() { tables_.clear(); }

  // Forgets a half-typed sequence and the literal-key mode.
  void ResetCommandProcessor();
  // For a key-down message: the shift state is that of the keyboard now.
  std::uint16_t Translate(const ws::Message& key_message);
  // For a system key-down message, with the caller's shift state.
  std::uint16_t TranslateKey(std::uint16_t key, ws::ShiftState shift);

  // The index of the table loaded; a file that does not load adds nothing.
  int LoadCommandTable(const std::string& file_name);
  // Nothing happens when no table has that name.
  void SaveCommandTable(std::string_view table_name, const std::string& file_name);

  // The tables' stored form: reading replaces every table; a processor
  // without tables stores nothing.
  void ReadTableList(const std::vector<StoredCommandTable>& stored);
  std::optional<std::vector<StoredCommandTable>> WriteTableList() const;

 private:
  enum class Sequence : std::uint8_t { idle, first_key_seen, next_key_literal };

  std::uint16_t translate(std::uint8_t key, std::uint8_t shift);
  std::uint16_t translate_in(const TOvcCommandTable& table, std::uint8_t key, std::uint8_t shift);

  std::vector<std::unique_ptr<TOvcCommandTable>> tables_;
  Sequence state_ = Sequence::idle;
  std::uint8_t first_key_ = 0;
  std::uint8_t first_shift_ = 0;
};

}  // namespace vx::controls
