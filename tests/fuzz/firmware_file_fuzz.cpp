// libFuzzer target over an interface firmware file: the input, scrambled
// here as a firmware file holds it, goes through the update engine's loading
// and the block checks of every interface class and both builds.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "fwupdate/flash_update.h"
#include "loaders/debug_context.h"
#include "loaders/firmware_scrambling.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vx::fuzz::start_fuzzing();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vx::fwupdate;
  static const std::string name = vx::fuzz::fuzz_file("fuzz.512");
  const std::vector<std::uint8_t> file =
      vx::loaders::scramble_firmware_text(std::string_view(reinterpret_cast<const char*>(data), size));
  vx::fuzz::write_fuzz_file("fuzz.512", file.data(), file.size());
  const auto records = load_firmware_records(vx::ShortText(name));
  vx::loaders::clear_object_records();
  if (!records) return 0;
  for (std::uint8_t kind : {cable_link, usb_link, programmer_link}) {
    for (EngineBuild build : {EngineBuild::programmer, EngineBuild::updater}) {
      for (bool windriver : {false, true}) {
        const auto block = build_firmware_block(*records, kind, build, windriver);
        if (!block) continue;
        // Every record kept lies in the block and its bytes are in the image.
        if (block->records.empty() || block->image[block_size - 2] != 0xFF) std::abort();
        for (const FirmwareRecord& record : block->records) {
          if (record.address < block->start || record.address + record.bytes.size() > block->start + block_size) {
            std::abort();
          }
        }
      }
    }
  }
  return 0;
}
