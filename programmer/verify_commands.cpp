#include "programmer/verify_commands.h"

#include <array>
#include <fstream>

#include "foundation/program_trace.h"
#include "foundation/run_control.h"
#include "foundation/status_output.h"
#include "interface/port_state.h"
#include "interface/target_operations.h"
#include "interface/target_read_cache.h"
#include "loaders/object_image.h"
#include "programmer/algorithm_routines.h"
#include "programmer/chosen_module.h"
#include "programmer/command_line.h"
#include "programmer/command_loop.h"
#include "programmer/object_file_data.h"
#include "programmer/object_image_load.h"
#include "programmer/program_commands.h"
#include "programmer/programmer_run.h"
#include "programmer/range_parameters.h"
#include "programmer/verify_compare.h"

namespace vx::programmer {
namespace {

constexpr std::string_view five_backspaces = "\b\b\b\b\b";

// The read cache's enabled switch as the command found it, put back on every way out.
struct CacheSwitch {
  CacheSwitch() : saved(target_read_cache().enabled) {
    target_read_cache().enabled = true;
    target_read_cache().valid = false;
  }
  ~CacheSwitch() { target_read_cache().enabled = saved; }
  CacheSwitch(const CacheSwitch&) = delete;
  CacheSwitch& operator=(const CacheSwitch&) = delete;
  bool saved;
};

// The records of the object file in the order the sort flag asks for; unsorted, the data lines
// PM programs (S-records and Intel hex).
class RecordSource {
 public:
  explicit RecordSource(const ShortText& name) : sorted_(command_line().sort_flag) {
    if (sorted_) {
      loaded_ = load_command_object_image();
    } else {
      file_.open(name.str(), std::ios::binary);
      loaded_ = file_.is_open();
    }
  }

  bool loaded() const { return loaded_; }
  // A line that does not read ended the records before the end of the file.
  bool bad() const { return !sorted_ && lines_.bad(); }

  bool next(ObjectDataRecord& record) {
    if (!sorted_) return lines_.next(record);
    std::uint16_t length = 0;
    if (!loaders::next_image_record(record.address, length, buffer_)) return false;
    record.bytes.assign(buffer_.begin(), buffer_.begin() + std::min<std::size_t>(length, buffer_.size()));
    return true;
  }

 private:
  bool sorted_;
  bool loaded_ = false;
  std::ifstream file_;
  ObjectLineReader lines_{file_, true};
  std::array<std::uint8_t, 256> buffer_{};
};

[[noreturn]] void report_mismatch(const VerifyMismatch& mismatch) {
  const ShortText address = address_to_hex5(static_cast<std::uint32_t>(mismatch.address));
  WRITE_TO_DEBUG(ShortText(five_backspaces) + address + ". ");
  WRITELN_TO_DEBUG(verify_error_line(mismatch));
  const ShortText bytes = verify_bytes_line(mismatch);
  WRITELN_TO_DEBUG(bytes);
  if (trace_active()) {
    trace_line(verify_error_line(mismatch));
    trace_line(bytes.substr(0, bytes.size() - 1));
  }
  internal_prog_halt(3);
}

void check_object_file_selected(std::string_view message) {
  if (programmer_run().object_file_specified) return;
  WRITELN_TO_DEBUG("");
  WRITELN_TO_DEBUG(ShortText(message) + "\x07");
  internal_prog_halt(5);
}

}  // namespace

void verify_module(std::int32_t start, std::int32_t end) {
  const CacheSwitch cache;
  check_object_file_selected("Error - S record file is not selected.");
  check_srecord_ranges(start, end);
  WRITELN_TO_DEBUG("");
  WRITE_TO_DEBUG("Verifying.");
  WRITE_TO_DEBUG("\b Address $     ");

  RecordSource source(programmer_run().object_file_name);
  if (!source.loaded()) {
    // Nothing compared is no verify.
    WRITELN_TO_DEBUG("Error while loading S-record file.");
    internal_prog_halt(5);
  }
  const ModuleWindow window = current_module_window();
  const std::uint32_t progress_every = port_state().port_kind == PortState::kind_pci_card ? 100 : 20;
  std::uint32_t records = 0;
  std::int64_t last_address = start - 1;
  ObjectDataRecord record;
  while (source.next(record)) {
    if (++records % progress_every == 1) {
      WRITE_TO_DEBUG(ShortText(five_backspaces) + address_to_hex5(static_cast<std::uint32_t>(record.address)));
    }
    if (const auto mismatch = compare_record(window, start, end, record.address, record.bytes, read_device_byte)) {
      report_mismatch(*mismatch);
    }
    last_address = static_cast<std::int64_t>(record.address) + static_cast<std::int64_t>(record.bytes.size()) - 1;
    if (cancel_key_pending()) {
      twiddle_stop();
      WRITELN_TO_DEBUG(" Verify canceled by user.");
      internal_prog_halt(4);
    }
  }
  if (source.bad()) {
    // The rest of the file was never compared.
    WRITELN_TO_DEBUG(" Error while loading S-record file.");
    internal_prog_halt(5);
  }
  WRITE_TO_DEBUG(ShortText(five_backspaces) + address_to_hex5(static_cast<std::uint32_t>(last_address)) + ". ");
  WRITELN_TO_DEBUG("Verified.");
  restore_address_page();
}

void verify_range() {
  check_object_file_selected("Error - S record file not selected.");
  const ModuleWindow window = current_module_window();
  const auto [start, end] = read_window_range(window);
  verify_module(start, end);
}

}  // namespace vx::programmer
