// Hostile command-table files: a file either loads, and then saves to a file
// that loads to the same table and saves to the same bytes, or fails and
// leaves the table as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "controls/command_table.h"
#include "fuzz_support.h"
#include "support/temp_dir.h"

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

std::vector<vx::controls::CommandRow> rows_of(const vx::controls::TOvcCommandTable& table) {
  std::vector<vx::controls::CommandRow> rows;
  for (int n = 0; n < table.Count(); ++n) rows.push_back(table.GetCommand(n));
  return rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vx::fuzz;
  using vx::controls::TOvcCommandTable;
  // The directory is made before its removal is registered, so it is still there when that runs.
  static const bool started = [] {
    fuzz_environment();
    return std::atexit(remove_fuzz_directory) == 0;
  }();
  require(started);
  write_fuzz_file("input.tbl", data, size);

  TOvcCommandTable table;
  table.SetTableName("Kept");
  table.AddCommand({36, 0, 0, 0, 42});
  try {
    table.LoadFromFile(fuzz_file("input.tbl"));
  } catch (const vx::controls::CommandTableFileError&) {
    require(table.TableName() == "Kept" && rows_of(table) == std::vector<vx::controls::CommandRow>{{36, 0, 0, 0, 42}});
    return 0;
  }
  table.SaveToFile(fuzz_file("saved.tbl"));
  TOvcCommandTable again;
  again.LoadFromFile(fuzz_file("saved.tbl"));
  require(again.TableName() == table.TableName() && rows_of(again) == rows_of(table));
  again.SaveToFile(fuzz_file("again.tbl"));
  require(vx::test::read_file(fuzz_file("saved.tbl")) == vx::test::read_file(fuzz_file("again.tbl")));
  return 0;
}
