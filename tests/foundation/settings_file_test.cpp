#include "foundation/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "foundation/system_helpers.h"
#include "support/recording_list_view.h"
#include "support/temp_dir.h"

namespace vx {
namespace {

constexpr const char* settings_error = "Error reading from INI File";

class SettingsFileTest : public testing::Test {
 protected:
  void write(const std::string& text) { std::ofstream(file_.str(), std::ios::binary) << text; }

  test::ScopedStatusOutput status_;
  test::TempDir dir_;
  ShortText file_ = dir_.file("CQUILLHCS08.DSK");
};

TEST_F(SettingsFileTest, SectionsAndKeysMatchWhateverTheirCase) {
  write("[SETTINGS]\nDEFAULT_SOURCE_PATH=/home/me/src\n");
  ShortText value;
  GET_INI_STRING(file_, "settings", "default_source_path", "none", false, value);
  EXPECT_EQ(value, "/home/me/src");
  GET_INI_STRING(file_, "settings", "missing", "none", true, value);
  EXPECT_EQ(value, "none");
  GET_INI_STRING(file_, "settings", "", "none", false, value);
  EXPECT_EQ(value, "none");
  EXPECT_TRUE(status_.lines().empty());
}

TEST_F(SettingsFileTest, WritesUpperCasedNamesAndKeepsTheRestOfTheFile) {
  write("; desktop\n[STARTUP]\nPORT=21\n\n[COLORS]\nBACK=1\n");
  PUT_INI_STRING(file_, "startup", "interface", "USB", false);
  PUT_INI_INTEGER(file_, "Startup", "Port", 23, true);
  PUT_INI_INTEGER(file_, "new section", "x", -4, false);
  EXPECT_EQ(test::read_file(file_.str()),
            "; desktop\n[STARTUP]\nPORT=23\nINTERFACE=USB\n\n[COLORS]\nBACK=1\n[NEW SECTION]\nX=-4\n");
}

TEST_F(SettingsFileTest, IntegersReadInTheirOwnForms) {
  write("[S]\nA=0x1F\nB=$1F\nC=12abc\nD=-7\nE=0x\nF=\nG=1FH\n");
  struct Case {
    const char* key;
    std::int32_t expected;
  };
  for (const Case c : {Case{"A", 31}, Case{"B", 31}, Case{"C", 99}, Case{"D", -7}, Case{"E", 99}, Case{"F", 99},
                       Case{"G", 99}, Case{"none", 99}}) {
    EXPECT_EQ(GET_INI_INTEGER(file_, "s", c.key, 99, false), c.expected) << c.key;
  }
}

TEST_F(SettingsFileTest, ABareNameMeansTheFileBesideTheProgram) {
  ShortText program;
  GET_EXE_PATH(program);
  const std::string bare = "settings-test-" + std::to_string(getpid()) + ".ini";
  const std::filesystem::path beside = std::filesystem::path(program.str()).parent_path() / bare;
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir_.path());

  PUT_INI_STRING(bare, "SETTINGS", "INIFILEVERSION", "4", true);
  ShortText value;
  GET_INI_STRING(bare, "SETTINGS", "INIFILEVERSION", "", false, value);

  std::filesystem::current_path(previous);
  const bool written_beside = std::filesystem::exists(beside);
  std::filesystem::remove(beside);
  EXPECT_TRUE(written_beside);
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / bare));
  EXPECT_EQ(value, "4");
}

TEST_F(SettingsFileTest, FailuresGiveDefaultsAndOneStatusLineEach) {
  write("[S]\nK=1\n");
  chmod(file_.c_str(), 0444);
  PUT_INI_INTEGER(file_, "S", "K", 2, true);
  EXPECT_EQ(GET_INI_INTEGER(file_, "S", "K", 0, false), 1);

  chmod(file_.c_str(), 0644);
  PUT_INI_STRING(file_, "S", "A=B", "x", false);
  PUT_INI_STRING(file_, "S]", "K", "x", false);
  PUT_INI_STRING(file_, "S", "K", "two\nlines", false);
  PUT_INI_STRING(file_, "S", "", "ignored", false);

  const ShortText unreadable = dir_.file("is-a-directory");
  std::filesystem::create_directory(unreadable.str());
  EXPECT_EQ(GET_INI_INTEGER(unreadable, "S", "K", 5, false), 5);

  EXPECT_EQ(status_.lines(), std::vector<std::string>(5, settings_error));
  EXPECT_EQ(test::read_file(file_.str()), "[S]\nK=1\n");
}

TEST_F(SettingsFileTest, TheRecoveryUtilitysVariantsReportNothing) {
  const ShortText unreadable = dir_.file("is-a-directory");
  std::filesystem::create_directory(unreadable.str());
  ShortText value;
  GET_INI_STRING_REAL(unreadable, "S", "K", value, false, "fallback");
  PUT_INI_STRING_REAL(unreadable, "S", "K", false, "x");
  EXPECT_EQ(value, "fallback");
  PUT_INI_STRING_REAL(file_, "Recovery", "LastPort", true, "USB1");
  GET_INI_STRING_REAL(file_, "RECOVERY", "lastport", value, false, "");
  EXPECT_EQ(value, "USB1");
  EXPECT_TRUE(status_.lines().empty());
}

TEST_F(SettingsFileTest, WindowLayoutRoundTripsAndRecordsTheScreen) {
  const WindowLayout saved{10, 640, 20, 480, 2, true, 7, -1, 0};
  SAVE_WINDOW_LAYOUT(file_, " STATUS ", saved, false);
  EXPECT_EQ(test::read_file(file_.str()),
            "[VIDEO MODE]\nHEIGHT=1024\nWIDTH=1280\nFONTSIZE=96\n"
            "[STATUS]\nSTATUS_LEFT=10\nSTATUS_WIDTH=640\nSTATUS_TOP=20\nSTATUS_HEIGHT=480\nSTATUS_STATE=2\n"
            "STATUS_VISIBLE=1\nSTATUS_DATA1=7\nSTATUS_DATA2=-1\nSTATUS_DATA3=0\n");

  WindowLayout loaded{};
  LOAD_WINDOW_LAYOUT(file_, "STATUS", loaded, true);
  EXPECT_EQ(loaded.left, 10);
  EXPECT_EQ(loaded.height, 480);
  EXPECT_EQ(loaded.state, 2);
  EXPECT_TRUE(loaded.visible);
  EXPECT_EQ(loaded.data2, -1);

  WindowLayout untouched{1, 2, 3, 4, 0, false, 5, 6, 7};
  LOAD_WINDOW_LAYOUT(file_, "MAINWIN", untouched, false);
  EXPECT_EQ(untouched.width, 2);
  EXPECT_EQ(untouched.data3, 7);
  EXPECT_FALSE(untouched.visible);
}

}  // namespace
}  // namespace vx
