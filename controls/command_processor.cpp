#include "controls/command_processor.h"

#include <span>
#include <utility>

#include "controls/builtin_command_tables.h"
#include "controls/command_codes.h"
#include "controls/exceptions.h"
#include "controls/messages.h"
#include "controls/table_names.h"

namespace vx::controls {

TOvcCommandProcessor::TOvcCommandProcessor() {
  const std::pair<std::uint16_t, std::span<const CommandRow>> builtin[] = {
      {msg::default_table, default_command_rows()},
      {msg::wordstar_table, wordstar_command_rows()},
      {msg::grid_table, grid_command_rows()},
  };
  for (const auto& [name, rows] : builtin) {
    const std::string table_name(MessageText(name));
    CreateCommandTable(table_name, name == msg::default_table);
    for (const CommandRow& row : rows) AddCommand(table_name, row);
  }
  ResetCommandProcessor();
}

void TOvcCommandProcessor::AddTable(std::unique_ptr<TOvcCommandTable> table) {
  // A name ending in digits counts on from its stem: a second Default
  // becomes Default1, a second Keys7 Keys1.
  const std::string& name = table->TableName();
  std::string base = name;
  while (base.size() >= 2 && base.back() >= '0' && base.back() <= '9') base.pop_back();
  std::string candidate = base;
  int n = 0;
  while (GetCommandTable(candidate) != nullptr || (n == 0 && GetCommandTable(name) != nullptr)) {
    candidate = base + std::to_string(++n);
  }
  if (n > 0) table->SetTableName(candidate);
  tables_.push_back(std::move(table));
}

int TOvcCommandProcessor::CreateCommandTable(const std::string& name, bool active) {
  auto table = std::make_unique<TOvcCommandTable>();
  table->SetTableName(name);
  table->SetIsActive(active);
  AddTable(std::move(table));
  return Count() - 1;
}

void TOvcCommandProcessor::AddCommand(std::string_view table_name, const CommandRow& row) {
  TOvcCommandTable* table = GetCommandTable(table_name);
  if (table == nullptr) throw ETableNotFound();
  if (table->IndexOfKeys(row) >= 0) throw EDuplicateCommand();
  table->AddCommand(row);
}

TOvcCommandTable* TOvcCommandProcessor::GetCommandTable(std::string_view name) {
  for (const auto& table : tables_) {
    if (same_table_name(table->TableName(), name)) return table.get();
  }
  return nullptr;
}

TOvcCommandTable& TOvcCommandProcessor::Table(int index) { return *tables_.at(index); }

int TOvcCommandProcessor::LoadCommandTable(const std::string& file_name) {
  auto table = std::make_unique<TOvcCommandTable>();
  table->LoadFromFile(file_name);
  AddTable(std::move(table));
  return Count() - 1;
}

void TOvcCommandProcessor::SaveCommandTable(std::string_view table_name, const std::string& file_name) {
  if (const TOvcCommandTable* table = GetCommandTable(table_name)) table->SaveToFile(file_name);
}

void TOvcCommandProcessor::ReadTableList(const std::vector<StoredCommandTable>& stored) {
  Clear();
  for (const StoredCommandTable& item : stored) {
    auto table = std::make_unique<TOvcCommandTable>();
    table->ReadStored(item);
    AddTable(std::move(table));
  }
}

std::optional<std::vector<StoredCommandTable>> TOvcCommandProcessor::WriteTableList() const {
  if (tables_.empty()) return std::nullopt;
  std::vector<StoredCommandTable> stored;
  for (const auto& table : tables_) stored.push_back(table->WriteStored());
  return stored;
}

}  // namespace vx::controls
