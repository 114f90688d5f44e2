// libFuzzer target over the Intel hex module: the input is the hex file,
// opened under a missing name beside it (the module falls back to .hex),
// read block by block into the object records with the checksum skipped
// and then tested.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "loaders/debug_context.h"
#include "loaders/dll_intelhex.h"

namespace {

void load_all_blocks() {
  using namespace vx::loaders;
  DEBUG_DLL_OPEN_INTELHEX();
  while (get_debug_dll_error() == 0) {
    DEBUG_DLL_LOAD_INTELHEX();
    const ModuleInterface& block = current_debug_context().module;
    if (block.block_length == 0) break;
    PUT_OBJECT_RECORD(block.block_address, block.block_length, block.block_data.data());
  }
  DEBUG_DLL_ERROR_INTELHEX();
  DEBUG_DLL_CLOSE_INTELHEX();
  clear_object_records();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vx::fuzz::start_fuzzing();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vx::loaders;
  vx::fuzz::write_fuzz_file("fuzz.hex", data, size);
  vx::fuzz::forget_status_lines();
  current_debug_context().module.load_file_name = vx::ShortText(vx::fuzz::fuzz_file("fuzz.s19"));
  for (const bool skip : {true, false}) {
    current_debug_context().skip_srecord_checksum = skip;
    load_all_blocks();
  }
  return 0;
}
