#include "loaders/database_dump.h"

#include <gtest/gtest.h>

#include "loaders/debug_context.h"
#include "tests/loaders/loader_test_support.h"

namespace vx::loaders {
namespace {

using test_support::counting;

using DatabaseDumpTest = test_support::LoaderTest;

TEST_F(DatabaseDumpTest, AnEmptyDatabaseGivesEmptyFiles) {
  dump_debug_database();
  dump_object_records();
  for (const char* name : {"file.dat", "line.dat", "symbol.dat", "address.dat", "type.dat"}) {
    EXPECT_TRUE(std::filesystem::exists(path(name))) << name;
    EXPECT_EQ(read(name), "") << name;
  }
  EXPECT_EQ(read("datalist.dat"), "Total Records = 0\r\nTotal Bytes = 0\r\n\r\n");
}

TEST_F(DatabaseDumpTest, EachDumpWritesItsLineLayout) {
  for (int i = 1; i <= 300; ++i) ASSERT_TRUE(PUT_DEBUG_FILE(i == 300 ? "src/last.c" : "f"));
  ASSERT_TRUE(PUT_DEBUG_LINE(static_cast<std::int32_t>(0xFFFF0000), 300, 7));
  ASSERT_TRUE(PUT_DEBUG_LINE(0x8000, 2, 123456));
  ASSERT_TRUE(PUT_DEBUG_SYMBOL(4, 0x1234, nullptr, 0x10, -1, 0x8000, "main"));
  ASSERT_TRUE(PUT_DEBUG_ADDRESS(0x8000, get_last_debug_symbol()));
  ASSERT_TRUE(PUT_DEBUG_SYMBOL(0xFF, 0x12345, nullptr, 0, 0, -2, "main"));
  ASSERT_TRUE(PUT_DEBUG_TYPE("word", 0x10002, 'T', counting(20)));
  dump_debug_database();

  const std::string files = read("file.dat");
  EXPECT_EQ(files.substr(0, 8), " 01  f\r\n");
  EXPECT_EQ(files.substr(files.size() - 17), " 2C  src\\last.c\r\n");
  EXPECT_EQ(read("line.dat"), "00008000 02/123456\r\nFFFF0000 2C/    7\r\n");
  // Scope lengths compare signed: 0xFFFFFFFF - 0x10 is below 0.
  EXPECT_EQ(read("symbol.dat"),
            "04-1234 00000010...FFFFFFFF 00008000 main\r\n"
            "FF-2345 00000000...00000000 FFFFFFFE main\r\n");
  EXPECT_EQ(read("address.dat"), "00008000 0004-1234 main\r\n");
  EXPECT_EQ(read("type.dat"),
            "T0002(0054) word\r\n"
            " 000102030405060708090A0B0C0D0E0F\r\n"
            " 10111213\r\n");
}

}  // namespace
}  // namespace vx::loaders
