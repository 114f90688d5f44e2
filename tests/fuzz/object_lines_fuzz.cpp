// libFuzzer target over the programmer's reading of text object files in file order and the
// programming pipeline they feed: whatever the lines say, no block may outgrow the RAM buffer
// and every byte of a block must have been placed there.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "programmer/object_file_data.h"
#include "programmer/program_pipeline.h"

namespace {

constexpr std::uint16_t buffer_size = 256;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vx::programmer;
  ModuleWindow window;
  window.cm_base = 0x8000;
  window.module_start = 0x8000;
  window.module_size = 0x8000;
  window.module_ranges = {{0x0000, 0x3FFF}, {0x4100, 0x7FFF}};
  window.preserve_ranges = {{0x7F00, 0x7F0F}};
  BlockingRules rules;
  rules.blocking = true;
  rules.blocking_mask = 0x3F;
  rules.blocking_low = 0xC000;
  rules.boundary = true;
  rules.boundary_mask = 0xFFFFFF00;
  rules.has_byte_routine = true;
  rules.ram_buffer_size = buffer_size;
  // Some device bytes cannot be read, some lie outside the object ranges.
  ProgramPipeline pipeline(window, rules, [](std::uint32_t address) -> std::uint16_t {
    return address % 997 == 0 ? 256 : address % 991 == 0 ? 257 : static_cast<std::uint16_t>(address & 0xFF);
  });
  pipeline.reset(0);
  pipeline.set_range(0x8000, 0xFFFF);

  std::istringstream file(std::string(reinterpret_cast<const char*>(data), size));
  ObjectLineReader reader(file, true);
  ObjectDataRecord record;
  while (reader.next(record) && !pipeline.stopped()) {
    pipeline.set_current_address(record.address);
    for (const std::uint8_t byte : record.bytes) pipeline.add_program_byte(byte);
  }
  for (const ProgramBlock& block : pipeline.take_blocks()) {
    if (block.bytes.empty() || block.bytes.size() > buffer_size) std::abort();
  }
  return 0;
}
