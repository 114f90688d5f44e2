#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "foundation/short_text.h"
#include "loaders/trace_files.h"

namespace vx::loaders {

// What LOAD_OBJECT_FILE loads.
inline constexpr std::uint8_t load_object_bytes = 0;
inline constexpr std::uint8_t load_debug_information = 1;
inline constexpr std::uint8_t load_object_and_debug = 2;

// The entry points of one format module. They take no arguments: they
// exchange everything through the module interface of the debug context.
struct DebugDll {
  using EntryPoint = void (*)();
  EntryPoint name = nullptr;
  EntryPoint error_text = nullptr;
  // Delivers the next block; length 0 = no more bytes.
  EntryPoint load = nullptr;
  // Opens and verifies the load file; error code 0 = accepted.
  EntryPoint open = nullptr;
  EntryPoint close = nullptr;
  EntryPoint debug = nullptr;
  ShortText (*filter)() = nullptr;
  // How TEST_LOAD_FILES asks whether the module takes the file.
  EntryPoint test = nullptr;
};

// The program the driver is built into: the firmware updater's table adds
// the Intel hex module, names module 1's filter after its map files and
// leaves the ELF module without a test entry.
enum class LoaderBuild : std::uint8_t { programmer, updater };

struct LoadDriver {
  static constexpr std::uint8_t module_capacity = 5;
  bool started = false;
  std::uint8_t module_count = 0;
  // Module n is entry n - 1.
  std::array<DebugDll, module_capacity> modules{};
  // "test.dat", open while the load trace is on.
  std::unique_ptr<TraceTextFile> test_trace;
};

LoadDriver& load_driver();
// Closes the test trace and returns to the state before start-up.
void reset_load_driver();

void REGISTER_DEBUG_DLLS(LoaderBuild build = LoaderBuild::programmer);
// Once at program start: empty stores, the modules registered, the joined filter built.
void start_object_loading(LoaderBuild build = LoaderBuild::programmer);
// At program end: closes the test trace and frees the object records.
void finish_object_loading();

// The number of the first module that accepts the load file (0: none); a
// module without a test entry is passed over.
std::uint8_t TEST_LOAD_FILES();
bool LOAD_OBJECT_FILE(const ShortText& name, std::uint8_t mode);

// The open-file dialog filter over all modules.
ShortText get_joined_filter();
// The load traces ("test.dat", "load.dat") and the database dumps.
void set_load_trace(bool on);

}  // namespace vx::loaders
