#include "programmer/program_commands.h"

#include <fstream>

#include "foundation/file_checks.h"
#include "foundation/kstring.h"
#include "foundation/run_control.h"
#include "foundation/run_state.h"
#include "foundation/status_output.h"
#include "interface/target_operations.h"
#include "loaders/object_image.h"
#include "programmer/algorithm_routines.h"
#include "programmer/chosen_module.h"
#include "programmer/command_line.h"
#include "programmer/command_loop.h"
#include "programmer/module_state.h"
#include "programmer/object_file_data.h"
#include "programmer/object_image_load.h"
#include "programmer/programmer_run.h"
#include "programmer/range_parameters.h"

namespace vx::programmer {
namespace {

constexpr std::string_view five_backspaces = "\b\b\b\b\b";
// How many object bytes go through the pipeline between two looks at the cancel button.
constexpr std::uint32_t bytes_per_abort_check = 256;

void write_unreadable_line(std::uint32_t device_address) {
  END_DEBUG_LINE();
  WRITELN_TO_DEBUG("Unable to read target byte at address $" + address_to_hex5(device_address) + ".");
}

void write_oversized_line() {
  END_DEBUG_LINE();
  WRITELN_TO_DEBUG("Program block does not fit the algorithm's RAM buffer.");
}

// Sorted: through the load driver in ascending address order. False when nothing was programmed.
bool feed_sorted_image(ProgramPipeline& pipeline) {
  if (!load_command_object_image()) return false;
  WRITE_TO_DEBUG(" Processing Object File Data ... ");
  std::int32_t address = 0;
  std::uint8_t byte = 0;
  std::uint32_t count = 0;
  bool aborted = false;
  while (!aborted && !pipeline.stopped() && loaders::next_image_byte(address, byte)) {
    pipeline.set_current_address(address);
    pipeline.add_program_byte(byte);
    aborted = ++count % bytes_per_abort_check == 0 && check_abort();
  }
  WRITE_TO_DEBUG(ShortText(32, '\b'));
  return !aborted && program_collected_blocks(pipeline);
}

// Unsorted: the file's data lines in file order.
bool feed_object_lines(ProgramPipeline& pipeline) {
  std::ifstream file(programmer_run().object_file_name.str(), std::ios::binary);
  ObjectLineReader reader(file, true);
  ObjectDataRecord record;
  while (reader.next(record)) {
    pipeline.set_current_address(record.address);
    for (const std::uint8_t byte : record.bytes) pipeline.add_program_byte(byte);
    if (pipeline.stopped()) break;
    if (cancel_key_pending()) internal_prog_halt(1);
  }
  if (reader.bad() || !file.is_open()) return false;
  const bool programmed = program_collected_blocks(pipeline);
  WRITE_TO_DEBUG(ShortText(five_backspaces) +
                 address_to_hex5(static_cast<std::uint32_t>(pipeline.current_address()) - 1));
  return programmed;
}

bool process_object_file_data(ProgramPipeline& pipeline) {
  return command_line().sort_flag ? feed_sorted_image(pipeline) : feed_object_lines(pipeline);
}

// Continued status text stays hidden while one value of PB or PW is programmed.
struct SuppressedStatus {
  SuppressedStatus() { status_output().output_suppressed = true; }
  ~SuppressedStatus() { status_output().output_suppressed = false; }
  SuppressedStatus(const SuppressedStatus&) = delete;
  SuppressedStatus& operator=(const SuppressedStatus&) = delete;
};

void ensure_object_file_selected(std::string_view message) {
  if (programmer_run().object_file_specified) return;
  WRITELN_TO_DEBUG("");
  WRITELN_TO_DEBUG(ShortText(message) + "\x07");
  internal_prog_halt(5);
}

void check_record(const ModuleWindow& window, std::int32_t low, std::int32_t high, std::int32_t address,
                  std::size_t count) {
  if (record_within_ranges(window, low, high, address, count)) return;
  twiddle_stop();
  WRITELN_TO_DEBUG(" Invalid address detected.");
  WRITELN_TO_DEBUG(invalid_addresses_line(address, count));
  internal_prog_halt(53);
}

[[noreturn]] void unreadable_object_file() {
  twiddle_stop();
  WRITELN_TO_DEBUG("Error reading S record file.\x07");
  internal_prog_halt(2);
}

// Programs one value of PB or PW and reads it back; false when the device holds something else.
bool program_value(std::int32_t address, std::uint32_t value, bool word) {
  reload_algorithm_page(program_routine_entry(), true);
  ProgramPipeline pipeline = module_pipeline(address, address + 3);
  bool programmed = false;
  {
    const SuppressedStatus quiet;
    if (word) pipeline.add_program_byte(static_cast<std::uint8_t>(value >> 8));
    pipeline.add_program_byte(static_cast<std::uint8_t>(value));
    programmed = program_collected_blocks(pipeline);
  }
  // A value the pipeline dropped (a preserved address) is judged by its read-back alone.
  if (!programmed && (pipeline.unreadable() || pipeline.oversized())) {
    WRITELN_TO_DEBUG("Error during programming.");
    internal_prog_halt(18);
  }

  const std::uint32_t device = current_module_window().device_address(address);
  select_address_page(device);
  const std::uint32_t read_at = paged_read_address(device);
  const std::uint32_t readback = word ? READ_DATA_WORD(read_at) : READ_DATA_BYTE(read_at);
  restore_address_page();
  return readback == value;
}

struct ValueCommand {
  bool word;
  std::uint32_t largest;
  std::string_view readback_failure;
  std::int32_t readback_result;
  std::string_view range_warning;
};

void program_values(const ValueCommand& command) {
  const ModuleWindow window = current_module_window();
  const auto size = static_cast<std::int64_t>(window.module_size);
  std::int64_t offset = static_cast<std::int64_t>(static_cast<std::int32_t>(hex_parameter())) - window.cm_base;
  const auto address_of = [&window](std::int64_t at) { return static_cast<std::int32_t>(window.cm_base + at); };
  const auto in_module = [&](std::int64_t at) { return address_in_module(window, address_of(at)); };

  if (command.word ? (offset < 0 || offset >= size) : !in_module(offset)) {
    fail_parameter({19, "Start address does not point into module."});
  }
  if (command.word && offset % 2 != 0) fail_parameter({22, "Start address is not on an aligned word boundary."});

  const std::int64_t readback_failed = size + 2;
  const std::int64_t cancelled = size + 4;
  for (;;) {
    const ShortText word = next_line_word();
    std::int32_t value = 0;
    if (word.empty() || !str_to_long("$" + word, value)) break;
    // A value too wide for the cell is refused rather than cut.
    if (static_cast<std::uint32_t>(value) > command.largest) {
      fail_parameter({39, "Error converting hexadecimal command number (Bad command parameter)."});
    }
    if (!program_value(address_of(offset), static_cast<std::uint32_t>(value), command.word)) {
      offset = readback_failed;
      END_DEBUG_LINE();
      break;
    }
    if (check_abort()) {
      offset = cancelled;
      END_DEBUG_LINE();
      break;
    }
    offset += command.word ? 2 : 1;
    const bool past_end = command.word ? (offset < 0 || offset > size + 1)
                                       : (offset < 0 || offset > size || !in_module(offset));
    if (past_end) break;
  }
  if (offset == cancelled || (offset >= 0 && offset < size)) return;
  END_DEBUG_LINE();
  if (offset == readback_failed) {
    WRITELN_TO_DEBUG(ShortText(command.readback_failure));
    internal_prog_halt(command.readback_result);
  }
  WRITELN_TO_DEBUG(ShortText(command.range_warning));
}

}  // namespace

ProgramPipeline module_pipeline(std::int32_t low, std::int32_t high) {
  ProgramPipeline pipeline(current_module_window(), current_blocking_rules(), read_device_byte);
  pipeline.reset(low);
  pipeline.set_range(low, high);
  return pipeline;
}

bool program_collected_blocks(ProgramPipeline& pipeline) {
  const std::vector<ProgramBlock> blocks = pipeline.take_blocks();
  if (pipeline.unreadable()) {
    write_unreadable_line(pipeline.unreadable_address());
    return false;
  }
  if (pipeline.oversized()) {
    write_oversized_line();
    return false;
  }
  if (blocks.empty()) {
    END_DEBUG_LINE();
    WRITELN_TO_DEBUG("No data to program.");
    return false;
  }
  const ModuleState& state = module_state();
  const ModuleWindow window = current_module_window();
  const std::uint16_t buffer_size = current_blocking_rules().ram_buffer_size;
  for (const ProgramBlock& block : blocks) {
    // The routine's RAM buffer must take the block whole.
    if (block.bytes.size() > buffer_size) {
      write_oversized_line();
      return false;
    }
    const std::uint32_t device = window.device_address(block.start);
    const auto length = static_cast<std::uint16_t>(block.bytes.size());
    PUT_DATA_BYTE_BLOCK(state.entries[entry::ram_buffer], length, block.bytes.data());
    WRITE_TO_DEBUG(ShortText(five_backspaces) + address_to_hex5(static_cast<std::uint32_t>(block.start)));
    const RoutineOutcome outcome = call_program_routine(device, length);
    // A cancel between blocks must not read as a finished programming.
    if (outcome.failed() || check_abort()) {
      WRITELN_TO_DEBUG("Error during programming.");
      internal_prog_halt(18);
    }
  }
  return true;
}

void check_srecord_ranges(std::int32_t low, std::int32_t high) {
  if (module_state().remap.count != 0 || command_line().skip_srecord_range_check) return;
  WRITELN_TO_DEBUG("");
  WRITE_TO_DEBUG("Checking range of S records.");
  twiddle_start();
  const ModuleWindow window = current_module_window();
  const ShortText& name = programmer_run().object_file_name;
  const std::uint8_t module = object_file_module(name);
  if (module == srecord_module) {
    std::ifstream file(name.str(), std::ios::binary);
    ObjectLineReader reader(file, false);
    ObjectDataRecord record;
    while (reader.next(record)) {
      if (cancel_key_pending()) {
        twiddle_stop();
        WRITELN_TO_DEBUG("Canceled by user.");
        internal_prog_halt(1);
      }
      check_record(window, low, high, record.address, record.bytes.size());
    }
    if (reader.bad()) unreadable_object_file();
  } else if (module != no_module) {
    // Object files of the other formats are checked through their loaded records; lines no
    // module reads (Intel hex) are passed over.
    if (!load_command_object_image()) unreadable_object_file();
    std::int32_t address = 0;
    std::uint16_t length = 0;
    std::array<std::uint8_t, 256> bytes{};
    while (loaders::next_image_record(address, length, bytes)) check_record(window, low, high, address, length);
  }
  twiddle_stop();
  WRITELN_TO_DEBUG("Checked.");
}

void select_object_file() {
  CommandLoop& loop = command_loop();
  // The name follows the mnemonic wherever it stands on the line.
  const ShortText name = trim(loop.current_line.substr(loop.line_cursor - 1));
  if (!valid_file_exists(name)) {
    WRITELN_TO_DEBUG("");
    WRITELN_TO_DEBUG("Object file " + name + " not found.\x07");
    internal_prog_halt(16);
  }
  programmer_run().object_file_name = name;
  programmer_run().object_file_specified = true;
}

void program_module(std::int32_t low, std::int32_t high) {
  reload_algorithm_page(program_routine_entry(), true);
  ensure_object_file_selected("Error - S record file is not selected.");
  check_srecord_ranges(low, high);
  refuse_conflicting_object_data();
  WRITELN_TO_DEBUG("");
  WRITE_TO_DEBUG(module_state().programming_also_verifies ? "Programming and Verifying." : "Programming.");
  WRITE_TO_DEBUG("\b Address $     ");
  ProgramPipeline pipeline = module_pipeline(low, high);
  const bool programmed = process_object_file_data(pipeline);
  WRITE_TO_DEBUG(" ");
  if (!programmed) {
    WRITELN_TO_DEBUG("Error during programming.");
    internal_prog_halt(18);
  }
  WRITELN_TO_DEBUG("Programmed.");
}

void program_module_range() {
  const ModuleWindow window = current_module_window();
  const auto [start, end] = read_window_range(window);
  program_module(start, end);
}

void program_bytes() {
  program_values({false, 0xFF, "Error during last byte programming.", 20, "Programming address no longer in module."});
}

void program_words() {
  program_values(
      {true, 0xFFFF, "Error during last word programming.", 23, "Warning - Programming address no longer in module."});
}

}  // namespace vx::programmer
