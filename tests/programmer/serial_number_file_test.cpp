#include "programmer/serial_number_file.h"

#include <gtest/gtest.h>

namespace vx::programmer {
namespace {

// Three ASCII digits at 0xFF00 counting from 000 to 999.
constexpr const char* three_digits = "030000FF00393030393030393030";

SerialNumber parsed(std::string_view text) {
  const auto serial = parse_serial_number(text);
  EXPECT_TRUE(serial) << text;
  return serial.value_or(SerialNumber{});
}

std::string after_advancing(std::string_view text, int times) {
  SerialNumber serial = parsed(text);
  for (int i = 0; i < times; ++i) EXPECT_TRUE(advance_serial_number(serial));
  return serial_display_text(serial);
}

TEST(SerialNumberFile, TheExampleReadsAsThreeAsciiDigits) {
  const SerialNumber serial = parsed(three_digits);
  EXPECT_EQ(serial.count, 3);
  EXPECT_EQ(serial.address, 0xFF00u);
  EXPECT_EQ(serial.limit[0], 0x39);
  EXPECT_EQ(serial.current[2], 0x30);
  EXPECT_EQ(serial.restart[1], 0x30);
  EXPECT_FALSE(serial.reversed);
  EXPECT_EQ(serial_display_text(serial), "000");
  EXPECT_EQ(format_serial_number(serial), three_digits);
}

TEST(SerialNumberFile, LowerCaseDigitsAndATrailingLAreTaken) {
  const SerialNumber serial = parsed("021234abcdff1200ff3400l\r\n");
  EXPECT_EQ(serial.address, 0x1234ABCDu);
  EXPECT_TRUE(serial.reversed);
  EXPECT_EQ(serial_storage_bytes(serial), (std::vector<std::uint8_t>{0x34, 0x12}));
  EXPECT_EQ(format_serial_number(serial), "021234ABCDFF1200FF3400L");
}

TEST(SerialNumberFile, AnythingButLAfterTheLastGroupIsNormalOrder) {
  for (const char* text : {"0100001000FF1200", "0100001000FF1200\r\nL", "0100001000FF1200X", "0100001000FF1200 L"}) {
    const SerialNumber serial = parsed(text);
    EXPECT_FALSE(serial.reversed) << text;
    EXPECT_EQ(serial_storage_bytes(serial), std::vector<std::uint8_t>{0x12}) << text;
  }
}

TEST(SerialNumberFile, MissingOrBadFieldsAndImpossibleCountsAreRefused) {
  for (const char* text : {"", "0", "03", "030000FF0", "030000FF00393030393030", "030000FF0039303039303039303",
                           "030000FF00393030393030393G30", "03$000FF00393030393030393030", "0X0000FF00393030",
                           "000000FF00", "110000FF00" "393030393030393030393030393030393030393030393030"
                           "393030393030393030393030393030393030393030393030393030",
                           "030000FF00\r\n393030393030393030"}) {
    EXPECT_FALSE(parse_serial_number(text)) << text;
  }
}

TEST(SerialNumberFile, SixteenBytesIsTheLargestNumber) {
  std::string text = "1000001000";
  for (int i = 0; i < 16; ++i) text += "FF00FF";
  const SerialNumber serial = parsed(text);
  EXPECT_EQ(serial.count, 16);
  EXPECT_EQ(format_serial_number(serial), text);
}

TEST(SerialNumberFile, TheLastByteCountsFastestAndCarriesAtItsLimit) {
  EXPECT_EQ(after_advancing(three_digits, 1), "001");
  EXPECT_EQ(after_advancing(three_digits, 10), "010");
  EXPECT_EQ(after_advancing(three_digits, 999), "999");
}

TEST(SerialNumberFile, ACarryOutOfTheFirstByteCannotAdvance) {
  SerialNumber serial = parsed("030000FF00393930393930393930");
  EXPECT_FALSE(advance_serial_number(serial));
}

TEST(SerialNumberFile, ALimitBelowTheRestartWrapsThroughZero) {
  // Limit 0x02, restart 0xFE: FE, FF, 00, 01, 02, then back to FE with a carry.
  SerialNumber serial = parsed("020000100005000002FEFE");
  std::vector<std::uint8_t> seen;
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(advance_serial_number(serial));
    seen.push_back(serial.current[1]);
  }
  EXPECT_EQ(seen, (std::vector<std::uint8_t>{0xFF, 0x00, 0x01, 0x02, 0xFE}));
  EXPECT_EQ(serial.current[0], 0x01);
}

TEST(SerialNumberFile, UnprintableBytesShowAsTheMarkButStoreTheirValue) {
  const SerialNumber serial = parsed("030000100041410019190020207F");
  EXPECT_EQ(serial_display_text(serial), "A\x82 ");
  EXPECT_EQ(serial_storage_bytes(serial), (std::vector<std::uint8_t>{0x41, 0x19, 0x20}));
}

}  // namespace
}  // namespace vx::programmer
