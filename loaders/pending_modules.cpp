#include "foundation/short_text.h"
#include "loaders/debug_context.h"
#include "loaders/format_modules.h"

// The IEEE-695 and ImageCraft modules: their names and filters
// are known, their readers are not there yet, so they take no file.
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

void DEBUG_DLL_NAME_695() { set_debug_dll_name("IEEE695"); }
ShortText DEBUG_DLL_FILTER_695() { return "IEEE-695 Object/Debug | *.695"; }
void DEBUG_DLL_NAME_IMAGECRAFT() { set_debug_dll_name("ImageCraft(v1.1)"); }
ShortText DEBUG_DLL_FILTER_IMAGECRAFT() { return "ImageCraft(v1.1) | *.dbg"; }

DebugDll ieee695_module_entry() { return pending_module(DEBUG_DLL_NAME_695, DEBUG_DLL_FILTER_695); }
DebugDll imagecraft_module_entry() { return pending_module(DEBUG_DLL_NAME_IMAGECRAFT, DEBUG_DLL_FILTER_IMAGECRAFT); }

}  // namespace vx::loaders
