#include "loaders/load_driver.h"

#include <span>
#include <string>
#include <string_view>

#include "foundation/kstring.h"
#include "foundation/status_output.h"
#include "loaders/database_dump.h"
#include "loaders/debug_context.h"
#include "loaders/dll_map.h"
#include "loaders/format_modules.h"

namespace vx::loaders {
namespace {

constexpr std::size_t module_name_width = 16;

LoadDriver driver_state;

const DebugDll& module_entry(std::uint8_t number) { return driver_state.modules[number - 1]; }

bool load_trace_on() { return current_debug_context().load_trace; }

void trace_test_result(std::uint8_t number, bool accepted) {
  TraceTextFile* trace = driver_state.test_trace.get();
  if (trace == nullptr || !load_trace_on()) return;
  const ShortText head =
      hex_byte(number) + " - " + pad_blanks(current_debug_context().module.module_name, module_name_width) + " - ";
  if (accepted) {
    trace->line((head + "Valid file found.").view());
  } else {
    trace->line((head + "Valid file NOT found.").view());
    trace->line((" Cause = " + get_debug_dll_error_text()).view());
  }
}

// All module filters joined for an open-file dialog, each filter once.
void build_joined_filter() {
  std::string joined;
  std::string patterns;
  for (std::uint8_t n = 1; n <= driver_state.module_count; ++n) {
    const DebugDll& module = module_entry(n);
    module.name();
    const ShortText filter = module.filter();
    if (joined.find(filter.view()) != std::string::npos) continue;
    if (!joined.empty()) joined += '|';
    joined += filter.view();
    const std::size_t bar = filter.view().find('|');
    const ShortText after_bar = bar == std::string_view::npos ? ShortText() : filter.substr(bar + 1);
    if (!patterns.empty()) patterns += ';';
    patterns += trim(after_bar).view();
  }
  current_debug_context().module.joined_filter =
      ShortText("All Debug/Object Files | " + patterns + "|" + joined + "|All Files (*.*)|*.*");
}

// "load.dat" in the current directory: each block's address and bytes.
void trace_loaded_block(TraceTextFile& trace) {
  ModuleInterface& module = current_debug_context().module;
  trace.line("");
  trace.line(("debug_dll_load_address = " + hex_long(static_cast<std::uint32_t>(module.block_address))).view());
  trace.byte_block(std::span<const std::uint8_t>(module.block_data.data(), module.block_length));
}

ShortText unknown_file_text(const ShortText& name) {
  constexpr std::string_view before = "Error (";
  constexpr std::string_view after = ") : File not found -or- Unknown file type.";
  return before + name.substr(0, ShortText::max_length - before.size() - after.size()) + after;
}

// Stores the module's blocks until it has no more; false when it failed.
bool load_object_blocks(const DebugDll& module, TraceTextFile* trace) {
  ModuleInterface& state = current_debug_context().module;
  state.object_record_count = 0;
  state.object_byte_count = 0;
  set_block_length(1);
  bool failed = false;
  while (get_block_length() != 0 && !failed) {
    module.load();
    if (get_debug_dll_error() != 0) {
      module.error_text();
      WRITELN_TO_DEBUG(get_debug_dll_error_text());
      failed = true;
    }
    if (get_block_length() == 0) continue;
    if (trace != nullptr) trace_loaded_block(*trace);
    if (PUT_OBJECT_RECORD(state.block_address, state.block_length, state.block_data.data())) {
      ++state.object_record_count;
      state.object_byte_count += state.block_length;
    } else {
      WRITELN_TO_DEBUG("Error - out of memory.");
      clear_object_records();
      failed = true;
    }
  }
  if (load_trace_on()) dump_object_records();
  return !failed;
}

// Loads the debug information and turns its lists into trees; false when it failed.
bool load_debug_part(const DebugDll& module) {
  module.debug();
  const bool failed = get_debug_dll_error() != 0;
  if (failed) {
    module.error_text();
    WRITELN_TO_DEBUG(get_debug_dll_error_text());
  }
  if (load_trace_on()) dump_debug_database();
  build_line_tree();
  build_symbol_tree();
  build_address_tree();
  if (failed) {
    clear_debug_database();
    clear_object_records();
  }
  return !failed;
}

}  // namespace

LoadDriver& load_driver() { return driver_state; }

void reset_load_driver() { driver_state = LoadDriver{}; }

void REGISTER_DEBUG_DLLS(LoaderBuild build) {
  driver_state.modules = {map_module_entry(), ieee695_module_entry(), elf_module_entry(), imagecraft_module_entry()};
  driver_state.module_count = 4;
  if (build != LoaderBuild::updater) return;
  driver_state.modules[0].filter = DEBUG_DLL_FILTER_MAP_UPDATER;
  driver_state.modules[2].test = nullptr;
  driver_state.modules[4] = intelhex_module_entry();
  driver_state.module_count = 5;
}

void start_object_loading(LoaderBuild build) {
  LoaderContext& context = current_debug_context();
  context.load_trace = false;
  clear_debug_database();
  clear_object_records();
  REGISTER_DEBUG_DLLS(build);
  build_joined_filter();
  driver_state.started = true;
}

void finish_object_loading() {
  driver_state.test_trace.reset();
  clear_object_records();
}

std::uint8_t TEST_LOAD_FILES() {
  if (driver_state.test_trace && load_trace_on()) {
    driver_state.test_trace->line("TESTING FOR VALID LOAD FILES FOR EACH EXISTING DLL");
  }
  for (std::uint8_t n = 1; n <= driver_state.module_count; ++n) {
    const DebugDll& module = module_entry(n);
    if (module.test == nullptr) continue;
    module.test();
    module.name();
    if (get_debug_dll_error() == 0) {
      trace_test_result(n, true);
      module.close();
      current_debug_context().module.object_file_format = n;
      return n;
    }
    module.error_text();
    trace_test_result(n, false);
    module.close();
  }
  if (driver_state.test_trace && load_trace_on()) driver_state.test_trace->line("");
  return 0;
}

bool LOAD_OBJECT_FILE(const ShortText& name, std::uint8_t mode) {
  if (!driver_state.started) return false;
  current_debug_context().module.load_file_name = name;
  const std::uint8_t number = TEST_LOAD_FILES();
  if (number == 0) {
    WRITELN_TO_DEBUG(unknown_file_text(name));
    return false;
  }
  clear_object_records();
  clear_debug_database();
  const DebugDll& module = module_entry(number);
  current_debug_context().module.object_bytes_only = mode == load_object_bytes;
  module.open();
  if (get_debug_dll_error() != 0) {
    module.error_text();
    // A file the user chose must never be refused without its reason.
    if (!current_debug_context().module.error_shown) WRITELN_TO_DEBUG(get_debug_dll_error_text());
    return false;
  }
  bool loaded = true;
  if (mode == load_object_bytes || mode == load_object_and_debug) {
    std::unique_ptr<TraceTextFile> trace;
    if (load_trace_on()) trace = std::make_unique<TraceTextFile>(ShortText("load.dat"));
    loaded = load_object_blocks(module, trace.get());
  }
  if ((mode == load_debug_information || mode == load_object_and_debug) && loaded) {
    loaded = load_debug_part(module);
  }
  module.close();
  return loaded;
}

ShortText get_joined_filter() { return current_debug_context().module.joined_filter; }

void set_load_trace(bool on) {
  current_debug_context().load_trace = on;
  if (on) {
    driver_state.test_trace = std::make_unique<TraceTextFile>(trace_file_name("test.dat"));
  } else {
    driver_state.test_trace.reset();
  }
}

}  // namespace vx::loaders
