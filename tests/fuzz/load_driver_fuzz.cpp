// libFuzzer target over the load driver with all its format modules, the
// S-record image reader and the object image. The input is a 2-byte
// big-endian length, that many bytes of the file to load (S-records, an
// IEEE-695 module, an ImageCraft debug file...), then the map file that
// goes with an S-record file.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "loaders/debug_context.h"
#include "loaders/load_driver.h"
#include "loaders/object_image.h"
#include "loaders/srecord_image.h"
#include "fuzz/fuzz_support.h"

namespace {

const std::string& load_file() {
  static const std::string name = vx::fuzz::fuzz_file("fuzz.s19");
  return name;
}

const std::string& map_file() {
  static const std::string name = vx::fuzz::fuzz_file("fuzz.MAP");
  return name;
}

void drain_image() {
  std::int32_t address = 0;
  std::uint8_t byte = 0;
  while (vx::loaders::next_image_byte(address, byte)) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vx::fuzz::start_fuzzing();
  static vx::loaders::AddressRemapTable table;
  table.count = 1;
  table.triples[0] = {0x8000, 0xBFFF, 0x18000};
  vx::loaders::install_address_remap_table(&table);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vx::loaders;
  if (size < 2) return 0;
  const std::size_t load_size = std::min<std::size_t>(size - 2, static_cast<std::size_t>(data[0] << 8 | data[1]));
  vx::fuzz::write_fuzz_file("fuzz.s19", data + 2, load_size);
  vx::fuzz::write_fuzz_file("fuzz.MAP", data + 2 + load_size, size - 2 - load_size);
  vx::fuzz::forget_status_lines();

  LOAD_OBJECT_FILE(vx::ShortText(load_file()), load_object_and_debug);
  LOAD_OBJECT_FILE(vx::ShortText(map_file()), load_object_and_debug);
  if (load_object_image(vx::ShortText(load_file()))) drain_image();
  if (read_srecord_image(vx::ShortText(load_file()))) drain_image();
  if (read_scrambled_srecord_image(vx::ShortText(load_file()))) drain_image();
  rewind_object_image();
  std::array<std::uint8_t, 256> bytes{};
  std::int32_t address = 0;
  std::uint16_t length = 0;
  while (next_image_record(address, length, bytes)) {
  }
  clear_debug_database();
  clear_object_image();
  return 0;
}
