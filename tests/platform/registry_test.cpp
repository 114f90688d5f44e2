#include "platform/registry.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace vx::platform {
namespace {

namespace fs = std::filesystem;

using namespace std::string_literals;

constexpr std::string_view port_key = "Software\\Velmorix\\Parallel Port";

class RegistryTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::path(testing::TempDir()) / "registry_test.XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    directory_ = pattern;
    file_ = directory_ / "Velmorix" / "registry.ini";
  }
  void TearDown() override { fs::remove_all(directory_); }

  void write_file(const std::string& contents) const {
    fs::create_directories(file_.parent_path());
    std::ofstream(file_, std::ios::binary) << contents;
  }
  std::string file_contents() const {
    std::ifstream in(file_, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
  }

  fs::path directory_;
  fs::path file_;
};

// Sets environment variables for one test and puts the old values back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) {
      old_ = old;
    }
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(RegistryPath, OverrideThenXdgConfigThenHome) {
  struct Case {
    const char* override_file;
    const char* xdg_config_home;
    const char* home;
    const char* expected;
  };
  const Case cases[] = {
      {"/tmp/r.ini", "/x", "/h", "/tmp/r.ini"},
      {"", "/x/cfg", "/h", "/x/cfg/Velmorix/registry.ini"},
      {nullptr, nullptr, "/h", "/h/.config/Velmorix/registry.ini"},
      {nullptr, "", "/h", "/h/.config/Velmorix/registry.ini"},
      {nullptr, "relative/cfg", "/h", "/h/.config/Velmorix/registry.ini"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    ScopedEnv override_file("VX_REGISTRY_FILE", c.override_file);
    ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg_config_home);
    ScopedEnv home("HOME", c.home);
    EXPECT_EQ(default_registry_path(), fs::path(c.expected));
    EXPECT_EQ(Registry::current_user().file(), fs::path(c.expected));
  }
}

TEST_F(RegistryTest, OpenNeedsAnExistingKeyAndCreatePersistsIt) {
  Registry registry(file_);
  EXPECT_FALSE(registry.open_key(port_key));
  EXPECT_FALSE(fs::exists(file_));
  ASSERT_TRUE(registry.create_key(port_key));
  EXPECT_TRUE(fs::exists(file_));

  Registry again(file_);
  ASSERT_TRUE(again.open_key(port_key));
  EXPECT_EQ(again.open_key("\\Software\\\\Velmorix\\Parallel Port\\")->path(), port_key);
  EXPECT_TRUE(again.open_key("Software\\Velmorix"));
  EXPECT_FALSE(again.open_key("Software\\Velmor"));
  EXPECT_FALSE(again.open_key(""));
  EXPECT_FALSE(again.create_key("\\\\"));
  EXPECT_TRUE(again.open_key(port_key)->value_names().empty());
}

TEST_F(RegistryTest, ValuesReadOnlyAsTheTypeTheyWereWritten) {
  const auto key = Registry(file_).create_key(port_key);
  ASSERT_TRUE(key);
  ASSERT_TRUE(key->write_dword("virtuallpt1", 0x378));
  ASSERT_TRUE(key->write_dword("max", 0xFFFFFFFF));
  ASSERT_TRUE(key->write_string("ip", "  10.0.0.1 "));
  ASSERT_TRUE(key->write_string("empty", ""));

  const auto reopened = Registry(file_).open_key(port_key);
  ASSERT_TRUE(reopened);
  EXPECT_EQ(reopened->read_dword("virtuallpt1"), 0x378u);
  EXPECT_EQ(reopened->read_dword("max"), 0xFFFFFFFFu);
  EXPECT_EQ(reopened->read_string("ip"), "  10.0.0.1 ");
  EXPECT_EQ(reopened->read_string("empty"), "");
  EXPECT_FALSE(reopened->read_string("virtuallpt1"));
  EXPECT_FALSE(reopened->read_dword("ip"));
  EXPECT_FALSE(reopened->read_dword("virtuallpt2"));

  ASSERT_TRUE(reopened->write_string("virtuallpt1", "now text"));
  EXPECT_FALSE(key->read_dword("virtuallpt1"));
  EXPECT_EQ(key->read_string("virtuallpt1"), "now text");
}

