#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vx::platform {

// Libraries loaded by name and bound one entry at a time. The names of the
// USB libraries the system binds resolve to providers built into the
// program (over libftdi1, libusb-1.0 or the simulated buses behind them);
// any other name goes to dlopen. Only the file part of the name counts for
// the built-in ones, without regard to case.
using LibraryHandle = std::uintptr_t;  // 0: not loaded

// A built-in library: the address of an exported entry, nullptr when it has none.
using BuiltinLibrary = void* (*)(std::string_view entry);

LibraryHandle load_library(const std::string& file_name);
// nullptr when the library does not export the name.
void* library_entry(LibraryHandle library, std::string_view name);
void free_library(LibraryHandle library);

// Adds a built-in library under a file name (the simulator's stand-ins, and
// tests of bindings whose library this machine does not have); reset_dynlib
// removes it again.
void register_builtin_library(std::string_view name, BuiltinLibrary entries);
// Takes a registered library away again (the simulator's, when its world ends).
void unregister_builtin_library(std::string_view name);

// Tests take a built-in library away, or one of its entries, to reach the
// callers' missing-library and missing-entry paths.
void hide_builtin_library(std::string_view name);
void hide_builtin_entry(std::string_view library, std::string_view entry);
// Frees what is still loaded and shows everything again.
void reset_dynlib();

}  // namespace vx::platform
