// libFuzzer target over the IEEE-695 module: the input is the module file,
// run through the open, every object block and the debug entry.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz/fuzz_support.h"
#include "loaders/debug_context.h"
#include "loaders/dll_695.h"

namespace {

// Enough to pass every repeat the module lets through a small input.
constexpr int max_blocks = 1 << 16;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vx::fuzz::start_fuzzing();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vx::loaders;
  vx::fuzz::write_fuzz_file("fuzz.695", data, size);
  vx::fuzz::forget_status_lines();
  current_debug_context().module.load_file_name = vx::ShortText(vx::fuzz::fuzz_file("fuzz.695"));
  DEBUG_DLL_OPEN_695();
  if (get_debug_dll_error() == 0) {
    for (int i = 0; i < max_blocks; ++i) {
      DEBUG_DLL_LOAD_695();
      if (get_debug_dll_error() != 0 || get_block_length() == 0) break;
    }
    DEBUG_DLL_DEBUG_695();
    DEBUG_DLL_ERROR_695();
  }
  DEBUG_DLL_CLOSE_695();
  clear_debug_database();
  return 0;
}
