#include "programmer/object_image_load.h"

#include <algorithm>
#include <array>
#include <fstream>

#include "foundation/kstring.h"
#include "foundation/run_control.h"
#include "foundation/status_output.h"
#include "loaders/object_image.h"
#include "programmer/command_line.h"
#include "programmer/programmer_run.h"

namespace vx::programmer {
namespace {

std::vector<ObjectDataRecord> image_records() {
  std::vector<ObjectDataRecord> records;
  if (!load_command_object_image()) return records;
  ObjectDataRecord record;
  std::array<std::uint8_t, 256> buffer{};
  std::uint16_t length = 0;
  while (loaders::next_image_record(record.address, length, buffer)) {
    record.bytes.assign(buffer.begin(), buffer.begin() + std::min<std::size_t>(length, buffer.size()));
    records.push_back(record);
  }
  loaders::rewind_object_image();
  return records;
}

std::vector<ObjectDataRecord> file_records() {
  std::vector<ObjectDataRecord> records;
  std::ifstream file(programmer_run().object_file_name.str(), std::ios::binary);
  ObjectLineReader reader(file, true);
  ObjectDataRecord record;
  while (reader.next(record)) records.push_back(record);
  return records;
}

}  // namespace

bool load_command_object_image() {
  using Load = ProgrammerRun::ObjectImageLoad;
  ProgrammerRun& run = programmer_run();
  if (run.object_image_load == Load::none) {
    run.object_image_load = loaders::load_object_image(run.object_file_name) ? Load::loaded : Load::failed;
  }
  if (run.object_image_load == Load::failed) return false;
  loaders::rewind_object_image();
  return true;
}

void forget_command_object_image() { programmer_run().object_image_load = ProgrammerRun::ObjectImageLoad::none; }

std::optional<std::int32_t> first_conflicting_address(std::vector<ObjectDataRecord> records) {
  std::stable_sort(records.begin(), records.end(),
                   [](const ObjectDataRecord& a, const ObjectDataRecord& b) { return a.address < b.address; });
  // Sorted by start, no record reaches back before the one before it: one merged run of bytes
  // at a time holds everything a later record can overlap, and each byte is looked at once.
  std::optional<std::int64_t> first;
  std::int64_t run_start = 0;
  std::vector<std::uint8_t> run;
  for (const ObjectDataRecord& record : records) {
    const std::int64_t start = record.address;
    const std::int64_t run_end = run_start + static_cast<std::int64_t>(run.size());
    if (run.empty() || start >= run_end) {
      run_start = start;
      run = record.bytes;
      continue;
    }
    for (std::size_t i = 0; i < record.bytes.size(); ++i) {
      const std::int64_t at = start + static_cast<std::int64_t>(i);
      if (at >= run_end) {
        run.push_back(record.bytes[i]);
      } else if (run[static_cast<std::size_t>(at - run_start)] != record.bytes[i] && (!first || at < *first)) {
        first = at;
      }
    }
  }
  if (!first) return std::nullopt;
  return static_cast<std::int32_t>(*first);
}

void refuse_conflicting_object_data() {
  const std::optional<std::int32_t> conflict =
      first_conflicting_address(command_line().sort_flag ? image_records() : file_records());
  if (!conflict) return;
  WRITELN_TO_DEBUG("");
  WRITELN_TO_DEBUG("Object file holds different data for address $" + hex_long(static_cast<std::uint32_t>(*conflict)) +
                   ".\x07");
  internal_prog_halt(2);
}

}  // namespace vx::programmer
