#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "programmer_run.h"

namespace vx {
namespace {

namespace fs = std::filesystem;

using test::ProgrammerInstall;

// A store as a user writes it by hand: no NetworkCardIP key yet, which the
// programmer's start creates.
constexpr const char* hand_written =
    "; my serial adapters\n"
    "[Software\\Velmorix\\Serial Ports]\n"
    "COM4 = sz:/dev/ttyUSB1\n";

constexpr fs::perms read_write = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
constexpr fs::perms read_only = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;

struct StoreCase {
  const char* name;
  bool behind_link;
  fs::perms mode;
  bool writable;
};

TEST(RegistryStore, AProgrammerStartKeepsWhatTheUserWrote) {
  const StoreCase cases[] = {
      {"plain", false, read_write, true},
      {"read-only", false, read_only, false},
      {"behind a link", true, read_write, true},
  };
  for (const StoreCase& c : cases) {
    SCOPED_TRACE(c.name);
    ProgrammerInstall install;
    const fs::path link = install.file("registry.ini");
    const fs::path store = c.behind_link ? fs::path(install.file("shared.ini")) : link;
    install.write(store.filename().string(), hand_written);
    fs::permissions(store, c.mode);
    if (c.behind_link) fs::create_symlink(store, link);

    const test::ProgrammerResult result =
        test::run_programmer(install, {"NOSCAN", install.write("remarks.cfg", "a remark\n")});
    EXPECT_EQ(result.exit_code, 0) << result.output << result.errors;

    // The start adds the keys it opens after what the user wrote, or adds nothing.
    const std::string contents = test::read_file(store.string());
    EXPECT_TRUE(contents.starts_with(hand_written)) << contents;
    EXPECT_EQ(contents.find("[Software\\Velmorix\\NetworkCardIP]\n") != std::string::npos, c.writable) << contents;
    if (!c.writable) {
      EXPECT_EQ(contents, hand_written);
    }
    EXPECT_EQ(fs::status(store).permissions(), c.mode);
    EXPECT_EQ(fs::is_symlink(fs::symlink_status(link)), c.behind_link);
  }
}

}  // namespace
}  // namespace vx
