// Loading speed of S-record files: a 4 MB file through the S-record image
// reader and the load driver beside srec_cat reading the same file (when it
// is installed), and one-byte records in shuffled order beside the same
// records sorted. Each time is the best of a few runs. Not a test: it judges nothing.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "foundation/status_output.h"
#include "loaders/load_driver.h"
#include "loaders/srecord_image.h"
#include "platform/clock.h"
#include "platform/ws/application.h"
#include "support/recording_list_view.h"

namespace {

constexpr std::size_t big_file_size = 4u << 20;
constexpr std::size_t bytes_per_line = 32;
// One byte at every other address of a 60 KB flash, so no two records join
// into one block: sorted and shuffled, the store holds the same records.
constexpr std::uint32_t single_bytes_first = 0x1000;
constexpr std::uint32_t single_byte_count = 60'649;
constexpr int runs = 5;

// An S2 line with a correct checksum, ended by CR LF.
std::string s2_line(std::uint32_t address, const std::vector<std::uint8_t>& data) {
  const auto count = static_cast<unsigned>(3 + data.size() + 1);
  unsigned sum = count + (address >> 16 & 0xFF) + (address >> 8 & 0xFF) + (address & 0xFF);
  char field[8];
  std::snprintf(field, sizeof field, "%02X", count);
  std::string line = std::string("S2") + field;
  std::snprintf(field, sizeof field, "%06X", address);
  line += field;
  for (std::uint8_t byte : data) {
    sum += byte;
    std::snprintf(field, sizeof field, "%02X", byte);
    line += field;
  }
  std::snprintf(field, sizeof field, "%02X", ~sum & 0xFF);
  return line + field + "\r\n";
}

// Lines of 32 bytes from 0x010000 on until the file holds 4 MB.
std::string big_file_text() {
  std::string text;
  text.reserve(big_file_size + 128);
  std::vector<std::uint8_t> data(bytes_per_line);
  for (std::uint32_t address = 0x010000; text.size() < big_file_size; address += bytes_per_line) {
    for (std::size_t i = 0; i < bytes_per_line; ++i) data[i] = static_cast<std::uint8_t>(address + i * 7);
    text += s2_line(address, data);
  }
  return text;
}

std::vector<std::string> single_byte_lines() {
  std::vector<std::string> lines;
  for (std::uint32_t i = 0; i < single_byte_count; ++i) {
    const std::uint32_t address = single_bytes_first + 2 * i;
    lines.push_back(s2_line(address, {static_cast<std::uint8_t>(address * 5)}));
  }
  return lines;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line;
  return text;
}

double best_seconds_of(const std::function<bool()>& run) {
  double best = 0;
  for (int i = 0; i < runs; ++i) {
    const std::uint64_t start = vx::platform::clock().monotonic_microseconds();
    if (!run()) {
      std::fprintf(stderr, "load failed\n");
      std::exit(1);
    }
    const double seconds = static_cast<double>(vx::platform::clock().monotonic_microseconds() - start) / 1e6;
    if (i == 0 || seconds < best) best = seconds;
  }
  return best;
}

bool read_image(const std::string& name) { return vx::loaders::read_srecord_image(vx::ShortText(name)); }

}  // namespace

int main() {
  static vx::test::RecordingListView view;
  vx::status_output().view = &view;
  vx::ws::set_headless(true);
  vx::loaders::start_object_loading();

  char pattern[] = "/tmp/vxbench-XXXXXX";
  const std::string directory = mkdtemp(pattern);
  const std::string big = directory + "/big.s19";
  const std::string sorted = directory + "/sorted.s19";
  const std::string shuffled = directory + "/shuffled.s19";
  const std::string big_text = big_file_text();
  std::ofstream(big, std::ios::binary) << big_text;
  std::vector<std::string> lines = single_byte_lines();
  std::ofstream(sorted, std::ios::binary) << joined(lines);
  std::shuffle(lines.begin(), lines.end(), std::mt19937(1));
  std::ofstream(shuffled, std::ios::binary) << joined(lines);

  const double image = best_seconds_of([&] { return read_image(big); });
  const double driver = best_seconds_of(
      [&] { return vx::loaders::LOAD_OBJECT_FILE(vx::ShortText(big), vx::loaders::load_object_bytes); });
  std::printf("S-record file: %zu bytes\n", big_text.size());
  std::printf("read_srecord_image:           %.4f s\n", image);
  std::printf("LOAD_OBJECT_FILE (module 1):  %.4f s\n", driver);
  if (std::system("command -v srec_cat >/dev/null 2>&1") == 0) {
    const std::string command = "srec_cat '" + big + "' -crop 0 1 -o /dev/null 2>/dev/null";
    const double srec_cat = best_seconds_of([&] { return std::system(command.c_str()) == 0; });
    std::printf("srec_cat reading the file:    %.4f s\n", srec_cat);
    std::printf("ratio read_srecord_image / srec_cat: %.2f\n", image / srec_cat);
    std::printf("ratio LOAD_OBJECT_FILE / srec_cat:   %.2f\n", driver / srec_cat);
  } else {
    std::printf("srec_cat is not installed (Debian package srecord): no ratio to it\n");
  }

  const double in_order = best_seconds_of([&] { return read_image(sorted); });
  const double out_of_order = best_seconds_of([&] { return read_image(shuffled); });
  std::printf("%u one-byte records, sorted:    %.4f s\n", single_byte_count, in_order);
  std::printf("the same records, shuffled:     %.4f s\n", out_of_order);
  std::printf("ratio shuffled / sorted: %.2f\n", out_of_order / in_order);

  for (const std::string& name : {big, sorted, shuffled}) std::remove(name.c_str());
  rmdir(directory.c_str());
  return 0;
}
