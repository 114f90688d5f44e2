#pragma once

#include "loaders/load_driver.h"

// The format modules in the order the load driver registers them.
namespace vx::loaders {

DebugDll map_module_entry();

void DEBUG_DLL_NAME_695();
ShortText DEBUG_DLL_FILTER_695();
void DEBUG_DLL_NAME_IMAGECRAFT();
ShortText DEBUG_DLL_FILTER_IMAGECRAFT();

DebugDll ieee695_module_entry();
DebugDll elf_module_entry();
DebugDll imagecraft_module_entry();
// Module 5 of the firmware updater's build only.
DebugDll intelhex_module_entry();

}  // namespace vx::loaders
