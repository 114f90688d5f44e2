#include "loaders/srecord_image.h"

#include <gtest/gtest.h>

#include "foundation/run_state.h"
#include "loaders/firmware_scrambling.h"
#include "platform/ws/input.h"
#include "platform/ws/messages.h"
#include "platform/ws/window.h"
#include "tests/loaders/loader_test_support.h"

namespace vx::loaders {
namespace {

using test_support::counting;
using test_support::Record;
using test_support::srecord_line;
using test_support::stored_records;

class SrecordImageTest : public test_support::LoaderTest {
 protected:
  bool read_text(std::string_view text) { return read_srecord_image(ShortText(write("image.s19", text))); }
};

TEST_F(SrecordImageTest, ConsecutiveRecordsMergeIntoBlocksOfAtMost256Bytes) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<Record> records;
  };
  const std::vector<std::uint8_t> run = counting(300);
  const Case cases[] = {
      {"two lines continue, a third starts anew",
       srecord_line('1', 0x8000, counting(16)) + srecord_line('1', 0x8010, counting(16, 16)) +
           srecord_line('1', 0x9000, {0xAA}),
       {{0x8000, counting(32)}, {0x9000, {0xAA}}}},
      {"300 bytes become 256 + 44",
       srecord_line('1', 0xC000, std::vector<std::uint8_t>(run.begin(), run.begin() + 100)) +
           srecord_line('1', 0xC064, std::vector<std::uint8_t>(run.begin() + 100, run.begin() + 200)) +
           srecord_line('1', 0xC0C8, std::vector<std::uint8_t>(run.begin() + 200, run.end())),
       {{0xC000, counting(256)}, {0xC100, counting(44, 0)}}},
      {"backwards and overlapping records stay separate, in address order",
       srecord_line('1', 0x2000, {1, 2}) + srecord_line('1', 0x1000, {3}) + srecord_line('1', 0x2001, {4}),
       {{0x1000, {3}}, {0x2000, {1, 2}}, {0x2001, {4}}}},
      {"S2 and S3 addresses", srecord_line('2', 0x123456, {1}) + srecord_line('3', 0x80000000, {2}),
       {{static_cast<std::int32_t>(0x80000000), {2}}, {0x123456, {1}}}},
      {"a wrong checksum, lower case and G-P digits", "S1058000aabb00\nSJG600018001CC00\n",
       {{0x8000, {0xAA, 0xBB}}, {0x18001, {0xCC}}}},
      {"SH decodes as S1, SI as S2", "SHG5800001020000\r\nSIG6018000030400\r\n",
       {{0x8000, {1, 2}}, {0x18000, {3, 4}}}},
      {"S0, S5, S9, text and blank lines are skipped",
       "S00600004844521B\n\nS1038000FF\nS5030001FB\nhello\nS\nS9030000FC", {}},
      {"a last line without line feed", "S1048000AA", {{0x8000, {0xAA}}}},
      {"a record without data", "S1038000FF\n", {}},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(read_text(c.text)) << c.name;
    EXPECT_EQ(stored_records(), c.records) << c.name;
  }
}

TEST_F(SrecordImageTest, BadRecordsFailTheReadAndClearTheStore) {
  const std::pair<const char*, std::string> cases[] = {
      {"Q in the count", "S1Q58000AABB00\n"},
      {"Q in the data", "S1058000AQBB00\n"},
      {"Q in an S1 address", "S105800QAABB00\n"},
      {"Q in the low digit of an S1 address", "S1050000QAAABB00\n"},
      {"Q in an S2 address", "S206Q08000AABB00\n"},
      {"Q in an S3 address", "S30700Q08000AABB00\n"},
      {"a count too small for the address", "S1028000\n"},
      {"a count larger than the line", "S1FF8000AABB\n"},
      {"a line that ends inside a byte", "S1048000A"},
  };
  for (const auto& [name, bad_line] : cases) {
    const std::string text = srecord_line('1', 0x1000, counting(8)) + bad_line;
    EXPECT_FALSE(read_text(text)) << name;
    EXPECT_TRUE(stored_records().empty()) << name;
  }
}

TEST_F(SrecordImageTest, FilesWithoutDataReadAsEmptyImages) {
  EXPECT_TRUE(read_text(""));
  EXPECT_TRUE(stored_records().empty());
  EXPECT_TRUE(read_text("S0030000FC\r\n\r\nS9030000FC\r\n"));
  EXPECT_TRUE(stored_records().empty());
}

TEST_F(SrecordImageTest, MissingFilesAndWildcardsFailAfterClearingTheStore) {
  ASSERT_TRUE(read_text(srecord_line('1', 0x1000, {1})));
  EXPECT_FALSE(read_srecord_image(ShortText(path("missing.s19"))));
  EXPECT_TRUE(stored_records().empty());
  ASSERT_TRUE(read_text(srecord_line('1', 0x1000, {1})));
  EXPECT_FALSE(read_srecord_image(ShortText(path("imag?.s19"))));
  EXPECT_TRUE(stored_records().empty());
}

TEST_F(SrecordImageTest, AFullStoreFailsTheReadEvenAtTheLastBlock) {
  const std::string text = srecord_line('1', 0x1000, {1}) + srecord_line('1', 0x2000, {2});
  get_object_record_list().set_record_limit(1);
  EXPECT_FALSE(read_text(text));
  EXPECT_TRUE(stored_records().empty());
}

