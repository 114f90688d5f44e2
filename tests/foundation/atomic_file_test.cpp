#include "foundation/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <ctime>
#include <filesystem>
#include <fstream>

#include "support/temp_dir.h"

namespace vx {
namespace {

namespace fs = std::filesystem;

void write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

TEST(AtomicFile, ASymbolicLinkKeepsPointingToItsRewrittenTarget) {
  test::TempDir dir;
  fs::create_directory(dir.file("shared"));
  write(dir.file("shared/board.ser"), "old");
  fs::create_symlink(dir.file("shared/board.ser"), dir.file("board.ser"));
  ASSERT_TRUE(replace_file_atomically(dir.file("board.ser"), "new"));
  EXPECT_TRUE(fs::is_symlink(dir.file("board.ser")));
  EXPECT_EQ(test::read_file(dir.file("shared/board.ser")), "new");
}

// Only the leftovers of a killed rewrite of the same file go; a rewrite still running elsewhere
// and the user's own files stay.
TEST(AtomicFile, TemporaryFilesOfAKilledRewriteAreRemovedAtTheNext) {
  test::TempDir dir;
  write(dir.file("board.ser"), "old");
  for (const char* name : {"board.ser.vxtmp-Ab12Cd", "board.ser.vxtmp-fresh1", "board.ser.backup", "other.ser.vxtmp-Ab12Cd"}) {
    write(dir.file(name), "x");
  }
  const std::time_t long_ago = std::time(nullptr) - 3600;
  const utimbuf times{long_ago, long_ago};
  for (const char* name : {"board.ser.vxtmp-Ab12Cd", "board.ser.backup", "other.ser.vxtmp-Ab12Cd"}) {
    ASSERT_EQ(utime(dir.file(name).c_str(), &times), 0);
  }
  ASSERT_TRUE(replace_file_atomically(dir.file("board.ser"), "new"));
  EXPECT_FALSE(fs::exists(dir.file("board.ser.vxtmp-Ab12Cd")));
  EXPECT_TRUE(fs::exists(dir.file("board.ser.vxtmp-fresh1")));
  EXPECT_TRUE(fs::exists(dir.file("board.ser.backup")));
  EXPECT_TRUE(fs::exists(dir.file("other.ser.vxtmp-Ab12Cd")));
  EXPECT_EQ(test::read_file(dir.file("board.ser")), "new");
}

}  // namespace
}  // namespace vx
