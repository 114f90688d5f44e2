#include "foundation/ini_document.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "support/temp_dir.h"

namespace vx {
namespace {

TEST(IniDocument, ReadsValuesTheWayProfileFilesAreWritten) {
  const IniDocument document = IniDocument::parse(
      "junk line\r\n[ Colors ]\r\n; Back=9\r\n  Back = 12  \r\nBACK=13\r\nName=\"quoted text\"\r\nOdd='x\r\n"
      "[colors]\r\nLater=1\r\n");
  EXPECT_EQ(document.value("COLORS", "back"), "12");
  EXPECT_EQ(document.value("colors", "name"), "quoted text");
  EXPECT_EQ(document.value("colors", "odd"), "'x");
  EXPECT_EQ(document.value("colors", "later"), std::nullopt);
  EXPECT_EQ(document.value("nowhere", "back"), std::nullopt);
  EXPECT_EQ(document.sections(), (std::vector<std::string>{"Colors"}));
  EXPECT_EQ(document.keys("COLORS"), (std::vector<std::string>{"Back", "Name", "Odd"}));
}

TEST(IniDocument, WritingKeepsLineEndsCommentsAndUnknownLines) {
  IniDocument document = IniDocument::parse("junk\r\n[A]\r\nX=1\r\n\r\n[B]\r\n");
  ASSERT_TRUE(document.set_value("a", "y", "2"));
  ASSERT_TRUE(document.set_value("A", "x", "3"));
  ASSERT_TRUE(document.set_value("B", "Z", ""));
  EXPECT_EQ(document.text(), "junk\r\n[A]\r\nx=3\r\ny=2\r\n\r\n[B]\r\nZ=\r\n");
}

TEST(IniDocument, RefusesWhatWouldBreakTheFile) {
  IniDocument document;
  for (auto [section, key, value] : {std::tuple{"A]", "K", "v"}, std::tuple{"A\n[B", "K", "v"},
                                     std::tuple{"A", "K=V", "v"}, std::tuple{"A", "K\r", "v"},
                                     std::tuple{"A", "K", "v\nX=1"}, std::tuple{"", "K", "v"},
                                     std::tuple{"A", "", "v"}, std::tuple{"A", ";K", "v"},
                                     std::tuple{"A", " K", "v"}}) {
    EXPECT_FALSE(document.set_value(section, key, value)) << section << "/" << key;
  }
  EXPECT_EQ(document.text(), "");
}

TEST(IniDocument, SavesWholeFilesAndRefusesReadOnlyOnesAndGiantOnes) {
  test::TempDir dir;
  const std::string path = dir.file("a.ini");
  IniDocument document = IniDocument::parse("[A]\nK=1\n");
  ASSERT_TRUE(document.save(path));
  IniDocument::LoadStatus status{};
  EXPECT_EQ(IniDocument::load(path, status).value("A", "K"), "1");
  EXPECT_EQ(status, IniDocument::LoadStatus::loaded);

  IniDocument::load(dir.file("missing.ini"), status);
  EXPECT_EQ(status, IniDocument::LoadStatus::missing);

  std::filesystem::permissions(path, std::filesystem::perms::owner_read);
  document.set_value("A", "K", "2");
  EXPECT_FALSE(document.save(path));
  EXPECT_EQ(test::read_file(path), "[A]\nK=1\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

  const std::string giant = dir.file("giant.ini");
  { std::ofstream create(giant); }
  std::filesystem::resize_file(giant, IniDocument::max_file_size + 1);
  IniDocument::load(giant, status);
  EXPECT_EQ(status, IniDocument::LoadStatus::failed);
}

// A FIFO without a writer, a directory and a device fail at once instead of blocking the load.
TEST(IniDocument, OnlyRegularFilesLoad) {
  test::TempDir dir;
  const std::string fifo = dir.file("fifo.ini");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {fifo, dir.path().string(), std::string("/dev/zero")}) {
    IniDocument::LoadStatus status{};
    EXPECT_TRUE(IniDocument::load(path, status).sections().empty()) << path;
    EXPECT_EQ(status, IniDocument::LoadStatus::failed) << path;
  }
}

}  // namespace
}  // namespace vx
