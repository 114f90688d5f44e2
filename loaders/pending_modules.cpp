#include "foundation/short_text.h"
#include "loaders/debug_context.h"
#include "loaders/format_modules.h"

// The ELF/DWARF module: its name and filter are known, its reader is not
// there yet, so it takes no file.
namespace vx::loaders {
namespace {

// Every module's error table reads "ERROR - Unknown" for this code.
constexpr std::uint8_t reader_missing = 255;

void refuse_file() { set_debug_dll_error(reader_missing); }
void unknown_error_text() { set_debug_dll_error_text("ERROR - Unknown"); }
void nothing_to_close() {}

DebugDll pending_module(DebugDll::EntryPoint name, ShortText (*filter)()) {
  return {name, unknown_error_text, refuse_file, refuse_file, nothing_to_close, refuse_file, filter, refuse_file};
}

}  // namespace

void DEBUG_DLL_NAME_ELF() { set_debug_dll_name("ELF/DWARF"); }
ShortText DEBUG_DLL_FILTER_ELF() { return "ELF/DWARF(2.0) | *.elf;*.abs;*.bin;*.out"; }

DebugDll elf_module_entry() { return pending_module(DEBUG_DLL_NAME_ELF, DEBUG_DLL_FILTER_ELF); }

}  // namespace vx::loaders
