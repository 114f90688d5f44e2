#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/ini_document.h"
#include "programmer/default_desktop.h"
#include "programmer_fixture.h"

namespace vx::programmer {
namespace {

using test::ProgrammerTest;

class DefaultDesktopTest : public ProgrammerTest {
 protected:
  DefaultDesktopTest() {
    write("CQLLVIDM.DEF", "[1280]\n96=WIDE.DSK\n[DEFAULT]\nDEFAULT=PLAIN.DSK\n");
    write("WIDE.DSK", "[SCREENTYPE]\nFILENAME=WIDE.DSK\n[SETTINGS]\nINIFILEVERSION=4\n[STARTUP]\nPORT=21\n");
    write("PLAIN.DSK", "[SCREENTYPE]\nFILENAME=PLAIN.DSK\n[STARTUP]\nPORT=5\n");
  }

  std::optional<std::int32_t> install() {
    return halt_of([] { install_default_desktop("CQUILLHCS08.DSK"); });
  }

  std::string desktop(const char* section, const char* key) const {
    IniDocument::LoadStatus load_status{};
    return IniDocument::load(dir.file("CQUILLHCS08.DSK"), load_status).value(section, key).value_or("<missing>");
  }
};

TEST_F(DefaultDesktopTest, TheFirstStartCopiesTheDefaultForTheScreen) {
  ASSERT_FALSE(install());
  EXPECT_EQ(desktop("SCREENTYPE", "FILENAME"), "WIDE.DSK");
  EXPECT_EQ(desktop("STARTUP", "PORT"), "21");
}

TEST_F(DefaultDesktopTest, TheIndexFallsBackToEverMoreGeneralEntries) {
  const std::pair<const char*, const char*> cases[] = {
      {"[1280]\nDEFAULT=WIDE.DSK\n", "WIDE.DSK"},
      {"[1280]\n96=\nDEFAULT=WIDE.DSK\n", "WIDE.DSK"},
      {"[1024]\nDEFAULT=WIDE.DSK\n[DEFAULT]\nDEFAULT=PLAIN.DSK\n", "PLAIN.DSK"},
      {"[DEFAULT]\nDEFAULT=PLAIN.DSK\n", "PLAIN.DSK"},
  };
  for (const auto& [index, chosen] : cases) {
    std::filesystem::remove(dir.file("CQUILLHCS08.DSK"));
    write("CQLLVIDM.DEF", index);
    ASSERT_FALSE(install()) << index;
    EXPECT_EQ(desktop("SCREENTYPE", "FILENAME"), chosen) << index;
  }
}

TEST_F(DefaultDesktopTest, MissingDefaultsEndTheStart) {
  const std::string message = "CQUILLHCS08 Programmer Error - Can't find default desktop files. Halting.";
  std::filesystem::remove(dir.file("WIDE.DSK"));
  EXPECT_EQ(install(), 98);
  EXPECT_EQ(lines().front(), message);

  write("CQLLVIDM.DEF", "[2000]\nDEFAULT=WIDE.DSK\n");
  run_state().program_ending = false;
  EXPECT_EQ(install(), 98) << "an index that names nothing for this screen";

  std::filesystem::remove(dir.file("CQLLVIDM.DEF"));
  run_state().program_ending = false;
  EXPECT_EQ(install(), 99);
  EXPECT_FALSE(std::filesystem::exists(dir.file("CQUILLHCS08.DSK")));
}

TEST_F(DefaultDesktopTest, ADesktopForAnotherScreenTakesTheDefaultOverItsOwnKeys) {
  write("CQUILLHCS08.DSK", "[SCREENTYPE]\nFILENAME=OLD.DSK\n[SETTINGS]\nINIFILEVERSION=9\n[STARTUP]\nPORT=3\nMINE=1\n");
  ASSERT_FALSE(install());
  EXPECT_EQ(desktop("SCREENTYPE", "FILENAME"), "WIDE.DSK");
  EXPECT_EQ(desktop("STARTUP", "PORT"), "21");
  EXPECT_EQ(desktop("STARTUP", "MINE"), "1");
  EXPECT_EQ(desktop("SETTINGS", "INIFILEVERSION"), "4");
}

TEST_F(DefaultDesktopTest, AnOlderDesktopIsMergedAndACurrentOneKept) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"3", "4", "21"},
      {"4", "4", "3"},
      {"5", "4", "3"},
      {"0", "", "3"},
  };
  for (const auto& [desktop_version, default_version, port] : cases) {
    write("WIDE.DSK", std::string("[SCREENTYPE]\nFILENAME=WIDE.DSK\n[SETTINGS]\nINIFILEVERSION=") + default_version +
                          "\n[STARTUP]\nPORT=21\n");
    write("CQUILLHCS08.DSK", std::string("[SCREENTYPE]\nFILENAME= wide.dsk \n[SETTINGS]\nINIFILEVERSION=") +
                                 desktop_version + "\n[STARTUP]\nPORT=3\n");
    ASSERT_FALSE(install());
    EXPECT_EQ(desktop("STARTUP", "PORT"), port) << desktop_version << " against " << default_version;
  }
}

TEST_F(DefaultDesktopTest, AnUnreadableDesktopEndsWith97) {
  std::filesystem::create_directory(dir.file("CQUILLHCS08.DSK"));
  EXPECT_EQ(install(), 97);
  EXPECT_EQ(lines().front(), "Error in desktop files. Halting.");
}

}  // namespace
}  // namespace vx::programmer
