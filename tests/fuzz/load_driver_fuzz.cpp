// libFuzzer target over the load driver with the S-record/map module, the
// S-record image reader and the object image. The input is a 2-byte
// big-endian length, that many bytes of S-record file, then the map file.
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "foundation/status_output.h"
#include "loaders/debug_context.h"
#include "loaders/load_driver.h"
#include "loaders/object_image.h"
#include "loaders/srecord_image.h"
#include "platform/ws/application.h"
#include "support/recording_list_view.h"

namespace {

struct FuzzFiles {
  std::string directory;
  std::string srecord;
  std::string map;
};

const FuzzFiles& files() {
  static const FuzzFiles made = [] {
    char pattern[] = "/tmp/vxfuzz-XXXXXX";
    const std::string directory = mkdtemp(pattern);
    return FuzzFiles{directory, directory + "/fuzz.s19", directory + "/fuzz.MAP"};
  }();
  return made;
}

void write_file(const std::string& name, const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(name.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size != 0) std::fwrite(data, 1, size, file);
  std::fclose(file);
}

void remove_files() {
  const FuzzFiles& names = files();
  std::remove(names.srecord.c_str());
  std::remove(names.map.c_str());
  rmdir(names.directory.c_str());
}

void drain_image() {
  std::int32_t address = 0;
  std::uint8_t byte = 0;
  while (vx::loaders::next_image_byte(address, byte)) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static vx::test::RecordingListView view;
  vx::status_output().view = &view;
  vx::ws::set_headless(true);
  vx::loaders::start_object_loading();
  static vx::loaders::AddressRemapTable table;
  table.count = 1;
  table.triples[0] = {0x8000, 0xBFFF, 0x18000};
  vx::loaders::install_address_remap_table(&table);
  files();
  std::atexit(remove_files);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vx::loaders;
  if (size < 2) return 0;
  const std::size_t srecord_size = std::min<std::size_t>(size - 2, static_cast<std::size_t>(data[0] << 8 | data[1]));
  const FuzzFiles& names = files();
  write_file(names.srecord, data + 2, srecord_size);
  write_file(names.map, data + 2 + srecord_size, size - 2 - srecord_size);
  vx::status_output().lines.clear();

  LOAD_OBJECT_FILE(vx::ShortText(names.srecord), load_object_and_debug);
  LOAD_OBJECT_FILE(vx::ShortText(names.map), load_object_and_debug);
  if (load_object_image(vx::ShortText(names.srecord))) drain_image();
  if (read_srecord_image(vx::ShortText(names.srecord))) drain_image();
  if (read_scrambled_srecord_image(vx::ShortText(names.srecord))) drain_image();
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
