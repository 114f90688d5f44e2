#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/loader_trace.h"
#include "loaders/debug_context.h"
#include "loaders/dll_695.h"
#include "loaders/dll_imagecraft.h"
#include "loaders/dll_intelhex.h"
#include "loaders/dll_map.h"
#include "loaders/dwarf_state.h"
#include "loaders/elf_module.h"
#include "loaders/load_driver.h"
#include "loaders/object_image.h"
#include "loaders/srecord_image.h"
#include "loaders/trace_files.h"
#include "platform/clock.h"
#include "platform/ws/application.h"
#include "platform/ws/reset.h"
#include "support/recording_list_view.h"
#include "support/temp_dir.h"

namespace vx::loaders::test_support {

struct Record {
  std::int32_t address;
  std::vector<std::uint8_t> bytes;
  friend bool operator==(const Record&, const Record&) = default;
};

inline std::ostream& operator<<(std::ostream& out, const Record& r) {
  return out << std::hex << "{" << r.address << ", " << std::dec << r.bytes.size() << " bytes}";
}

// The object records of the context in force, in store order.
inline std::vector<Record> stored_records() {
  std::vector<Record> records;
  for (const object_record* r = get_object_record_list().head(); r != nullptr; r = r->next) {
    records.push_back({r->address, std::vector<std::uint8_t>(r->data(), r->data() + r->length)});
  }
  return records;
}

inline std::vector<std::uint8_t> counting(std::size_t count, std::uint8_t first = 0) {
  std::vector<std::uint8_t> bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
  return bytes;
}

// A data record of type '1', '2' or '3' with a correct checksum, ended by CR LF.
inline std::string srecord_line(char type, std::uint32_t address, const std::vector<std::uint8_t>& data) {
  const int address_bytes = type - '0' + 1;
  const int count = address_bytes + static_cast<int>(data.size()) + 1;
  std::vector<std::uint8_t> fields{static_cast<std::uint8_t>(count)};
  for (int i = address_bytes - 1; i >= 0; --i) fields.push_back(static_cast<std::uint8_t>(address >> (8 * i)));
  fields.insert(fields.end(), data.begin(), data.end());
  unsigned sum = 0;
  std::string line = std::string("S") + type;
  char hex[3];
  for (std::uint8_t b : fields) {
    sum += b;
    std::snprintf(hex, sizeof hex, "%02X", b);
    line += hex;
  }
  std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(~sum & 0xFF));
  return line + hex + "\r\n";
}

// Every byte of the image by address, through next_image_byte.
inline std::map<std::int64_t, std::uint8_t> image_bytes() {
  std::map<std::int64_t, std::uint8_t> bytes;
  std::int32_t address = 0;
  std::uint8_t byte = 0;
  while (next_image_byte(address, byte)) bytes[static_cast<std::uint32_t>(address)] = byte;
  return bytes;
}

// Opens the file through the module's entries and stores its blocks as the
// load driver does, then closes it; the error code that ended the blocks.
inline std::uint8_t load_through_module(const DebugDll& module, const std::string& name) {
  current_debug_context().module.load_file_name = ShortText(name);
  module.open();
  std::uint8_t error = get_debug_dll_error();
  while (error == 0) {
    module.load();
    error = get_debug_dll_error();
    const ModuleInterface& block = current_debug_context().module;
    if (block.block_length == 0) break;
    EXPECT_TRUE(PUT_OBJECT_RECORD(block.block_address, block.block_length, block.block_data.data()));
  }
  if (error != 0) module.error_text();
  module.close();
  return error;
}

using ByteMap = std::map<std::int64_t, std::uint8_t>;

// srec_cat's hex dump: "AAAAAAAA: XX XX ...  #text", a gap in the row written as blanks.
inline ByteMap read_hex_dump(const std::filesystem::path& file) {
  ByteMap bytes;
  std::istringstream lines(test::read_file(file.string()));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.size() < 10 || line[8] != ':') continue;
    const std::int64_t row = std::stoll(line.substr(0, 8), nullptr, 16);
    for (int i = 0; i < 16; ++i) {
      const std::size_t column = 10 + 3 * static_cast<std::size_t>(i);
      if (column + 2 > line.size() || line[column] == ' ') continue;
      bytes[row + i] = static_cast<std::uint8_t>(std::stoi(line.substr(column, 2), nullptr, 16));
    }
  }
  return bytes;
}

// The bytes of the records by unsigned address.
inline ByteMap bytes_of(const std::vector<Record>& records) {
  ByteMap bytes;
  for (const Record& r : records) {
    for (std::size_t i = 0; i < r.bytes.size(); ++i) bytes[static_cast<std::uint32_t>(r.address) + i] = r.bytes[i];
  }
  return bytes;
}

// Each test starts from fresh loaders, status output, window system and a
// trace directory of its own, and leaves them fresh.
class LoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_all();
    ws::set_headless(true);
    trace_files().directory = ShortText(dir_.path().string() + "/");
  }
  void TearDown() override { reset_all(); }

  static void reset_all() {
    reset_load_driver();
    reset_debug_contexts();
    reset_object_image();
    reset_srecord_image_reader();
    reset_map_module();
    reset_ieee695_module();
    reset_imagecraft_module();
    reset_intelhex_module();
    reset_elf_module();
    reset_dwarf_state();
    reset_trace_files();
    reset_loader_trace();
    ws::reset_application();
    ws::reset_window_system();
  }

  std::string write(const std::string& name, std::string_view content) const {
    const std::string path = dir_.file(name);
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  std::string write(const std::string& name, const std::vector<std::uint8_t>& content) const {
    return write(name, std::string_view(reinterpret_cast<const char*>(content.data()), content.size()));
  }
  std::string read(const std::string& name) const { return test::read_file(dir_.file(name)); }
  std::string path(const std::string& name) const { return dir_.file(name); }

  std::vector<std::string> status_lines() const { return status_.lines(); }

  test::TempDir dir_;
  test::ScopedStatusOutput status_;
};

}  // namespace vx::loaders::test_support
