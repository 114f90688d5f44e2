#include "fwupdate/file_helpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "foundation/kstring.h"
#include "foundation/run_state.h"
#include "foundation/system_helpers.h"
#include "platform/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace vx::fwupdate {
namespace {

const std::string s19_filter = "Motorola S19 Object (*.s19)|*.s19";

// Runs the test in a temporary current directory and puts the old one back.
class CurrentDirectory {
 public:
  CurrentDirectory() : previous_(std::filesystem::current_path()) { std::filesystem::current_path(dir.path()); }
  ~CurrentDirectory() { std::filesystem::current_path(previous_); }

  test::TempDir dir;

 private:
  std::filesystem::path previous_;
};

TEST(UpdaterNames, Extensions) {
  struct Case {
    std::string name, extension;
    std::optional<std::string> defaulted;
    std::string forced;
  };
  const std::string long_name = "/opt/" + std::string(247, 'f');
  const Case cases[] = {
      {"fw", "s19", "fw.s19", "fw.s19"},
      {"/opt/fw/usbbdmens.512", "s19", "/opt/fw/usbbdmens.512", "/opt/fw/usbbdmens.s19"},
      {"/opt/fw.d/usbbdmens", "s19", "/opt/fw.d/usbbdmens.s19", "/opt/fw.d/usbbdmens.s19"},
      {"fw.", "hex", "fw.", "fw.hex"},
      {"", "s19", "", ""},
      {long_name, "s19", std::nullopt, long_name + ".s19"},
  };
  for (const Case& c : cases) {
    const std::optional<ShortText> defaulted = default_extension(c.name, c.extension);
    EXPECT_EQ(defaulted ? std::optional<std::string>(defaulted->str()) : std::nullopt, c.defaulted) << c.name;
    EXPECT_EQ(lstr_force_extension(c.name, c.extension), c.forced) << c.name;
  }
}

TEST(UpdaterNames, StripLastExtension) {
  struct Case {
    const char* name;
    std::uint8_t maximum;
    const char* expected;
  };
  const Case cases[] = {
      {"/opt/a.b/fw.x.s19", 255, "/opt/a.b/fw.x"},
      {"/opt/a.b/fw.s19", 255, "/opt/a.b/fw.s19"},
      {"/opt/a.b/fw", 255, "/opt/a.b/fw"},
      {"a.b.c", 255, "a.b"},
      {"/opt/fw.x.s19", 5, "/opt/"},
  };
  for (const Case& c : cases) {
    ShortText name = c.name;
    strip_last_extension(name, c.maximum);
    EXPECT_EQ(name, c.expected) << c.name;
  }
}

TEST(UpdaterNames, SixtyFourBitHex) {
  struct Case {
    std::uint32_t low, high;
    const char* full;
    const char* trimmed;
  };
  const Case cases[] = {
      {0, 0, "0000000000000000", "0"},
      {0x89ABCDEF, 0x01234567, "0123456789ABCDEF", "123456789ABCDEF"},
      {0x10, 0, "0000000000000010", "10"},
      {0, 0xF0000000, "F000000000000000", "F000000000000000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(hex_int64(c.low, c.high), c.full);
    EXPECT_EQ(hex_int64_trimmed(c.low, c.high), c.trimmed);
  }
}

TEST(UpdaterNames, ExpandPathPutsTheCurrentDirectoryBeforeRelativeNames) {
  const CurrentDirectory current;
  const std::string here = std::filesystem::current_path().string();
  struct Case {
    std::string name;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"/opt/fw/usbbdmens.512", "/opt/fw/usbbdmens.512"},
      {"usbbdmens.512", here + "/usbbdmens.512"},
      {"fw/usbbdmens.512", here + "/fw/usbbdmens.512"},
      {std::string(255 - here.size(), 'f'), std::nullopt},
  };
  for (const Case& c : cases) {
    const std::optional<ShortText> expanded = expand_path(c.name);
    EXPECT_EQ(expanded ? std::optional<std::string>(expanded->str()) : std::nullopt, c.expected) << c.name;
  }
}

TEST(UpdaterNames, FilterExtensions) {
  struct Case {
    std::string name, filter;
    std::size_t index;
    std::string extension, applied;
  };
  const std::string two = "Hex files|*.hex|S-records|*.s19;*.sx";
  const Case cases[] = {
      {"/opt/fw.$_~", s19_filter, 0, "s19", "/opt/fw.s19"},
      {"/opt/fw.$_~", two, 1, "s19", "/opt/fw.s19"},
      {"/opt/fw.$_~", two, 2, "", "/opt/fw."},
      {"/opt/fw.$_~", "All files|*.*", 0, "", "/opt/fw."},
      {"/opt/fw.$_~", "Archives|*.tar.gz", 0, "tar.gz", "/opt/fw.tar.gz"},
      {"/opt/fw.hex", s19_filter, 0, "s19", "/opt/fw.hex"},
      {"/opt/fw..$_~", s19_filter, 0, "s19", "/opt/fw"},
      {"/opt/fw.$_~.old", s19_filter, 0, "s19", "/opt/fw.s19"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(filter_extension(c.filter, c.index), c.extension) << c.filter << " " << c.index;
    EXPECT_EQ(apply_filter_extension(c.name, c.filter, c.index), c.applied) << c.name;
  }
}

class SelectFileDialog : public ::testing::Test {
 protected:
  SelectFileDialog() : previous_(platform::install_dialog_responder(&script)) {
    reset_run_state();
    for (const char* folder : {"fw", "default"}) std::filesystem::create_directory(current.dir.path() / folder);
    for (const char* file : {"fw/app.s19", "default/app.s19", "default/boot.s19", "here.s19"}) {
      std::ofstream(current.dir.path() / file) << "S9030000FC\n";
    }
  }
  ~SelectFileDialog() override { platform::install_dialog_responder(previous_); }

  std::string path(const std::string& name) const { return current.dir.file(name); }

  FileChoice choice(const std::string& name) const { return {name, 255, path("default"), 255}; }

  const CurrentDirectory current;
  platform::ScriptedResponder script;

 private:
  platform::DialogResponder* previous_;
};

TEST_F(SelectFileDialog, FindsATypedNameWhereTypedThenInTheDefaultDirectory) {
  struct Case {
    std::string typed;
    bool update;
    bool found;
    std::string name, directory;
  };
  const Case cases[] = {
      {path("fw/app"), true, true, path("fw/app.s19"), path("fw")},
      {path("fw/app"), false, true, path("fw/app.s19"), path("default")},
      {path("fw/app.s19") + "  ", true, true, path("fw/app.s19"), path("fw")},
      {"here", true, true, "here.s19", current.dir.path().string()},
      {"boot", true, true, path("default/boot.s19"), path("default")},
      {path("fw/boot"), true, true, path("default/boot.s19"), path("default")},
      {path("missing/app"), true, false, path("missing/app"), path("default")},
      {path("fw/none"), true, false, path("fw/none"), path("default")},
  };
  for (const Case& c : cases) {
    FileChoice chosen = choice(c.typed);
    EXPECT_EQ(select_file_dialog(chosen, "Choose Firmware", c.update, s19_filter), c.found) << c.typed;
    EXPECT_EQ(chosen.file_name, c.name) << c.typed;
    EXPECT_EQ(chosen.default_directory, c.directory) << c.typed;
  }
  EXPECT_TRUE(script.log().empty()) << "a typed name opens no dialog";
}

TEST_F(SelectFileDialog, AMissingDefaultDirectoryGivesWayToTheProgramDirectory) {
  ShortText program;
  GET_EXE_PATH(program);
  const ShortText program_directory = path_part(program);
  FileChoice chosen{"nothing-here", 255, path("gone"), 255};
  EXPECT_FALSE(select_file_dialog(chosen, "Choose Firmware", true, s19_filter));
  EXPECT_EQ(chosen.default_directory, program_directory);
  EXPECT_EQ(chosen.file_name, *add_backslash(program_directory) + "nothing-here");
  EXPECT_EQ(std::filesystem::current_path().string(), program_directory.str());
}

TEST_F(SelectFileDialog, TheDialogAsksAgainUntilTheFileExists) {
  script.answer_open_file(path("fw/missing"));
  script.answer_open_file(path("fw/app"));
  FileChoice chosen = choice("");
  EXPECT_TRUE(select_file_dialog(chosen, "Choose Firmware", true, s19_filter));
  EXPECT_EQ(chosen.file_name, path("fw/app.s19"));
  EXPECT_EQ(chosen.default_directory, path("fw"));
  ASSERT_EQ(script.log().size(), 3u);
  EXPECT_EQ(script.log()[0].text, "Choose Firmware");
  EXPECT_EQ(script.log()[0].answer, path("fw/missing.$_~"));
  EXPECT_EQ(script.log()[1].text, "Error - File " + path("fw/missing.s19") + " does not exist.");
  EXPECT_EQ(script.log()[1].answer, "OK");
  EXPECT_EQ(script.log()[2].answer, path("fw/app.$_~"));
}

TEST_F(SelectFileDialog, PatternsAndFoldersOpenTheDialogAndCancelKeepsTheName) {
  struct Case {
    std::string name;
    std::optional<std::string> answer;
    bool update;
    bool chosen;
    std::string result, directory;
  };
  const Case cases[] = {
      {path("fw/*.s19"), std::nullopt, true, false, path("fw/*.s19"), path("default")},
      {path("fw/"), std::nullopt, true, false, path("fw/*.s19"), path("default")},
      {"", path("default/boot.s19"), true, true, path("default/boot.s19"), path("default")},
      {path("fw/"), path("fw/app.s19"), true, true, path("fw/app.s19"), path("fw")},
      {path("fw/"), path("fw/app.s19"), false, true, path("fw/app.s19"), path("default")},
  };
  for (const Case& c : cases) {
    script.answer_open_file(c.answer);
    FileChoice chosen = choice(c.name);
    EXPECT_EQ(select_file_dialog(chosen, "Choose Firmware", c.update, s19_filter), c.chosen) << c.name;
    EXPECT_EQ(chosen.file_name, c.result) << c.name;
    EXPECT_EQ(chosen.default_directory, c.directory) << c.name;
  }
  EXPECT_TRUE(script.all_answered());
}

}  // namespace
}  // namespace vx::fwupdate
