// libFuzzer target over the ImageCraft debug module: the input is the debug
// file, run through the test, the open and the debug reading.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz/fuzz_support.h"
#include "loaders/debug_context.h"
#include "loaders/dll_imagecraft.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vx::fuzz::start_fuzzing();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vx::loaders;
  vx::fuzz::write_fuzz_file("fuzz.dbg", data, size);
  vx::fuzz::forget_status_lines();
  current_debug_context().module.load_file_name = vx::ShortText(vx::fuzz::fuzz_file("fuzz.dbg"));
  DEBUG_DLL_TEST_IMAGECRAFT();
  DEBUG_DLL_CLOSE_IMAGECRAFT();
  DEBUG_DLL_OPEN_IMAGECRAFT();
  // The debug reading also runs on files whose header the open refused.
  DEBUG_DLL_DEBUG_IMAGECRAFT();
  DEBUG_DLL_ERROR_IMAGECRAFT();
  DEBUG_DLL_CLOSE_IMAGECRAFT();
  clear_debug_database();
  return 0;
}
