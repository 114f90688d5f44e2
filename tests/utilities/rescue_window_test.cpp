#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/scripted_dialogs.h"
#include "platform/ws/color.h"
#include "platform/ws/timer.h"
#include "support/temp_dir.h"
#include "tests/utilities/rescue_command_file.h"
#include "tests/platform/ws_test_support.h"
#include "utilities/kexec.h"
#include "utilities/osbdm_update_firmware_form.h"

namespace vx::utilities {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> lines_of(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The recovery window over a program directory with blanks in its name, a
// programmer stand-in that records its arguments, and a scripted file dialog.
class RescueWindow : public ws::testing_support::WindowSystemTest {
 protected:
  void SetUp() override {
    WindowSystemTest::SetUp();
    reset_kexec_state();
    fs::create_directories(dir.path() / "rescue kit" / "firmware files");
    program_dir = dir.file("rescue kit") + "/";
    firmware = program_dir + "firmware files/osbdm 1.2.s19";
    std::ofstream(firmware) << "S9030000FC\r\n";
    previous_dialogs = platform::install_dialog_responder(&dialogs);
    window = std::make_unique<TForm1>(program_dir);
  }
  void TearDown() override {
    window.reset();
    platform::install_dialog_responder(previous_dialogs);
    WindowSystemTest::TearDown();
  }

  // The programmer's stand-in: records its arguments one a line, then runs `body`.
  void install_programmer(const std::string& body) const {
    const std::string path = program_dir + programmer_file_name;
    std::ofstream(path) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" << program_dir
                        << "arguments\"\n" << body << "\n";
    chmod(path.c_str(), 0755);
  }
  void pick(const std::optional<std::string>& file) {
    dialogs.answer_open_file(file);
    window->Button1Click();
  }

  test::TempDir dir;
  std::string program_dir, firmware;
  platform::ScriptedResponder dialogs;
  platform::DialogResponder* previous_dialogs = nullptr;
  std::unique_ptr<TForm1> window;
};

TEST_F(RescueWindow, StartsIdleWithItsControls) {
  window->FormCreate();
  EXPECT_EQ(window->caption(), "OSBDM Firmware Update Utility - Version 1.03 - www.velmorix.example");
  EXPECT_EQ(window->width(), 646);
  EXPECT_EQ(window->height(), 473);
  EXPECT_EQ(window->FirmwareNameLabel().caption(), "Unselected ");
  EXPECT_TRUE(window->FirmwareNameLabel().font().bold);
  EXPECT_FALSE(window->UpdateButton().enabled());
  EXPECT_FALSE(window->showlogfilebutton().enabled());
  EXPECT_EQ(window->Label6().caption(), "Not Running.");
  EXPECT_EQ(window->Label6().font().color, ws::color::navy);
  EXPECT_EQ(window->Label5().caption(), "None.");
  EXPECT_TRUE(window->RadioButton1().checked());
  EXPECT_EQ(window->GroupBox1().caption(), "Update Methodology");
  EXPECT_EQ(window->default_directory(), dir.file("rescue kit")) << "the program's directory without its separator";
}

TEST_F(RescueWindow, AChosenFileEnablesUpdateAndACancelClearsTheChoice) {
  window->FormCreate();
  pick(firmware);
  EXPECT_EQ(window->FirmwareNameLabel().caption(), "osbdm 1.2.s19");
  EXPECT_TRUE(window->UpdateButton().enabled());
  EXPECT_EQ(window->firmware_file_name(), firmware);
  EXPECT_EQ(window->default_directory(), program_dir + "firmware files") << "the dialog moved to the file's folder";
  ASSERT_EQ(dialogs.log().size(), 1u);
  EXPECT_EQ(dialogs.log()[0].text, "Choose OSBDM Firmware Version");

  pick(std::nullopt);
  ASSERT_EQ(dialogs.log().size(), 2u) << "a second Select opens the dialog again";
  EXPECT_EQ(window->FirmwareNameLabel().caption(), "Unselected");
  EXPECT_FALSE(window->UpdateButton().enabled());
  EXPECT_EQ(window->firmware_file_name(), "");
}

TEST_F(RescueWindow, UpdateWritesTheCommandFileAndRunsTheProgrammerBesideIt) {
  install_programmer("exit 0");
  window->FormCreate();
  pick(firmware);
  window->UpdateButtonClick();
  const std::string d = program_dir;
  EXPECT_EQ(test::read_file(d + "OSBDMUPDATECMDLINE.CFG"),
            test::rescue_command_file(d, d + "firmware files/osbdm 1.2.s19"));
  EXPECT_EQ(lines_of(d + "arguments"),
            (std::vector<std::string>{"!", d + "OSBDMUPDATECMDLINE.CFG", "PORT=USB1", "INTERFACE=USBQUORVEX", "/logfile",
                                      d + "firmwareupdate.log"}));
  EXPECT_EQ(window->Label5().caption(), "Success.");
  EXPECT_EQ(window->GroupBox3().color(), ws::color::green);
  EXPECT_EQ(window->Label5().font().color, ws::color::white);
  EXPECT_EQ(window->Label6().caption(), "Not Running.");
  EXPECT_EQ(window->Label6().font().color, ws::color::black);
  EXPECT_EQ(window->GroupBox2().color(), ws::color::button_face);
  EXPECT_TRUE(window->UpdateButton().enabled());
  EXPECT_TRUE(window->showlogfilebutton().enabled());
}

TEST_F(RescueWindow, TheResultShowsTheProgrammersExitCodeOrTheStartError) {
  struct Case {
    const char* what;
    std::optional<std::string> programmer;
    const char* text;
    ws::Color colour;
  };
  const Case cases[] = {
      {"success", "exit 0", "Success.", ws::color::green},
      {"a failed script", "exit 33", "Error 33 occured.", ws::color::maroon},
      {"no interface", "exit 32", "Error 32 occured.", ws::color::maroon},
      {"no programmer beside the program", std::nullopt, "Error 2 occured.", ws::color::maroon},
  };
  window->FormCreate();
  pick(firmware);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(program_dir + programmer_file_name);
    if (c.programmer) install_programmer(*c.programmer);
    window->UpdateButtonClick();
    EXPECT_EQ(window->Label5().caption(), c.text);
    EXPECT_EQ(window->GroupBox3().color(), c.colour);
    EXPECT_EQ(window->GroupBox3().font().color, ws::color::white);
    EXPECT_TRUE(window->UpdateButton().enabled()) << "a second run can follow";
  }
}

TEST_F(RescueWindow, WhileTheProgrammerRunsTheWindowShowsItAndKeepsUpdateOut) {
  const std::string release = program_dir + "release";
  install_programmer("while [ ! -e \"" + release + "\" ]; do sleep 0.01; done\nexit 0");
  window->FormCreate();
  pick(firmware);
  bool seen = false;
  ws::Timer look(20);
  look.on_timer = [&](ws::Timer& self) {
    self.set_enabled(false);
    seen = window->Label6().caption() == "Running..." && window->GroupBox2().color() == ws::color::navy &&
           window->Label6().font().color == ws::color::white && !window->UpdateButton().enabled() &&
           window->Label5().caption() == "None.";
    std::ofstream(release) << "";
  };
  window->UpdateButtonClick();
  EXPECT_TRUE(seen);
  EXPECT_EQ(window->Label5().caption(), "Success.");
}

TEST_F(RescueWindow, TheChoiceAndTheDialogFolderSurviveInTheSettingsFile) {
  window->FormCreate();
  pick(firmware);
  window->FormDestroy();
  const std::string settings = test::read_file(program_dir + "Settings.Ini");
  EXPECT_NE(settings.find("FIRMWAREFILENAME=" + firmware), std::string::npos) << settings;
  EXPECT_NE(settings.find("PATH=" + program_dir + "firmware files"), std::string::npos) << settings;

  window = std::make_unique<TForm1>(program_dir);
  window->FormCreate();
  EXPECT_EQ(window->FirmwareNameLabel().caption(), "osbdm 1.2.s19");
  EXPECT_TRUE(window->UpdateButton().enabled());

  fs::remove(firmware);
  window = std::make_unique<TForm1>(program_dir);
  window->FormCreate();
  EXPECT_EQ(window->FirmwareNameLabel().caption(), "Unselected ") << "a vanished file leaves the window idle";
  EXPECT_FALSE(window->UpdateButton().enabled());
}

TEST_F(RescueWindow, ACommandFileThatCannotBeWrittenStartsNothing) {
  install_programmer("exit 0");
  const std::string command_file = program_dir + "OSBDMUPDATECMDLINE.CFG";
  std::ofstream(command_file) << "QU\r\n";
  chmod(command_file.c_str(), 0444);
  window->FormCreate();
  pick(firmware);
  dialogs.answer_message(platform::result_ok);
  window->UpdateButtonClick();
  ASSERT_EQ(dialogs.log().size(), 2u);
  EXPECT_NE(dialogs.log()[1].text.find(command_file), std::string::npos) << dialogs.log()[1].text;
  EXPECT_FALSE(fs::exists(program_dir + "arguments")) << "the programmer was not started";
  EXPECT_EQ(test::read_file(command_file), "QU\r\n");
  EXPECT_EQ(window->Label6().caption(), "Not Running.");
  EXPECT_EQ(window->Label5().caption(), "None.");
  EXPECT_TRUE(window->UpdateButton().enabled());
  EXPECT_FALSE(window->showlogfilebutton().enabled());
}

TEST_F(RescueWindow, ShowLogfileOpensTheLogByItsFullName) {
  const std::string tools = program_dir + "tools";
  fs::create_directory(tools);
  const std::string viewer = tools + "/xdg-open";
  std::ofstream(viewer) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" << program_dir
                        << "opened\"\n";
  chmod(viewer.c_str(), 0755);
  const std::string path = std::getenv("PATH");
  setenv("PATH", (tools + ":" + path).c_str(), 1);
  install_programmer("exit 0");
  window->FormCreate();
  pick(firmware);
  window->UpdateButtonClick();
  window->showlogfilebuttonClick();
  setenv("PATH", path.c_str(), 1);
  EXPECT_EQ(kexec_state().exec_result, 0);
  EXPECT_TRUE(window->showlogfilebutton().enabled());
  for (int pass = 0; pass < 1000 && lines_of(program_dir + "opened").empty(); ++pass) usleep(5000);
  EXPECT_EQ(lines_of(program_dir + "opened"), std::vector<std::string>{program_dir + "firmwareupdate.log"});
}

TEST_F(RescueWindow, ShowLogfileWithoutAViewerSaysSoAndNamesTheLog) {
  install_programmer("exit 0");
  window->FormCreate();
  pick(firmware);
  window->UpdateButtonClick();
  const std::string path = std::getenv("PATH");
  setenv("PATH", dir.file("no viewer here").c_str(), 1);
  dialogs.answer_message(platform::result_ok);
  window->showlogfilebuttonClick();
  setenv("PATH", path.c_str(), 1);
  ASSERT_FALSE(dialogs.log().empty());
  EXPECT_NE(dialogs.log().back().text.find(program_dir + "firmwareupdate.log"), std::string::npos)
      << dialogs.log().back().text;
  EXPECT_TRUE(window->showlogfilebutton().enabled());
}

// The result box's white font is the box's and its label's; the log button keeps a button's.
TEST_F(RescueWindow, TheLogButtonKeepsTheButtonFontColour) {
  install_programmer("exit 0");
  window->FormCreate();
  pick(firmware);
  window->UpdateButtonClick();
  EXPECT_EQ(window->Label5().font().color, ws::color::white);
  EXPECT_EQ(window->showlogfilebutton().font(), window->UpdateButton().font());
}

}  // namespace
}  // namespace vx::utilities
