#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "hcs08_target.h"
#include "support/temp_dir.h"

namespace vx::sim::test {
namespace {

void write_file(const std::string& path, const std::string& data) {
  std::ofstream(path, std::ios::binary) << data;
}

void put32(std::string& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

// A body with a correct CRC-32 after it, so that only the structure can be wrong.
std::string sealed(std::string body) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (const char c : body) {
    crc ^= static_cast<std::uint8_t>(c);
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  put32(body, ~crc);
  return body;
}

std::string header(std::uint32_t version, std::uint32_t count) {
  std::string out = "VXS8FLSH";
  put32(out, version);
  put32(out, count);
  return out;
}

TEST(FlashStateFile, SecondPartContinuesWithTheFirstPartsFlash) {
  vx::test::TempDir dir;
  const std::string path = dir.file("flash.state");
  {
    Target first;
    first.write(Target::kFcdiv, Target::kDivider);
    first.flash_command(0x10B0, 0x5A, flash::kByteProgram);
    ASSERT_TRUE(first.wait_for_completion());
    first.mcu.poke(0xFFBF, 0xFE);
    ASSERT_EQ(first.mcu.save_flash(path), StateFileResult::Ok);
  }
  Hcs08 second;
  ASSERT_EQ(second.load_flash(path), StateFileResult::Ok);
  second.power_on(true);
  EXPECT_EQ(second.peek(0x10B0), 0x5A);
  EXPECT_EQ(second.peek(0x9000), 0xFF);
  EXPECT_FALSE(second.secured());  // NVOPT came along
}

TEST(FlashStateFile, DamagedOrForeignFilesChangeNothing) {
  vx::test::TempDir dir;
  const std::string good = dir.file("good.state");
  Hcs08 source;
  source.poke(0x9000, 0x12);
  ASSERT_EQ(source.save_flash(good), StateFileResult::Ok);
  const std::string bytes = vx::test::read_file(good);

  std::string flipped = bytes;
  flipped[40] = static_cast<char>(flipped[40] ^ 0x01);
  std::string bad_magic = bytes;
  bad_magic[0] = 'W';
  std::string long_range = header(1, 1);
  put32(long_range, 0x10B0);
  put32(long_range, 0xFFFFFFF0);
  long_range += "abc";
  std::string trailing = bytes.substr(0, bytes.size() - 4) + "x";

  DeviceConfig other = default_device();
  other.flash = {{0x2000, 0xFFFF}};
  Hcs08 foreign(other);
  const std::string foreign_path = dir.file("foreign.state");
  ASSERT_EQ(foreign.save_flash(foreign_path), StateFileResult::Ok);

  struct Case {
    const char* what;
    std::string data;
    StateFileResult result;
  };
  const Case cases[] = {
      {"empty", "", StateFileResult::Malformed},
      {"header only", bytes.substr(0, 16), StateFileResult::Malformed},
      {"cut short", bytes.substr(0, bytes.size() - 100), StateFileResult::Malformed},
      {"flipped bit", flipped, StateFileResult::Malformed},
      {"bad magic", bad_magic, StateFileResult::Malformed},
      {"huge range count", sealed(header(1, 0x7FFFFFFF)), StateFileResult::Malformed},
      {"range past the end", sealed(long_range), StateFileResult::Malformed},
      {"trailing byte", sealed(trailing), StateFileResult::Malformed},
      {"other version", sealed(header(3, 0)), StateFileResult::Malformed},
      {"no interface count", sealed(header(2, 0)), StateFileResult::Malformed},
      {"huge interface count", sealed(header(2, 0) + std::string("\xFF\xFF\xFF\x7F", 4)), StateFileResult::Malformed},
      {"interface past the end", sealed(header(2, 0) + std::string("\x01\0\0\0\0\x01\0\0abc", 11)),
       StateFileResult::Malformed},
      {"no ranges", sealed(header(1, 0)), StateFileResult::OtherDevice},
      {"oversized", bytes + std::string(2'200'000, '\0'), StateFileResult::Malformed},
      {"other device", vx::test::read_file(foreign_path), StateFileResult::OtherDevice},
  };
  for (const Case& c : cases) {
    const std::string path = dir.file("case.state");
    write_file(path, c.data);
    Hcs08 target;
    target.poke(0x9000, 0x77);
    EXPECT_EQ(target.load_flash(path), c.result) << c.what;
    EXPECT_EQ(target.peek(0x9000), 0x77) << c.what;
  }
  Hcs08 target;
  EXPECT_EQ(target.load_flash(dir.file("missing.state")), StateFileResult::CannotOpen);
}

TEST(FlashStateFile, InterfaceFlashTravelsWithTheDeviceAndOlderFilesHaveNone) {
  vx::test::TempDir dir;
  const std::string path = dir.file("flash.state");
  Hcs08 source;
  source.poke(0x9000, 0x12);
  const InterfaceFlash kept = {std::vector<std::uint8_t>(0x4001, 0x5A), {1, 2, 3}};
  ASSERT_EQ(source.save_flash(path, kept), StateFileResult::Ok);
  Hcs08 second;
  InterfaceFlash loaded;
  ASSERT_EQ(second.load_flash(path, &loaded), StateFileResult::Ok);
  EXPECT_EQ(loaded, kept);
  EXPECT_EQ(second.peek(0x9000), 0x12);

  // The same device in a version 1 file, which ends after the ranges.
  ASSERT_EQ(source.save_flash(path), StateFileResult::Ok);
  std::string body = vx::test::read_file(path);
  body = body.substr(0, body.size() - 8);
  body[8] = 1;
  write_file(path, sealed(body));
  ASSERT_EQ(second.load_flash(path, &loaded), StateFileResult::Ok);
  EXPECT_TRUE(loaded.empty());
}

}  // namespace
}  // namespace vx::sim::test
