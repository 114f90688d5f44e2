#pragma once

#include <cstdint>

#include "foundation/short_text.h"
#include "platform/dynlib.h"

// The outside library that programs an interface's programmable logic: loaded
// on demand, one entry bound by name, called, and unloaded again.
namespace vx {

inline constexpr const char* lattice_library_name = "latticeprogdll.dll";
inline constexpr const char* lattice_entry_name = "_lattice_prog_main@20";

// Five arguments, each wide enough for one of the update engine's callback addresses.
using LatticeProgMain = std::uint16_t (*)(std::uintptr_t, std::uintptr_t, std::uintptr_t, std::uintptr_t,
                                          std::uintptr_t);

struct LogicLibrary {
  platform::LibraryHandle library = 0;
  LatticeProgMain entry = nullptr;
  bool bound = false;
};

LogicLibrary& logic_library();
// Releases a loaded library and returns to the start values.
void reset_logic_library();

// Unloads what is loaded, loads the named library and binds its entry; true when both worked.
bool load_lattice_dll(const ShortText& library_name);
// The entry's result; 0 without calling anything while it is not bound.
std::uint16_t run_lattice_prog_main(std::uintptr_t a1, std::uintptr_t a2, std::uintptr_t a3, std::uintptr_t a4,
                                    std::uintptr_t a5);
// Releases the library, also one that loaded without its entry.
void unload_lattice_dll();

}  // namespace vx