// The order a caller renumbers by: rewritten values keep their place, a
// value deleted and written again goes to the end.
TEST_F(RegistryTest, ValuesAreListedInTheOrderTheyWereFirstWritten) {
  const auto key = Registry(file_).create_key("Software\\Velmorix\\Ethernet IP");
  ASSERT_TRUE(key);
  for (const char* name : {"virtualip1", "virtualip2", "virtualip3"}) {
    ASSERT_TRUE(key->write_string(name, name));
  }
  ASSERT_TRUE(key->write_string("virtualip1", "again"));
  EXPECT_EQ(key->value_names(), (std::vector<std::string>{"virtualip1", "virtualip2", "virtualip3"}));
  EXPECT_TRUE(key->delete_value("virtualip2"));
  EXPECT_FALSE(key->delete_value("virtualip2"));
  ASSERT_TRUE(key->delete_value("virtualip3"));
  ASSERT_TRUE(key->write_string("virtualip2", "former third"));
  EXPECT_EQ(key->value_names(), (std::vector<std::string>{"virtualip1", "virtualip2"}));
  EXPECT_EQ(key->read_string("virtualip2"), "former third");
}

TEST_F(RegistryTest, NamesAndTextsOfAnyBytesRoundTrip) {
  const std::string tricky[] = {
      "line\r\nbreak", "a=b",           "[section]", "%41%", "",   " blanks ",          "tab\there",
      "nul\0inside"s,  "\xff\xfe high", "=",         "]",    "\\", "x\n[evil]\ny=sz:z",
  };
  Registry registry(file_);
  int case_number = 0;
  for (const std::string& text : tricky) {
    SCOPED_TRACE(testing::PrintToString(text));
    // Backslashes in a key path separate its parts: the number keeps the keys apart.
    const std::string key_path = "Software\\" + std::to_string(++case_number) + text + "\\end";
    const auto key = registry.create_key(key_path);
    ASSERT_TRUE(key);
    ASSERT_TRUE(key->write_string(text, text));
    ASSERT_TRUE(key->write_dword(text + "#", 7));
    const auto reopened = Registry(file_).open_key(key_path);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened->read_string(text), text);
    EXPECT_EQ(reopened->read_dword(text + "#"), 7u);
    EXPECT_EQ(reopened->value_names(), (std::vector<std::string>{text, text + "#"}));
  }
}

TEST_F(RegistryTest, EveryWriteReplacesTheFileWithoutLeavingTemporaries) {
  Registry registry(file_);
  const auto key = registry.create_key(port_key);
  ASSERT_TRUE(key);
  for (std::uint32_t n = 1; n <= 5; ++n) {
    ASSERT_TRUE(key->write_dword("virtuallpt" + std::to_string(n), n));
    EXPECT_EQ(Registry(file_).open_key(port_key)->read_dword("virtuallpt" + std::to_string(n)), n);
  }
  std::vector<fs::path> entries;
  for (const auto& entry : fs::directory_iterator(file_.parent_path())) {
    entries.push_back(entry.path());
  }
  EXPECT_EQ(entries, std::vector<fs::path>{file_});
}

TEST_F(RegistryTest, UnreadableLinesAreSkippedByReadsAndKeptWhereTheyStand) {
  const std::string before_new =
      "orphan=sz:before any key\n"
      "[Software\\A]\r\n"
      "ok=sz:yes\r\n"
      "ok=sz:second of a name\n"
      "name only\n"
      "=\n"
      "bad%zz=sz:1\n"
      "short=sz:%4\n"
      "kind=float:1.5\n"
      "big=dword:123456789\n"
      "notnum=dword:12g4\n"
      "odd=hex:abc\n"
      "n=dword:0000002A\n";
  const std::string after_new =
      "\0\xff\x01 binary junk\n"s
      "[unterminated\n"
      "lost=sz:after a bad key\n"
      "[]\n"
      "lost2=sz:after an empty key\n"
      "[Software\\A]\n"
      "b=dword:00000000\n";
  write_file(before_new + after_new);
  Registry registry(file_);
  const auto key = registry.open_key("Software\\A");
  ASSERT_TRUE(key);
  EXPECT_EQ(key->value_names(), (std::vector<std::string>{"ok", "n", "b"}));
  EXPECT_EQ(key->read_string("ok"), "yes");
  EXPECT_EQ(key->read_dword("n"), 42u);
  EXPECT_EQ(key->read_dword("b"), 0u);
  EXPECT_FALSE(key->read_string("lost"));

  ASSERT_TRUE(key->write_string("new", "value"));
  EXPECT_EQ(file_contents(), before_new + "new=sz:value\n" + after_new);
}

