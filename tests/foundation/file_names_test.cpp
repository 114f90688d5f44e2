#include <cstddef>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "foundation/file_names.h"
#include "foundation/kstring.h"
#include "foundation/long_text.h"

namespace vx {
namespace {

// Every case runs through the ShortText routine and its long-text twin.

TEST(FileNameParts, SplitBothPathStyles) {
  const struct {
    std::string name;
    std::string file;
    std::string path;
  } cases[] = {
      {"C:\\x.s19", "x.s19", "C:\\"},
      {"C:x.s19", "x.s19", "C:"},
      {"C:/x.s19", "x.s19", "C:/"},
      {"dir\\sub\\x.s19", "x.s19", "dir\\sub"},
      {"dir/sub/x.s19", "x.s19", "dir/sub"},
      {"\\x.s19", "x.s19", "\\"},
      {"/x.s19", "x.s19", "/"},
      {"x.s19", "x.s19", ""},
      {"dir/", "", "dir"},
      {"", "", ""},
      // ':' separates only as the second character.
      {"/home/u/my:file", "my:file", "/home/u"},
      {"ab:c", "ab:c", ""},
      // NUL ends a directory part too.
      {std::string("ab\0cd", 5), "cd", std::string("ab\0", 3)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(file_name_part(c.name).str(), c.file) << c.name;
    EXPECT_EQ(lstr_file_name_part(c.name), c.file) << c.name;
    EXPECT_EQ(path_part(c.name).str(), c.path) << c.name;
    EXPECT_EQ(lstr_path_part(c.name), c.path) << c.name;
  }
}

TEST(FileNameParts, AddBackslashInTheNamesOwnStyle) {
  const struct {
    const char* directory;
    const char* expected;
  } cases[] = {
      {"", ""},
      {"C:", "C:\\"},
      {"C:\\", "C:\\"},
      {"ab", "ab"},
      {"a", "a"},
      {"/", "/"},
      {"/a", "/a/"},
      {".", "./"},
      {"..", "../"},
      {"dir", "dir/"},
      {"/home/u", "/home/u/"},
      {"/home/u/", "/home/u/"},
      {"dir\\sub", "dir\\sub\\"},
      {"C:\\dir", "C:\\dir\\"},
      {"a\\b/c", "a\\b/c/"},
      {"a/b\\c", "a/b\\c\\"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(add_backslash(c.directory), std::optional<ShortText>(c.expected)) << c.directory;
    EXPECT_EQ(lstr_add_backslash(c.directory), c.expected) << c.directory;
  }
}

// Short directories keep their separator when a name is joined to them.
TEST(FileNameParts, JoinDirectoryAlwaysSeparates) {
  const struct {
    const char* directory;
    const char* expected;
  } cases[] = {
      {"", "p.c"},       {"io", "io/p.c"},     {"a", "a/p.c"},         {"/", "/p.c"},
      {"C:", "C:\\p.c"}, {"io/", "io/p.c"},    {"d\\io", "d\\io\\p.c"}, {"/src/lib", "/src/lib/p.c"},
  };
  for (const auto& c : cases) EXPECT_EQ(file_names::join_directory(c.directory, "p.c"), c.expected) << c.directory;
}

TEST(FileNameParts, FindTheExtensionOnlyInTheFileName) {
  const struct {
    const char* name;
    bool has;
    std::size_t position;
  } cases[] = {
      {"x.s19", true, 2},   {"dir.d/x.s19", true, 8}, {"x.", true, 2},     {".hidden", true, 1},
      {"a.b\\c", false, 2}, {"a.b/c", false, 2},      {"noext", false, 0}, {"", false, 0},
  };
  for (const auto& c : cases) {
    std::size_t position = 99;
    EXPECT_EQ(has_extension(c.name, position), c.has) << c.name;
    EXPECT_EQ(position, c.position) << c.name;
    std::size_t long_position = 99;
    EXPECT_EQ(lstr_has_extension(c.name, long_position), c.has) << c.name;
    EXPECT_EQ(long_position, c.position) << c.name;
  }
}

TEST(FileNameParts, ReplaceTheExtension) {
  const struct {
    const char* name;
    const char* extension;
    const char* expected;
  } cases[] = {
      {"x.y\\file", "s19", "x.y\\file.s19"},
      {"x.y/file", "s19", "x.y/file.s19"},
      {"prog.abs", "s19", "prog.s19"},
      {"dir/prog.abs.s19", "S8P", "dir/prog.abs.S8P"},
      {"prog", "s19", "prog.s19"},
      {"", "s19", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(replace_extension(c.name, c.extension), std::optional<ShortText>(c.expected)) << c.name;
  }
}

TEST(FileNameParts, RefuseANameOver255RatherThanCutIt) {
  EXPECT_EQ(add_backslash(std::string(254, 'a')), std::optional<ShortText>(std::string(254, 'a') + "/"));
  EXPECT_EQ(add_backslash(std::string(255, 'a')), std::nullopt);
  EXPECT_EQ(add_backslash(std::string(254, 'a') + "/"), std::optional<ShortText>(std::string(254, 'a') + "/"));
  EXPECT_EQ(replace_extension(std::string(251, 'a'), "s19"), std::optional<ShortText>(std::string(251, 'a') + ".s19"));
  EXPECT_EQ(replace_extension(std::string(252, 'a'), "s19"), std::nullopt);
  EXPECT_EQ(replace_extension(std::string(250, 'a') + ".s", "abs19"), std::nullopt);
}

TEST(FileNameParts, LongTextsHaveNoLimit) {
  const std::string directory = "/" + std::string(300, 'd');
  const std::string name = directory + "/" + std::string(300, 'f') + ".s19";
  EXPECT_EQ(lstr_path_part(name), directory);
  EXPECT_EQ(lstr_file_name_part(name), std::string(300, 'f') + ".s19");
  EXPECT_EQ(lstr_name_only(name), std::string(300, 'f'));
  EXPECT_EQ(lstr_add_backslash(directory), directory + "/");
}

TEST(FileNameParts, NameOnlyDropsDirectoryAndExtension) {
  EXPECT_EQ(lstr_name_only("dir/x.s19"), "x");
  EXPECT_EQ(lstr_name_only("C:\\dir\\prog.abs.s19"), "prog.abs");
  EXPECT_EQ(lstr_name_only("a.b/c"), "c");
  EXPECT_EQ(lstr_name_only("C:x.s19"), "x");
  EXPECT_EQ(lstr_name_only("plain"), "plain");
  EXPECT_EQ(lstr_name_only(""), "");
}

}  // namespace
}  // namespace vx
