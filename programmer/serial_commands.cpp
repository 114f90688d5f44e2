#include "programmer/serial_commands.h"

#include <cstdio>
#include <stdexcept>

#include "foundation/atomic_file.h"
#include "foundation/file_checks.h"
#include "foundation/kstring.h"
#include "foundation/owned_file.h"
#include "foundation/run_control.h"
#include "foundation/status_output.h"
#include "interface/srecord_download.h"
#include "interface/target_operations.h"
#include "programmer/algorithm_routines.h"
#include "programmer/chosen_module.h"
#include "programmer/command_loop.h"
#include "programmer/program_commands.h"
#include "programmer/programmer_run.h"

namespace vx::programmer {
namespace {

// Longer than any serial-number line (16 bytes: 107 characters).
constexpr std::size_t serial_file_read_limit = 256;

SerialState state;

// A file that can no longer be read is an input/output failure of the run, not a script result.
std::string read_serial_file_text(const ShortText& name) {
  const OwnedFile file(std::fopen(name.c_str(), "rb"));
  if (!file) throw std::runtime_error("Cannot open serial file " + name.str());
  std::string text(serial_file_read_limit, '\0');
  text.resize(std::fread(text.data(), 1, text.size(), file.get()));
  if (std::ferror(file.get()) != 0) throw std::runtime_error("Cannot read serial file " + name.str());
  return text;
}

// Another run that programs boards from the same file holds it from its read to the end of its
// PS; a run that cannot have it in time fails rather than hand out a number twice.
constexpr std::uint32_t serial_file_patience_ms = 60'000;

void hold_serial_file() {
  if (state.lock.held()) return;
  const ShortText& name = programmer_run().serial_file_name;
  const auto waiting = [&name] {
    END_DEBUG_LINE();
    WRITELN_TO_DEBUG("Waiting for serial file " + name + ", which another run is using.");
  };
  if (!state.lock.acquire(name.str(), serial_file_patience_ms, waiting)) {
    throw std::runtime_error("Serial file " + name.str() + " stays in use by another run");
  }
}

void passed(SerialStep step) {
  if (state.watcher != nullptr) state.watcher(step);
}

[[noreturn]] void unwritable_serial_file(const ShortText& name) {
  throw std::runtime_error("Cannot write serial file " + name.str());
}

void rewrite_serial_file(const SerialNumber& number) {
  const ShortText& name = programmer_run().serial_file_name;
  if (!replace_file_atomically(name.str(), format_serial_number(number))) unwritable_serial_file(name);
}

// The number that was not programmed goes back into the file, so the next board gets it.
void give_back(const SerialNumber& number) {
  rewrite_serial_file(number);
  state.number = number;
  state.display_text = serial_display_text(number);
  state.lock.release();
  passed(SerialStep::given_back);
}

// The bytes programmed at the serial address read back as written.
bool serial_reads_back(std::uint32_t address, const std::vector<std::uint8_t>& bytes) {
  bool same = true;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto at = static_cast<std::uint32_t>(address + i);
    select_address_page(at);
    same = READ_DATA_BYTE(paged_read_address(at)) == bytes[i] && same;
    restore_address_page();
  }
  return same;
}

// Programs the number and reads it back: 0, or the result of the failure with its status text.
std::int32_t put_on_device(const SerialNumber& number, const std::string& display_text) {
  const std::uint32_t address = number.address;
  srecord_download().error = false;
  ProgramPipeline pipeline =
      module_pipeline(static_cast<std::int32_t>(address & ~3U), static_cast<std::int32_t>((address + 18) & ~3U));
  pipeline.set_current_address(static_cast<std::int32_t>(address));
  mcu_registers().PC = static_cast<std::uint16_t>(reload_algorithm_page(program_routine_entry(), true));
  END_DEBUG_LINE();
  WRITE_TO_DEBUG("Programming serial number " + ShortText(display_text) + " at address $" + hex_long(address));
  const std::vector<std::uint8_t> bytes = serial_storage_bytes(number);
  for (const std::uint8_t byte : bytes) pipeline.add_program_byte(byte);
  if (!program_collected_blocks(pipeline)) {
    WRITELN_TO_DEBUG("Error during programming.");
    return 18;
  }
  passed(SerialStep::programmed);
  if (!serial_reads_back(address, bytes)) {
    WRITELN_TO_DEBUG(" Failed.");
    return 56;
  }
  passed(SerialStep::read_back);
  return 0;
}

}  // namespace

SerialState& serial_state() { return state; }

void reset_serial_state() { state = SerialState{}; }

void choose_serial_file() {
  const CommandLoop& loop = command_loop();
  const ShortText name = trim(loop.current_line.substr(loop.line_cursor - 1));
  if (!valid_file_exists(name)) {
    WRITELN_TO_DEBUG("");
    WRITELN_TO_DEBUG(".SER file " + name + " not found.\x07");
    internal_prog_halt(16);
  }
  state.lock.release();
  programmer_run().serial_file_name = name;
  state.selected = true;
  hold_serial_file();
  read_serial_file();
}

void read_serial_file() {
  const ShortText& name = programmer_run().serial_file_name;
  const std::optional<SerialNumber> number = parse_serial_number(read_serial_file_text(name));
  if (!number) {
    state.display_text.clear();
    state.selected = false;
    WRITELN_TO_DEBUG("Error reading Serial File " + name);
    internal_prog_halt(53);
  }
  state.number = *number;
  state.display_text = serial_display_text(state.number);
}

void increment_serial_number() {
  const bool advanced = advance_serial_number(state.number);
  state.display_text = serial_display_text(state.number);
  if (!advanced) {
    END_DEBUG_LINE();
    WRITELN_TO_DEBUG("Error - Can NOT update Serial Number.");
    internal_prog_halt(55);
  }
}

void program_serial_number() {
  if (!state.selected) return;
  hold_serial_file();
  read_serial_file();
  passed(SerialStep::read);
  // Both the reservation and the giving back rewrite the file.
  const ShortText& name = programmer_run().serial_file_name;
  if (!file_can_be_rewritten(name)) unwritable_serial_file(name);
  const SerialNumber number = state.number;
  const std::string display_text = state.display_text;
  // The last number cannot be reserved: programming it would hand it out again at the next run.
  increment_serial_number();
  // The file names the next number before this one reaches the device.
  rewrite_serial_file(state.number);
  passed(SerialStep::reserved);
  std::int32_t failure = 0;
  try {
    failure = put_on_device(number, display_text);
  } catch (...) {
    give_back(number);
    throw;
  }
  if (failure != 0) {
    give_back(number);
    internal_prog_halt(failure);
  }
  WRITELN_TO_DEBUG(" Success.");
  state.lock.release();
  passed(SerialStep::finished);
}

}  // namespace vx::programmer
