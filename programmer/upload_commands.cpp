#include "programmer/upload_commands.h"

#include <fstream>
#include <stdexcept>

#include "foundation/kstring.h"
#include "foundation/run_control.h"
#include "foundation/status_output.h"
#include "interface/target_operations.h"
#include "interface/target_read_cache.h"
#include "programmer/algorithm_routines.h"
#include "programmer/chosen_module.h"
#include "programmer/command_loop.h"
#include "programmer/range_parameters.h"
#include "programmer/upload_records.h"

namespace vx::programmer {
namespace {

constexpr std::string_view five_backspaces = "\b\b\b\b\b";

// The rest of the command line without blanks or control characters around it.
ShortText rest_of_line() {
  const CommandLoop& loop = command_loop();
  ShortText name = loop.current_line.substr(loop.line_cursor - 1);
  std::size_t first = 0;
  std::size_t last = name.size();
  while (first < last && static_cast<unsigned char>(name[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(name[last - 1]) <= ' ') --last;
  return name.substr(first, last - first);
}

// The cache's enabled switch goes back to how the command found it.
struct CacheEnabled {
  CacheEnabled() : saved(target_read_cache().enabled) { target_read_cache().enabled = true; }
  ~CacheEnabled() { target_read_cache().enabled = saved; }
  CacheEnabled(const CacheEnabled&) = delete;
  CacheEnabled& operator=(const CacheEnabled&) = delete;
  bool saved;
};

// A file the upload could not write completely must never read as uploaded: the run ends on its
// input/output failure.
void check_written(const std::ofstream& file, const ShortText& name) {
  if (file.fail()) throw std::runtime_error("Cannot write upload file " + name.str());
}

[[noreturn]] void stop_upload(std::int32_t address, const ShortText& reason) {
  WRITE_TO_DEBUG(ShortText(five_backspaces) + address_to_hex5(static_cast<std::uint32_t>(address)) + " - ");
  WRITELN_TO_DEBUG(reason);
  internal_prog_halt(10);
}

}  // namespace

void upload_module(std::int32_t start, std::int32_t end) {
  const ShortText name = rest_of_line();
  std::ofstream file(name.str(), std::ios::binary | std::ios::trunc);
  END_DEBUG_LINE();
  if (!file.is_open()) {
    WRITELN_TO_DEBUG("");
    WRITELN_TO_DEBUG("Unable to open file " + name + " for uploading.");
    internal_prog_halt(8);
  }
  WRITE_TO_DEBUG("Uploading to " + name + " .");
  WRITE_TO_DEBUG("\b Address $     ");

  const ModuleWindow window = current_module_window();
  UploadRecordWriter writer(file);
  writer.start_at(static_cast<std::uint32_t>(start));
  {
    const CacheEnabled cache;
    for (std::int64_t a = start; a <= end; ++a) {
      const auto address = static_cast<std::int32_t>(a);
      if ((address & 0xFF) == 0) {
        WRITE_TO_DEBUG(ShortText(five_backspaces) + address_to_hex5(static_cast<std::uint32_t>(address)));
      }
      if (address_in_module(window, address)) {
        const std::uint32_t device = window.device_address(address);
        const std::optional<std::uint8_t> byte = device_byte_value(read_device_byte(device));
        // A byte we could not read must not go into the file as a value.
        if (!byte) stop_upload(address, "Unable to read target byte at address $" + address_to_hex5(device) + ".");
        writer.add_upload_byte(*byte);
      } else {
        writer.flush_upload_record();
        writer.start_at(static_cast<std::uint32_t>(address) + 1);
      }
      check_written(file, name);
      if (cancel_key_pending()) stop_upload(address, "Upload canceled by user.");
    }
    writer.flush_upload_record();
    file.close();
    restore_address_page();
    check_written(file, name);
  }
  WRITE_TO_DEBUG(ShortText(five_backspaces) + address_to_hex5(static_cast<std::uint32_t>(end) + 1) + ". ");
  WRITELN_TO_DEBUG("Uploaded.");
}

void upload_range() {
  const ModuleWindow window = current_module_window();
  const auto [start, end] = read_window_range(window);
  upload_module(start, end);
}

}  // namespace vx::programmer
