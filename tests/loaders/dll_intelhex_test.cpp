#include "loaders/dll_intelhex.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "loaders/debug_context.h"
#include "loaders/format_modules.h"
#include "tests/loaders/loader_test_support.h"

namespace vx::loaders {
namespace {

using test_support::counting;
using test_support::load_through_module;
using test_support::Record;
using test_support::stored_records;

// One record line with its checksum (plus `checksum_error`), without a line end.
std::string hex_record(std::uint8_t type, std::uint16_t offset, const std::vector<std::uint8_t>& data,
                       int checksum_error = 0) {
  std::vector<std::uint8_t> fields{static_cast<std::uint8_t>(data.size()), static_cast<std::uint8_t>(offset >> 8),
                                   static_cast<std::uint8_t>(offset), type};
  fields.insert(fields.end(), data.begin(), data.end());
  unsigned sum = 0;
  std::string line = ":";
  char hex[3];
  for (std::uint8_t b : fields) {
    sum += b;
    std::snprintf(hex, sizeof hex, "%02X", b);
    line += hex;
  }
  std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>((0x100 - sum + checksum_error) & 0xFF));
  return line + hex;
}

std::string lines(const std::vector<std::string>& records, const char* end = "\r\n") {
  std::string text;
  for (const std::string& r : records) text += r + end;
  return text;
}

const std::string end_of_file = hex_record(0x01, 0, {});
const std::string start_address = hex_record(0x05, 0, {0x00, 0x00, 0xC0, 0x00});

class IntelHexTest : public test_support::LoaderTest {
 protected:
  std::uint8_t load(const std::string& text) { return load_file(write("app.hex", text)); }
  std::uint8_t load_file(const std::string& name) {
    clear_object_records();
    return load_through_module(intelhex_module_entry(), name);
  }
  std::uint8_t open(const std::string& name) {
    current_debug_context().module.load_file_name = ShortText(name);
    DEBUG_DLL_OPEN_INTELHEX();
    return get_debug_dll_error();
  }
};

struct LineCase {
  const char* what;
  std::string text;
  bool checksum_tested;
  std::vector<Record> blocks;
  std::uint8_t error;
  // "@" stands for the file's name.
  std::string error_text;
};

TEST_F(IntelHexTest, RecordLines) {
  const std::string unexpected = "ERROR - Unexpected text in file @";
  const std::string checksum = "ERROR - Invalid checksum in file";
  const std::string data_line = hex_record(0x00, 0x8000, {1, 2});
  const std::string bad_checksum_data = hex_record(0x00, 0x8000, {1, 2}, 1);
  std::string bad_digit_data = data_line;
  bad_digit_data[10] = 'G';
  std::string bad_digit_count = data_line;
  bad_digit_count[2] = 'x';
  const std::string full_line = hex_record(0x00, 0x4000, counting(255));
  ASSERT_EQ(full_line.size(), 521u);
  const std::vector<LineCase> cases{
      {"only types 04, 01 and 05", lines({hex_record(0x04, 0, {0x00, 0x01}), end_of_file, start_address}), true, {}, 0,
       ""},
      {"blanks before the colon and between fields", "  : 02 8000 00\t01 02 7B \r\n", false, {{0x8000, {1, 2}}}, 0, ""},
      {"type 02", lines({data_line, hex_record(0x02, 0, {0x10, 0x00})}), false, {{0x8000, {1, 2}}}, 4,
       "ERROR - Extended Segment Address Record not supported"},
      {"type 04 sets bits 16-31",
       lines({hex_record(0x04, 0, {0x00, 0x01}), hex_record(0x00, 0x0010, {7}), end_of_file}), false,
       {{0x00010010, {7}}}, 0, ""},
      {"upper address and offset at the top",
       lines({hex_record(0x04, 0, {0xFF, 0xFF}), hex_record(0x00, 0xFFF0, {9})}), false,
       {{static_cast<std::int32_t>(0xFFFFFFF0u), {9}}}, 0, ""},
      {"data and 04 bytes count in the checksum",
       lines({hex_record(0x04, 0, {0x00, 0x02}), data_line, end_of_file, start_address}), true,
       {{0x00028000, {1, 2}}}, 0, ""},
      {"bad data checksum tested", lines({bad_checksum_data}), true, {}, 3, checksum},
      {"bad data checksum skipped", lines({bad_checksum_data}), false, {{0x8000, {1, 2}}}, 0, ""},
      {"bad 04 checksum", lines({hex_record(0x04, 0, {0x00, 0x01}, 1), data_line}), true, {}, 3, checksum},
      {"bad 01 checksum", lines({data_line, hex_record(0x01, 0, {}, 1)}), true, {{0x8000, {1, 2}}}, 3, checksum},
      {"start addresses are never checked",
       lines({hex_record(0x03, 0, {0, 0, 0, 0}, 1), hex_record(0x05, 0, {0, 0, 0, 0}, 1), data_line}), true,
       {{0x8000, {1, 2}}}, 0, ""},
      {"255 data bytes in a line", lines({full_line}), true, {{0x4000, counting(255)}}, 0, ""},
      {"line short of its count", lines({data_line.substr(0, data_line.size() - 4)}), false, {}, 2, unexpected},
      {"checksum missing", lines({data_line.substr(0, data_line.size() - 2)}), false, {}, 2, unexpected},
      {"bad digit in the data", lines({bad_digit_data}), false, {}, 2, unexpected},
      {"bad digit in the count", lines({bad_digit_count}), false, {}, 2, unexpected},
      {"type 04 with one data byte", lines({hex_record(0x04, 0, {0x01}), data_line}), false, {}, 2, unexpected},
      {"type 04 without data", lines({hex_record(0x04, 0, {}), data_line}), false, {}, 2, unexpected},
      {"line without a colon", lines({data_line, "S1050000010203"}), false, {{0x8000, {1, 2}}}, 2, unexpected},
      {"unknown record type", lines({hex_record(0x06, 0, {})}), false, {}, 5, "ERROR - Unknown record type"},
      {"type 00 without data is passed over", lines({hex_record(0x00, 0x1000, {}), data_line}), true,
       {{0x8000, {1, 2}}}, 0, ""},
      {"blank lines between and after records", lines({"", data_line, "   ", end_of_file, "", "\t", ""}), true,
       {{0x8000, {1, 2}}}, 0, ""},
      {"LF line ends", lines({data_line, hex_record(0x00, 0x9000, {3}), end_of_file}, "\n"), true,
       {{0x8000, {1, 2}}, {0x9000, {3}}}, 0, ""},
      {"lone CR line ends", lines({data_line, hex_record(0x00, 0x9000, {3}), end_of_file}, "\r"), true,
       {{0x8000, {1, 2}}, {0x9000, {3}}}, 0, ""},
      {"last line without its end", lines({data_line}) + hex_record(0x00, 0x9000, {3}), true,
       {{0x8000, {1, 2}}, {0x9000, {3}}}, 0, ""},
      {"lower-case digits", ":02c00000abcdc6\r\n", true, {{0xC000, {0xAB, 0xCD}}}, 0, ""},
      {"records after the end-of-file record", lines({end_of_file, data_line}), true, {{0x8000, {1, 2}}}, 0, ""},
      {"empty file", "", true, {}, 0, ""},
  };
  const std::string file = path("app.hex");
  for (const LineCase& c : cases) {
    current_debug_context().skip_srecord_checksum = !c.checksum_tested;
    reset_intelhex_module();
    EXPECT_EQ(load(c.text), c.error) << c.what;
    EXPECT_EQ(stored_records(), c.blocks) << c.what;
    std::string text = c.error_text;
    if (const std::size_t at = text.find('@'); at != std::string::npos) text.replace(at, 1, file);
    if (c.error != 0) {
      EXPECT_EQ(get_debug_dll_error_text(), text) << c.what;
    }
  }
}

TEST_F(IntelHexTest, AnErrorClosesTheFile) {
  ASSERT_EQ(open(write("app.hex", lines({hex_record(0x02, 0, {0, 0}), hex_record(0x00, 0x8000, {1})}))), 0);
  DEBUG_DLL_LOAD_INTELHEX();
  EXPECT_EQ(get_debug_dll_error(), intelhex_segment_address);
  EXPECT_FALSE(intelhex_module().file_open);
  DEBUG_DLL_LOAD_INTELHEX();
  EXPECT_EQ(get_debug_dll_error(), 0);
  EXPECT_EQ(get_block_length(), 0);
}

TEST_F(IntelHexTest, EachOpenStartsAtUpperAddressZero) {
  const std::string data = hex_record(0x00, 0x0010, {5});
  EXPECT_EQ(load(lines({hex_record(0x04, 0, {0x00, 0x01}), data})), 0);
  EXPECT_EQ(stored_records(), (std::vector<Record>{{0x00010010, {5}}}));
  EXPECT_EQ(load(lines({data})), 0);
  EXPECT_EQ(stored_records(), (std::vector<Record>{{0x0010, {5}}}));
}

TEST_F(IntelHexTest, AMissingNameFallsBackToTheHexExtension) {
  const std::string hex_file = write("image.hex", lines({hex_record(0x00, 0x8000, {1}), "junk"}));
  EXPECT_EQ(load_file(path("image.s19")), intelhex_unexpected_text);
  EXPECT_EQ(stored_records(), (std::vector<Record>{{0x8000, {1}}}));
  EXPECT_EQ(get_debug_dll_error_text(), "ERROR - Unexpected text in file " + hex_file);
  EXPECT_EQ(intelhex_module().file_name, hex_file);
  // A name without an extension gets one.
  EXPECT_EQ(open(path("image")), 0);
  EXPECT_EQ(intelhex_module().file_name, hex_file);
  // An existing file is read under its own name, whatever its extension.
  const std::string text_file = write("image.txt", lines({hex_record(0x00, 0x9000, {2})}));
  EXPECT_EQ(load_file(text_file), 0);
  EXPECT_EQ(stored_records(), (std::vector<Record>{{0x9000, {2}}}));
}

TEST_F(IntelHexTest, AFileFoundUnderNeitherNameIsError1) {
  write("ima?e.hex", lines({hex_record(0x00, 0x8000, {1})}));
  for (const std::string& name : {path("absent.s19"), path("ima?e.hex"), std::string()}) {
    EXPECT_EQ(open(name), intelhex_no_file) << name;
    EXPECT_FALSE(intelhex_module().file_open) << name;
    EXPECT_EQ(get_debug_dll_error_text(), "ERROR - File " + name + " does not exist") << name;
  }
}

TEST_F(IntelHexTest, AFileThatCannotBeReadIsAnUnknownErrorNotAnEndOfData) {
  const std::string name = path("huge.hex");
  write("huge.hex", "");
  std::filesystem::resize_file(name, max_loader_file_size + 1);
  EXPECT_EQ(open(name), intelhex_unknown_failure);
  EXPECT_EQ(get_debug_dll_error_text(), "ERROR - Unknown");
  EXPECT_FALSE(intelhex_module().file_open);
}

TEST_F(IntelHexTest, ErrorTexts) {
  intelhex_module().file_name = "fw.hex";
  const std::vector<std::pair<std::uint8_t, std::string>> cases{
      {1, "ERROR - File fw.hex does not exist"},
      {2, "ERROR - Unexpected text in file fw.hex"},
      {3, "ERROR - Invalid checksum in file"},
      {4, "ERROR - Extended Segment Address Record not supported"},
      {5, "ERROR - Unknown record type"},
      {6, "ERROR - Unknown"},
      {0, "ERROR - Unknown"},
  };
  for (const auto& [code, text] : cases) {
    set_debug_dll_error(code);
    DEBUG_DLL_ERROR_INTELHEX();
    EXPECT_EQ(get_debug_dll_error_text(), text) << int{code};
  }
}

TEST_F(IntelHexTest, ModuleSlots) {
  const DebugDll module = intelhex_module_entry();
  module.name();
  EXPECT_EQ(current_debug_context().module.module_name, "Intel Hexadecimal");
  EXPECT_EQ(module.filter(), "Intel Hexadecimal | *.hex");
  EXPECT_EQ(module.test, nullptr);
  set_debug_dll_error(5);
  module.debug();
  EXPECT_EQ(get_debug_dll_error(), 0);
  ASSERT_EQ(open(write("app.hex", lines({hex_record(0x00, 0x8000, {1})}))), 0);
  module.close();
  EXPECT_FALSE(intelhex_module().file_open);
  module.load();
  EXPECT_EQ(get_block_length(), 0);
}

}  // namespace
}  // namespace vx::loaders
