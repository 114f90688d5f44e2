#include "tools/fwfile/firmware_file.h"

#include <gtest/gtest.h>

#include <string>

#include "loaders/debug_context.h"
#include "loaders/firmware_scrambling.h"
#include "loaders/srecord_image.h"
#include "support/temp_dir.h"

namespace vx::tools {
namespace {

TEST(FirmwareFileName, TheVersionBecomesTheExtension) {
  struct Case {
    const char* base;
    const char* version;
    std::optional<std::string> name;
  };
  const Case cases[] = {
      {"quorvexens", "4.10", "quorvexens.410"},
      {"usbbdmens", "5.12", "usbbdmens.512"},
      {"usb20bdmens", "0.07", "usb20bdmens.007"},
      {"usbbdmens", "5.1", std::nullopt},
      {"usbbdmens", "10.00", std::nullopt},
      {"usbbdmens", "512", std::nullopt},
      {"usbbdmens", "5.1x", std::nullopt},
      {"", "5.12", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(firmware_file_name(c.base, c.version), c.name) << c.version;
}

TEST(FirmwareFile, HoldsTheTextScrambledBehindAZeroHeader) {
  const test::TempDir dir;
  const std::string text = "S00600004844521B\r\nS1078000A6FFB7001C\r\nS9030000FC\r\n";
  std::string error;
  const std::optional<std::string> written =
      write_firmware_file(text, dir.path().string(), "usbqxfs20bdmens", "6.20", error);
  ASSERT_EQ(written, dir.file("usbqxfs20bdmens.620")) << error;
  const std::string bytes = test::read_file(*written);
  ASSERT_EQ(bytes.size(), loaders::scrambled_header_size + text.size());
  EXPECT_EQ(bytes.substr(0, loaders::scrambled_header_size), std::string(loaders::scrambled_header_size, '\0'));
  loaders::FirmwareScrambler reader;
  std::string plain;
  for (std::size_t i = loaders::scrambled_header_size; i < bytes.size(); ++i) {
    plain += static_cast<char>(reader.unscramble(static_cast<std::uint8_t>(bytes[i])));
  }
  EXPECT_EQ(plain, text);
  EXPECT_NE(bytes.substr(loaders::scrambled_header_size), text);

  loaders::reset_debug_contexts();
  loaders::reset_srecord_image_reader();
  ASSERT_TRUE(loaders::read_scrambled_srecord_image(ShortText(*written)));
  const loaders::object_record* record = loaders::get_object_record_list().head();
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->address, 0x8000);
  EXPECT_EQ(std::string(record->data(), record->data() + record->length), "\xA6\xFF\xB7" + std::string(1, '\0'));
  EXPECT_EQ(record->next, nullptr);
  loaders::reset_debug_contexts();
}

TEST(FirmwareFile, RefusesABadVersionAndAMissingDirectory) {
  const test::TempDir dir;
  std::string error;
  EXPECT_EQ(write_firmware_file("S9030000FC\n", dir.path().string(), "usbbdmens", "5.2", error), std::nullopt);
  EXPECT_NE(error.find("M.mm"), std::string::npos);
  EXPECT_EQ(write_firmware_file("S9030000FC\n", dir.file("gone"), "usbbdmens", "5.12", error), std::nullopt);
  EXPECT_EQ(error, "cannot write " + dir.file("gone/usbbdmens.512"));
}

}  // namespace
}  // namespace vx::tools