TEST_F(SrecordImageTest, ScrambledFirmwareFilesReadLikeTheirText) {
  const std::string text =
      srecord_line('1', 0x8000, counting(16)) + "SH0580100102F0\n" + srecord_line('2', 0x18000, {9});
  const std::string last_line_without_feed = srecord_line('1', 0x9000, {7}).substr(0, 12);
  const std::vector<std::uint8_t> firmware = scramble_firmware_text(text + last_line_without_feed);
  ASSERT_TRUE(read_scrambled_srecord_image(ShortText(write("fw.s19", firmware))));
  std::vector<std::uint8_t> merged = counting(16);
  merged.insert(merged.end(), {1, 2});
  const std::vector<Record> expected{{0x8000, merged}, {0x9000, {7}}, {0x18000, {9}}};
  EXPECT_EQ(stored_records(), expected);
  EXPECT_FALSE(srecord_image_reader().scrambled_mode);

  EXPECT_TRUE(read_scrambled_srecord_image(ShortText(write("header.s19", std::vector<std::uint8_t>(50, 0)))));
  EXPECT_TRUE(stored_records().empty());
  EXPECT_FALSE(read_scrambled_srecord_image(ShortText(write("short.s19", std::vector<std::uint8_t>(49, 0)))));

  // The plain reader takes the scrambled file for text and finds no records.
  EXPECT_TRUE(read_srecord_image(ShortText(path("fw.s19"))));
}

// The update engine's reading of a firmware file: besides everything above, a record whose
// checksum does not match, or data without an end record after it, is a damaged file.
TEST_F(SrecordImageTest, FirmwareFilesMustCarryTheirChecksumsAndEndRecord) {
  const std::string data = srecord_line('1', 0x8000, counting(16)) + srecord_line('2', 0x18000, {9});
  const std::string end = "S9030000FC\r\n";
  struct Case {
    const char* name;
    std::string text;
    FirmwareImageRead result;
  };
  const Case cases[] = {
      {"whole, with a header", "S00600004844521B\r\n" + data + end, FirmwareImageRead::read},
      {"each end record", data + "S70500000000FA\r\n" + data + "S804000000FB\r\n", FirmwareImageRead::read},
      {"no data needs no end record", "S00600004844521B\r\n", FirmwareImageRead::read},
      {"a data byte changed", "S1058000AABC95\r\n" + end, FirmwareImageRead::damaged},
      {"the count changed", "S1048000AABB95\r\n" + end, FirmwareImageRead::damaged},
      {"the address changed", "S1058001AABB95\r\n" + end, FirmwareImageRead::damaged},
      {"the header's checksum", "S00600004844521C\r\n" + data + end, FirmwareImageRead::damaged},
      {"the end record's checksum", data + "S9030000FD\r\n", FirmwareImageRead::damaged},
      {"cut before the end record", data, FirmwareImageRead::damaged},
      {"data after the end record", data + end + srecord_line('1', 0x9000, {1}), FirmwareImageRead::damaged},
      {"an invalid digit", "S1058000AQBB95\r\n" + end, FirmwareImageRead::unreadable},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(read_firmware_image(ShortText(write("fw.s19", c.text)), false), c.result) << c.name;
    if (c.result != FirmwareImageRead::read) {
      EXPECT_TRUE(stored_records().empty()) << c.name;
    }
    const std::vector<std::uint8_t> scrambled = scramble_firmware_text(c.text);
    EXPECT_EQ(read_firmware_image(ShortText(write("fw.bin", scrambled)), true), c.result) << c.name;
  }
  EXPECT_EQ(read_firmware_image(ShortText(path("missing.s19")), false), FirmwareImageRead::unreadable);
  EXPECT_FALSE(srecord_image_reader().scrambled_mode);
  EXPECT_FALSE(srecord_image_reader().firmware_checks);
  // Other readings keep taking a wrong checksum and a missing end record.
  EXPECT_TRUE(read_text("S1058000AABC95\r\n"));
}

TEST(FirmwareScrambler, UnscramblesWhatItScrambled) {
  FirmwareScrambler scrambler;
  FirmwareScrambler unscrambler;
  std::vector<std::uint8_t> scrambled;
  for (int i = 0; i < 600; ++i) scrambled.push_back(scrambler.scramble(static_cast<std::uint8_t>(i * 7)));
  for (int i = 0; i < 600; ++i) EXPECT_EQ(unscrambler.unscramble(scrambled[i]), static_cast<std::uint8_t>(i * 7));
  // The first byte: ((c XOR seed) + start offset) modulo 256.
  FirmwareScrambler first;
  EXPECT_EQ(first.unscramble(0x00), static_cast<std::uint8_t>(0xA5 + 0x17));
  EXPECT_EQ(first.unscramble(0x00), static_cast<std::uint8_t>(0x00 + 0x17 + 0x2B));
}

// Stands in for the status window's command box: it keeps the last key, and Esc aborts.
class CommandBox final : public ws::Window {
 public:
  ws::LResult window_proc(ws::Message& message) override {
    if (message.id == ws::msg::character) {
      run_state().last_key = static_cast<std::uint8_t>(message.wparam);
      if (message.wparam == 27) run_state().abort_flag = true;
    }
    return ws::Window::window_proc(message);
  }
};

TEST_F(SrecordImageTest, TheEscapeKeyStopsTheRead) {
  CommandBox box;
  box.set_focus();
  ws::input::press_key(ws::vk::escape);
  EXPECT_FALSE(read_text(srecord_line('1', 0x1000, {1}) + srecord_line('1', 0x2000, {2})));
  EXPECT_TRUE(stored_records().empty());

  box.set_focus();
  ws::input::press_key('A');
  EXPECT_TRUE(read_text(srecord_line('1', 0x1000, {1})));
  EXPECT_EQ(stored_records().size(), 1u);
}

}  // namespace
}  // namespace vx::loaders
