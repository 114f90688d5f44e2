#include "loaders/dll_imagecraft.h"

#include <array>
#include <optional>
#include <string_view>

#include "foundation/command_exception.h"
#include "foundation/file_checks.h"
#include "foundation/kstring.h"
#include "foundation/status_output.h"
#include "loaders/bounded_reader.h"
#include "loaders/debug_context.h"
#include "loaders/format_modules.h"
#include "loaders/imagecraft_debug.h"

namespace vx::loaders {
namespace {

constexpr std::string_view format_line = "IMAGECRAFT DEBUG FORMAT";
constexpr std::string_view version_line = "VERSION 1.1";
constexpr std::string_view target_line = "CPU HC08";

ImageCraftModule module_state;

std::string_view file_text() {
  return {reinterpret_cast<const char*>(module_state.text.data()), module_state.text.size()};
}

void close_file() {
  module_state.file_open = false;
  module_state.text.clear();
}

// The load file, else the same name with the extension "dbg".
bool open_file() {
  ShortText name = get_load_file_name();
  if (!valid_file_exists(name)) name = replace_extension(name, "dbg").value_or(name);
  module_state.file_name = name;
  if (!valid_file_exists(name)) return false;
  std::optional<std::vector<std::uint8_t>> text = read_file_bytes(name);
  if (!text) return false;
  module_state.text = std::move(*text);
  return true;
}

// The first `count` non-blank lines, trimmed; empty ones past the end.
template <std::size_t count>
std::array<std::string_view, count> header_lines() {
  std::array<std::string_view, count> lines{};
  LineReader reader(file_text());
  std::string_view raw;
  for (std::size_t found = 0; found < count && reader.next(raw);) {
    const std::string_view line = imagecraft::trim_debug_line(raw);
    if (!line.empty()) lines[found++] = line;
  }
  return lines;
}

// Whatever escapes an entry ends it with a warning and, where given, an error code.
template <typename Entry>
void guarded(Entry entry, std::optional<std::uint8_t> failure_code) {
  try {
    entry();
  } catch (const CommandException&) {
    throw;
  } catch (...) {
    WRITELN_TO_DEBUG("WARNING - An unknown error has occurred.");
    if (failure_code) set_debug_dll_error(*failure_code);
  }
}

void test_file() {
  set_debug_dll_error(imagecraft_no_error);
  close_file();
  if (!open_file()) {
    set_debug_dll_error(imagecraft_no_file);
    return;
  }
  if (header_lines<1>()[0] != format_line) {
    set_debug_dll_error(imagecraft_unexpected_text);
    close_file();
    return;
  }
  module_state.file_open = true;
}

void open_debug_file() {
  set_debug_dll_error(imagecraft_no_error);
  close_file();
  if (!open_file()) {
    set_debug_dll_error(imagecraft_no_file);
    return;
  }
  const auto lines = header_lines<3>();
  std::uint8_t code = imagecraft_no_error;
  if (lines[0] != format_line) {
    code = imagecraft_unexpected_text;
  } else if (lines[1] != version_line) {
    code = imagecraft_wrong_version;
  } else if (lines[2] != target_line) {
    code = imagecraft_unknown_target;
  }
  set_debug_dll_error(code);
  if (code == imagecraft_unexpected_text) {
    DEBUG_DLL_ERROR_IMAGECRAFT();
    WRITELN_TO_DEBUG(get_debug_dll_error_text());
  }
  if (code != imagecraft_no_error) {
    close_file();
    return;
  }
  module_state.file_open = true;
}

void read_debug_information() {
  set_debug_dll_error(imagecraft_no_error);
  if (!module_state.file_open) {
    if (!open_file()) {
      set_debug_dll_error(imagecraft_no_file);
      return;
    }
    module_state.file_open = true;
  }
  set_debug_dll_error(imagecraft::read_debug_file(file_text(), module_state.file_name));
}

}  // namespace

ImageCraftModule& imagecraft_module() { return module_state; }

void reset_imagecraft_module() { module_state = ImageCraftModule{}; }

void DEBUG_DLL_TEST_IMAGECRAFT() {
  // A test that failed half-way never accepts the file.
  guarded(test_file, imagecraft_unexpected_text);
  if (get_debug_dll_error() != imagecraft_no_error) close_file();
}

void DEBUG_DLL_NAME_IMAGECRAFT() { set_debug_dll_name("ImageCraft(v1.1)"); }

ShortText DEBUG_DLL_FILTER_IMAGECRAFT() { return "ImageCraft(v1.1) | *.dbg"; }

void DEBUG_DLL_ERROR_IMAGECRAFT() {
  switch (get_debug_dll_error()) {
    case imagecraft_no_file:
      set_debug_dll_error_text("ERROR - Load file " + module_state.file_name + " does not exist.");
      break;
    case imagecraft_unexpected_text:
      set_debug_dll_error_text("ERROR - Unexpected text at line 1.");
      break;
    case imagecraft_wrong_version:
      set_debug_dll_error_text("ERROR - File is not ImageCraft debug file version 1.1.");
      break;
    case imagecraft_srecord_failure:
      set_debug_dll_error_text("ERROR - An error occurred while loading s-record file.");
      break;
    case imagecraft_unknown_target:
      set_debug_dll_error_text("ERROR - Unknown value specified for target architecture.");
      break;
    case imagecraft_no_memory:
      set_debug_dll_error_text("ERROR - Memory allocation error during debug file analysis.");
      break;
    default:
      set_debug_dll_error_text("ERROR - Unknown");
      break;
  }
}

void DEBUG_DLL_OPEN_IMAGECRAFT() {
  guarded(open_debug_file, imagecraft_unexpected_text);
  if (get_debug_dll_error() != imagecraft_no_error) close_file();
}

// No object bytes: every load ends at once.
void DEBUG_DLL_LOAD_IMAGECRAFT() {
  guarded(
      [] {
        set_debug_dll_error(imagecraft_no_error);
        set_block_length(0);
      },
      std::nullopt);
}

void DEBUG_DLL_CLOSE_IMAGECRAFT() { guarded(close_file, std::nullopt); }

void DEBUG_DLL_DEBUG_IMAGECRAFT() { guarded(read_debug_information, imagecraft_unknown); }

DebugDll imagecraft_module_entry() {
  return {DEBUG_DLL_NAME_IMAGECRAFT,  DEBUG_DLL_ERROR_IMAGECRAFT, DEBUG_DLL_LOAD_IMAGECRAFT,
          DEBUG_DLL_OPEN_IMAGECRAFT,  DEBUG_DLL_CLOSE_IMAGECRAFT, DEBUG_DLL_DEBUG_IMAGECRAFT,
          DEBUG_DLL_FILTER_IMAGECRAFT, DEBUG_DLL_TEST_IMAGECRAFT};
}

}  // namespace vx::loaders
