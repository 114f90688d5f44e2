#include "interface/logic_programming_library.h"

namespace vx {
namespace {

LogicLibrary state;

}  // namespace

LogicLibrary& logic_library() { return state; }

void reset_logic_library() {
  if (state.library != 0) platform::free_library(state.library);
  state = LogicLibrary{};
}

bool load_lattice_dll(const ShortText& library_name) {
  if (state.library != 0) platform::free_library(state.library);
  state = LogicLibrary{};
  state.library = platform::load_library(library_name.str());
  if (state.library != 0) {
    state.entry = reinterpret_cast<LatticeProgMain>(platform::library_entry(state.library, lattice_entry_name));
  }
  state.bound = state.library != 0 && state.entry != nullptr;
  return state.bound;
}

std::uint16_t run_lattice_prog_main(std::uintptr_t a1, std::uintptr_t a2, std::uintptr_t a3, std::uintptr_t a4,
                                    std::uintptr_t a5) {
  if (!state.bound) return 0;
  return state.entry(a1, a2, a3, a4, a5);
}

// A library that loaded without its entry is released here as well.
void unload_lattice_dll() {
  if (state.library != 0) platform::free_library(state.library);
  state = LogicLibrary{};
}

}  // namespace vx
