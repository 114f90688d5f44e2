// Writes a 4 MB S-record file, loads it through the S-record image reader
// and through the load driver, and prints the times beside srec_cat reading
// the same file when srec_cat is installed. Not a test: it judges nothing.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

#include "foundation/status_output.h"
#include "loaders/load_driver.h"
#include "loaders/srecord_image.h"
#include "platform/clock.h"
#include "platform/ws/application.h"
#include "support/recording_list_view.h"

namespace {

constexpr std::size_t file_size = 4u << 20;
constexpr std::size_t bytes_per_line = 32;

// S2 lines of 32 bytes from 0x010000 on until the file holds 4 MB.
std::string make_srecord_text() {
  std::string text;
  text.reserve(file_size + 128);
  std::uint32_t address = 0x010000;
  char field[8];
  while (text.size() < file_size) {
    const unsigned count = 3 + bytes_per_line + 1;
    unsigned sum = count + (address >> 16 & 0xFF) + (address >> 8 & 0xFF) + (address & 0xFF);
    std::snprintf(field, sizeof field, "%02X", count);
    text += "S2";
    text += field;
    std::snprintf(field, sizeof field, "%06X", address);
    text += field;
    for (std::size_t i = 0; i < bytes_per_line; ++i) {
      const unsigned byte = (address + i * 7) & 0xFF;
      sum += byte;
      std::snprintf(field, sizeof field, "%02X", byte);
      text += field;
    }
    std::snprintf(field, sizeof field, "%02X", ~sum & 0xFF);
    text += field;
    text += "\r\n";
    address += bytes_per_line;
  }
  return text;
}

double seconds_of(const std::function<bool()>& run) {
  const std::uint64_t start = vx::platform::clock().monotonic_microseconds();
  if (!run()) {
    std::fprintf(stderr, "load failed\n");
    std::exit(1);
  }
  return static_cast<double>(vx::platform::clock().monotonic_microseconds() - start) / 1e6;
}

}  // namespace

int main() {
  static vx::test::RecordingListView view;
  vx::status_output().view = &view;
  vx::ws::set_headless(true);
  vx::loaders::start_object_loading();

  char pattern[] = "/tmp/vxbench-XXXXXX";
  const std::string directory = mkdtemp(pattern);
  const std::string name = directory + "/big.s19";
  const std::string text = make_srecord_text();
  std::ofstream(name, std::ios::binary) << text;

  const double image = seconds_of([&] { return vx::loaders::read_srecord_image(vx::ShortText(name)); });
  const double driver = seconds_of(
      [&] { return vx::loaders::LOAD_OBJECT_FILE(vx::ShortText(name), vx::loaders::load_object_bytes); });
  std::printf("S-record file: %zu bytes\n", text.size());
  std::printf("read_srecord_image:           %.3f s\n", image);
  std::printf("LOAD_OBJECT_FILE (module 1):  %.3f s\n", driver);
  if (std::system("command -v srec_cat >/dev/null 2>&1") == 0) {
    const std::string command = "srec_cat '" + name + "' -crop 0 1 -o /dev/null 2>/dev/null";
    const double srec_cat = seconds_of([&] { return std::system(command.c_str()) == 0; });
    std::printf("srec_cat reading the file:    %.3f s\n", srec_cat);
    std::printf("ratio read_srecord_image / srec_cat: %.2f\n", image / srec_cat);
    std::printf("ratio LOAD_OBJECT_FILE / srec_cat:   %.2f\n", driver / srec_cat);
  } else {
    std::printf("srec_cat is not installed: no ratio\n");
  }
  std::remove(name.c_str());
  rmdir(directory.c_str());
  return 0;
}
