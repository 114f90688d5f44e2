#include "programmer/erase_commands.h"

#include <algorithm>

#include "foundation/kstring.h"
#include "foundation/run_control.h"
#include "foundation/status_output.h"
#include "interface/target_operations.h"
#include "programmer/algorithm_routines.h"
#include "programmer/choose_module.h"
#include "programmer/chosen_module.h"
#include "programmer/command_loop.h"
#include "programmer/module_state.h"
#include "programmer/program_commands.h"
#include "programmer/programmer_run.h"
#include "programmer/range_parameters.h"

namespace vx::programmer {
namespace {

ShortText range_text(const ModuleWindow& window, const AddressRange& range) {
  const auto base = static_cast<std::uint32_t>(window.cm_base);
  return "$" + hex_long(base + range.start) + "-$" + hex_long(base + range.end);
}

void free_preserved_bytes() {
  for (AddressRange& range : module_state().preserve_ranges) {
    range.saved.clear();
    range.all_erased = false;
  }
}

// The bytes go back where they were read: module start + start .. module start + end.
void save_preserved_ranges(const ModuleWindow& window) {
  for (AddressRange& range : module_state().preserve_ranges) {
    // The file's range decides how much we hold; one beyond the module is no range to keep.
    if (range.end < range.start || range.end - range.start >= window.module_size) {
      END_DEBUG_LINE();
      WRITELN_TO_DEBUG("Preserved data range " + range_text(window, range) + " does not lie in the module.\x07");
      internal_prog_halt(64);
    }
    const std::uint32_t first = window.module_start + range.start;
    range.saved.resize(range.end - range.start + 1);
    for (std::size_t i = 0; i < range.saved.size(); ++i) {
      const std::uint32_t device = first + static_cast<std::uint32_t>(i);
      const std::optional<std::uint8_t> byte = device_byte_value(read_device_byte(device));
      if (!byte) {
        // Erasing now would lose data we could not keep.
        END_DEBUG_LINE();
        WRITELN_TO_DEBUG("Unable to read preserved data at address $" + address_to_hex5(device) + ".\x07");
        internal_prog_halt(64);
      }
      range.saved[i] = *byte;
    }
    range.all_erased = std::all_of(range.saved.begin(), range.saved.end(), [](std::uint8_t b) { return b == 0xFF; });
    if (!range.all_erased) {
      END_DEBUG_LINE();
      WRITE_TO_DEBUG("Preserving data range " + range_text(window, range) + " before erase ... ");
      WRITELN_TO_DEBUG("Done.");
    }
  }
}

void choose_module_again(bool keep_preserved) {
  ModuleState& state = module_state();
  state.reuse = true;
  state.keep_preserve = keep_preserved;
  PICK_SETUP_FILE();
  state.reuse = false;
  state.keep_preserve = false;
}

void check_reset_conditions() {
  const ModuleState& state = module_state();
  for (std::size_t n = 0; n < state.reset_condition_count; ++n) {
    const ResetCondition condition = state.reset_conditions[n];
    if ((READ_DATA_BYTE(condition.address) & condition.mask) == condition.value) {
      choose_module_again(true);
      END_DEBUG_LINE();
    }
  }
}

void write_back_preserved_ranges(const ModuleWindow& window) {
  RangeList& ranges = module_state().preserve_ranges;
  if (ranges.count == 0 || ranges.ranges[0].saved.empty()) return;
  reload_algorithm_page(program_routine_entry(), true);
  for (const AddressRange& range : ranges) {
    if (range.all_erased || range.saved.empty()) continue;
    END_DEBUG_LINE();
    WRITE_TO_DEBUG("Re-programming preserved data range " + range_text(window, range) + " ...      ");
    const auto first = static_cast<std::int32_t>(static_cast<std::uint32_t>(window.cm_base) + range.start);
    ProgramPipeline pipeline = module_pipeline(window.cm_base, static_cast<std::int32_t>(window.window_end()));
    pipeline.set_allow_preserved(true);
    pipeline.set_current_address(first);
    for (const std::uint8_t byte : range.saved) pipeline.add_program_byte(byte);
    if (!program_collected_blocks(pipeline)) {
      WRITELN_TO_DEBUG("Error during programming.");
      internal_prog_halt(18);
    }
    WRITE_TO_DEBUG("\b\b\b\b\bDone.");
  }
}

void check_size(std::uint64_t size) {
  if (RangeCheck failure = check_routine_size(size)) fail_parameter(*failure);
}

void erase_range(bool word) {
  const ModuleWindow window = current_module_window();
  const auto [start, end] = read_erase_range(window, word);
  const std::uint64_t size = static_cast<std::uint64_t>(static_cast<std::int64_t>(end) - start) + (word ? 2 : 1);
  erase_module(word ? entry::erase_word_range : entry::erase_byte_range, window.device_address(start),
               static_cast<std::uint32_t>(std::min<std::uint64_t>(size, 0xFFFFFFFF)));
}

}  // namespace

void erase_module(std::size_t routine_entry, std::uint32_t start, std::uint32_t size) {
  // A range erase with a cut size would erase less than asked and report success; the module
  // erase erases the whole part whatever its size word says.
  if (routine_entry != entry::erase_module) check_size(size);
  const ModuleWindow window = current_module_window();
  free_preserved_bytes();
  const bool module_erase = routine_entry == entry::erase_module;
  const bool preserving = module_erase && module_state().preserve_ranges.count != 0;
  const bool secured = target_is_secured();
  if (preserving && !secured) save_preserved_ranges(window);
  if (preserving && secured) {
    END_DEBUG_LINE();
    WRITELN_TO_DEBUG("WARNING - Device is secured: preserved data ranges cannot be saved before erase.");
  }

  WRITELN_TO_DEBUG("");
  WRITE_TO_DEBUG("Erasing.");
  twiddle_start();
  const RoutineOutcome outcome = call_erase_routine(routine_entry, start, size);
  twiddle_stop();
  if (outcome.failed()) {
    if (!target_is_secured()) {
      WRITELN_TO_DEBUG("Module could not be erased.\x07");
      // Programming over flash that did not erase would only spread the damage.
      internal_prog_halt(24);
    }
    choose_module_again(false);
  } else if (secured) {
    WRITELN_TO_DEBUG("Module erasure reported no errors. (Can not verify secured device).");
  } else {
    WRITELN_TO_DEBUG(module_erase ? "Module has been erased." : "Memory range erase function complete.");
  }
  check_reset_conditions();
  if (!secured) write_back_preserved_ranges(window);
  free_preserved_bytes();
}

void blank_check_module(std::uint32_t start, std::uint32_t size) {
  ProgrammerRun& run = programmer_run();
  const ModuleState& state = module_state();
  run.blank_check_passed = false;
  const ModuleWindow window = current_module_window();
  std::vector<std::uint32_t> page_cuts;
  if (state.window.in_use) page_cuts = {state.window.low, std::uint32_t{state.window.high} + 1};
  const std::vector<DevicePiece> pieces = routine_pieces(window, start, size, page_cuts);
  const auto is_word_wise = [&state](const DevicePiece& piece) {
    return state.entries[entry::blank_check_word] != 0 && piece.start % 2 == 0 && piece.size % 2 == 0;
  };
  for (const DevicePiece& piece : pieces) {
    if (!is_word_wise(piece) && state.entries[entry::blank_check_byte] == 0) {
      WRITELN_TO_DEBUG("");
      WRITELN_TO_DEBUG("Selected .S8P file does not implement byte checking.");
      internal_prog_halt(26);
    }
  }
  END_DEBUG_LINE();
  WRITE_TO_DEBUG("Blank Checking ... ");
  std::uint32_t first_non_blank = 0;
  bool word_wise = false;
  RoutineOutcome outcome{};
  for (const DevicePiece& piece : pieces) {
    word_wise = is_word_wise(piece);
    // Each piece of a paged module is reached through its page, at its 16-bit address.
    const bool paged = pieces.size() > 1;
    if (paged) select_address_page(piece.start);
    outcome = call_blank_check_routine(word_wise, piece.start & (paged ? 0xFFFF : 0xFFFFFFFF), piece.size,
                                       first_non_blank);
    if (paged) restore_address_page();
    if (outcome.failed()) {
      if (paged) first_non_blank = (piece.start & ~0xFFFFu) | (first_non_blank & 0xFFFF);
      break;
    }
  }
  if (!outcome.failed()) {
    run.blank_check_passed = true;
    WRITELN_TO_DEBUG("Erased.");
    return;
  }
  select_address_page(first_non_blank);
  const std::uint32_t read_at = paged_read_address(first_non_blank);
  const ShortText where = address_to_hex5(static_cast<std::uint32_t>(window.object_address(first_non_blank)));
  WRITELN_TO_DEBUG("");
  if (word_wise) {
    WRITELN_TO_DEBUG("Module word not erased at address $" + where + " word is $" + hex_word(READ_DATA_WORD(read_at)) + ".");
  } else {
    WRITELN_TO_DEBUG("Module byte not erased at address $" + where + " byte is $" + hex_byte(READ_DATA_BYTE(read_at)) + ".");
  }
  restore_address_page();
  if (!run.en_flag) internal_prog_halt(word_wise ? 25 : 27);
}

void erase_module_command() {
  programmer_run().en_flag = false;
  erase_module(entry::erase_module, module_start(), module_size());
}

void erase_if_not_blank_command() {
  ProgrammerRun& run = programmer_run();
  run.en_flag = true;
  blank_check_module(module_start(), module_size());
  run.en_flag = false;
  if (!run.blank_check_passed) erase_module(entry::erase_module, module_start(), module_size());
}

void blank_check_module_command() { blank_check_module(module_start(), module_size()); }

void blank_check_range() {
  const ModuleWindow window = current_module_window();
  const auto [start, end] = read_window_range(window);
  blank_check_module(window.device_address(start), static_cast<std::uint32_t>(end - start) + 1);
}

void erase_byte_range() { erase_range(false); }

void erase_word_range() { erase_range(true); }

}  // namespace vx::programmer