// What a user writes by hand survives the program's changes around it.
TEST_F(RegistryTest, ChangesKeepCommentsAndHandWrittenLinesInPlace) {
  write_file(
      "; ports of the bench\n"
      "[Software\\Velmorix\\Serial Ports]\n"
      "COM4 = sz:/dev/ttyUSB1\n"
      "COM3=sz:/dev/ttyACM0\n"
      "\n"
      "# addresses\n"
      "[Software\\Velmorix\\Ethernet IP]\n"
      "virtualip1=sz:127.0.0.5\n"
      "virtualip2=sz:127.0.0.6\n"
      "virtualip1=sz:shadowed\n");
  Registry registry(file_);
  const auto ports = registry.open_key("Software\\Velmorix\\Serial Ports");
  ASSERT_TRUE(ports);
  EXPECT_EQ(ports->value_names(), std::vector<std::string>{"COM3"});
  ASSERT_TRUE(ports->write_string("COM3", "/dev/ttyUSB0"));
  ASSERT_TRUE(ports->write_string("COM5", "/dev/ttyS9"));
  const auto addresses = registry.open_key("Software\\Velmorix\\Ethernet IP");
  ASSERT_TRUE(addresses);
  ASSERT_TRUE(addresses->delete_value("virtualip1"));
  EXPECT_FALSE(addresses->read_string("virtualip1")) << "a second line of the name does not come to light";
  ASSERT_TRUE(registry.create_key("Software\\Velmorix\\NetworkCardIP"));

  EXPECT_EQ(file_contents(),
            "; ports of the bench\n"
            "[Software\\Velmorix\\Serial Ports]\n"
            "COM4 = sz:/dev/ttyUSB1\n"
            "COM3=sz:/dev/ttyUSB0\n"
            "COM5=sz:/dev/ttyS9\n"
            "\n"
            "# addresses\n"
            "[Software\\Velmorix\\Ethernet IP]\n"
            "virtualip2=sz:127.0.0.6\n"
            "[Software\\Velmorix\\NetworkCardIP]\n");
}

TEST_F(RegistryTest, AReadOnlyStoreIsReadButNeverReplaced) {
  const std::string contents = "; mine\n[Software\\A]\nv=sz:kept\n";
  write_file(contents);
  fs::permissions(file_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  Registry registry(file_);
  const auto key = registry.open_key("Software\\A");
  ASSERT_TRUE(key);
  EXPECT_EQ(key->read_string("v"), "kept");
  EXPECT_TRUE(registry.create_key("Software\\A")) << "nothing to write for a key that exists";
  EXPECT_FALSE(registry.create_key("Software\\Velmorix\\NetworkCardIP"));
  EXPECT_FALSE(key->write_string("v", "changed"));
  EXPECT_FALSE(key->delete_value("v"));
  EXPECT_EQ(file_contents(), contents);
  EXPECT_EQ(fs::status(file_).permissions(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
}

TEST_F(RegistryTest, AStoreKeepsItsModeAndALinkStaysALink) {
  const fs::path shared = directory_ / "shared" / "velmorix.ini";
  fs::create_directories(shared.parent_path());
  std::ofstream(shared) << "; shared between users\n[Software\\A]\n";
  fs::permissions(shared, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::group_write);
  fs::create_directories(file_.parent_path());
  fs::create_symlink(shared, file_);

  ASSERT_TRUE(Registry(file_).open_key("Software\\A")->write_dword("n", 7));
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(file_)));
  EXPECT_EQ(fs::read_symlink(file_), shared);
  EXPECT_EQ(fs::status(shared).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::group_write);
  EXPECT_EQ(file_contents(), "; shared between users\n[Software\\A]\nn=dword:00000007\n");
}

TEST_F(RegistryTest, AStoreThatCannotBeReadIsNeitherReadNorOverwritten) {
  const std::string oversized = "[Software\\A]\nv=sz:" + std::string(registry_file_limit, 'x') + "\n";
  write_file(oversized);
  Registry registry(file_);
  EXPECT_FALSE(registry.open_key("Software\\A"));
  EXPECT_FALSE(registry.create_key("Software\\B"));
  EXPECT_EQ(fs::file_size(file_), oversized.size());

  fs::remove(file_);
  ASSERT_EQ(mkfifo(file_.c_str(), 0600), 0);
  EXPECT_FALSE(registry.open_key("Software\\A"));
  EXPECT_FALSE(registry.create_key("Software\\A"));
  EXPECT_TRUE(fs::is_fifo(file_));

  fs::remove(file_);
  fs::create_directory(file_);
  EXPECT_FALSE(registry.create_key("Software\\A"));
}

TEST_F(RegistryTest, WritesFailWhenTheStoreDirectoryCannotBeMade) {
  std::ofstream(directory_ / "plain_file") << "x";
  Registry registry(directory_ / "plain_file" / "registry.ini");
  EXPECT_FALSE(registry.create_key(port_key));
  EXPECT_FALSE(registry.open_key(port_key));
}

}  // namespace
}  // namespace vx::platform
