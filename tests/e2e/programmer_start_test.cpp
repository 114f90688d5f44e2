#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/ini_document.h"
#include "platform/instance.h"
#include "programmer_run.h"
#include "support/pty_pair.h"

namespace vx {
namespace {

using test::ProgrammerInstall;
using test::run_programmer;

constexpr const char* remarks = "first remark\n\n   ; a comment\n:DEVICEPOWER 30\nlast remark\n";

std::string desktop_value(const ProgrammerInstall& install, const char* section, const char* key) {
  IniDocument::LoadStatus status{};
  const IniDocument desktop = IniDocument::load(install.file("CQUILLHCS08.DSK"), status);
  return desktop.value(section, key).value_or("<missing>");
}

std::vector<std::string> split_lines(const std::string& text, const std::string& end) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t found = text.find(end); found != std::string::npos; found = text.find(end, start)) {
    lines.push_back(text.substr(start, found - start));
    start = found + end.size();
  }
  return lines;
}

struct FailureCase {
  std::vector<std::string> arguments;
  int exit_code;
  const char* line;
};

TEST(ProgrammerStart, CommandLineFailuresEndWithTheirResult) {
  const FailureCase cases[] = {
      {{"NOSCAN", "X"}, 43, "Error - Invalid command line parameter (X)."},
      {{"NOSCAN", "9"}, 43, "Error - Invalid command line parameter (9)."},
      // Nobody can press "Quit" in a headless run: "!" and "?" do not keep it open.
      {{"!", "NOSCAN", "X"}, 43, "Error - Invalid command line parameter (X)."},
      {{"?", "HIDEAPP", "NOSCAN", "X"}, 43, "Error - Invalid command line parameter (X)."},
      {{"NOSCAN"}, 40, "Configuration file not specified and file quill.cfg does not exist."},
      {{"NOSCAN", "FREQ", "abc"}, 42, "Error in frequency on command line."},
      {{"NOSCAN", "IO_DELAY_CNT", "70000"}, 42, "Error in io_delay_cnt number on command line."},
      {{"NOSCAN", "PORT=USB0", "INTERFACE=USBQUORVEX", "SCRIPT"}, 54, "Error in Port/Interface settings on commandline."},
      {{"NOSCAN", "/LOGFILE", "/no/such/dir/log"}, 43, "Error in logfile name on command line.(/no/such/dir/log)"},
  };
  for (const FailureCase& c : cases) {
    ProgrammerInstall install;
    std::vector<std::string> arguments = c.arguments;
    for (std::string& argument : arguments) {
      if (argument == "SCRIPT") argument = install.write("remarks.cfg", remarks);
    }
    const test::ProgrammerResult result = run_programmer(install, arguments);
    EXPECT_EQ(result.exit_code, c.exit_code) << c.line;
    EXPECT_NE(result.output.find(std::string(c.line) + "\n"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("ERROR " + std::to_string(c.exit_code) + " during script!\n"), std::string::npos);
    EXPECT_NE(result.errors.find("ERROR " + std::to_string(c.exit_code) + " during script!"), std::string::npos);
  }
}

TEST(ProgrammerStart, ARemarksOnlyScriptRunsToItsEnd) {
  ProgrammerInstall install;
  const std::string script = install.write("remarks.cfg", remarks);
  const test::ProgrammerResult result = run_programmer(install, {"NOSCAN", script});
  EXPECT_EQ(result.exit_code, 0) << result.output << result.errors;
  EXPECT_NE(result.output.find("Pre-processed line 4 Ok ::DEVICEPOWER 30\n"), std::string::npos);
  EXPECT_NE(result.output.find("\n\nREM>first remark\n\nREM>\n\nREM>   ; a comment\n"), std::string::npos);
  EXPECT_NE(result.output.find("REM>last remark\n\n All programming steps completed.\n"), std::string::npos)
      << result.output;
  EXPECT_EQ(result.errors, "SUCCESS - All programming steps completed.\n");
  EXPECT_EQ(desktop_value(install, "STARTUP", "TamberlyPro_currentvoltage"), "128");
}

TEST(ProgrammerStart, AHiddenMainWindowChangesNothingOfTheRun) {
  ProgrammerInstall shown_install;
  ProgrammerInstall hidden_install;
  const test::ProgrammerResult shown =
      run_programmer(shown_install, {"NOSCAN", shown_install.write("remarks.cfg", remarks)});
  const test::ProgrammerResult hidden =
      run_programmer(hidden_install, {"HIDEAPP", "NOSCAN", hidden_install.write("remarks.cfg", remarks)});
  EXPECT_EQ(hidden.exit_code, shown.exit_code);
  EXPECT_EQ(hidden.output, shown.output);
  EXPECT_EQ(hidden.errors, shown.errors);
}

TEST(ProgrammerStart, CommandsBeforeAnAlgorithmAreRefusedButHelpAndQuitRun) {
  ProgrammerInstall install;
  const test::ProgrammerResult help =
      run_programmer(install, {"NOSCAN", install.write("help.cfg", "he ; help\nQU\nnever read\n")});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.output.find("CMD>he ; help\nLook at file cquill.doc for program information."), std::string::npos)
      << help.output;
  // The bench's target answers the check after the command.
  EXPECT_NE(help.output.find("information.\nCMD>QU\n"), std::string::npos) << help.output;
  EXPECT_EQ(help.output.find("Error communicating"), std::string::npos);
  EXPECT_EQ(help.output.find("never read"), std::string::npos);

  const test::ProgrammerResult refused = run_programmer(install, {"NOSCAN", install.write("pm.cfg", "PM\n")});
  EXPECT_EQ(refused.exit_code, 33);
  EXPECT_NE(refused.output.find("CMD>PMCommand is inactive for this .S8P file.\n"), std::string::npos)
      << refused.output;
}

TEST(ProgrammerStart, WithoutTheDefaultDesktopIndexEveryStartEndsWith99) {
  ProgrammerInstall install;
  std::filesystem::remove(install.file("CQLLVIDM.DEF"));
  const test::ProgrammerResult result =
      run_programmer(install, {"NOSCAN", install.write("remarks.cfg", remarks)});
  EXPECT_EQ(result.exit_code, 99);
  EXPECT_NE(result.errors.find("CQUILLHCS08 Programmer Error - Can't find default desktop files. Halting.\n"),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(install.file("CQUILLHCS08.DSK")));
}

TEST(ProgrammerStart, WithoutTheDesktopTheIndexNamesTheStartEndsWith98) {
  ProgrammerInstall install;
  std::filesystem::remove(install.file("CQLLSTD.DSK"));
  const test::ProgrammerResult result =
      run_programmer(install, {"NOSCAN", install.write("remarks.cfg", remarks)});
  EXPECT_EQ(result.exit_code, 98);
  EXPECT_NE(result.errors.find("Can't find default desktop files. Halting.\n"), std::string::npos);
}

// A desktop file that is no regular file is an input/output error of the start, never a wait for
// a writer that does not come. `timeout` ends a start that hangs, so that failure shows as 124.
TEST(ProgrammerStart, DesktopFilesThatAreNoRegularFilesEndTheStartWith97) {
  for (const char* name : {"CQUILLHCS08.DSK", "CQLLVIDM.DEF", "CQLLSTD.DSK"}) {
    SCOPED_TRACE(name);
    ProgrammerInstall install;
    std::filesystem::remove(install.file(name));
    ASSERT_EQ(mkfifo(install.file(name).c_str(), 0600), 0);
    const std::vector<std::string> arguments{"-s", "KILL", "5", install.program(), "NOSCAN",
                                             install.write("remarks.cfg", remarks)};
    test::ChildProcess child("/usr/bin/timeout", arguments, install.environment());
    EXPECT_EQ(child.wait_for_exit(), 97);
    EXPECT_NE(child.errors().find("Error in desktop files. Halting.\n"), std::string::npos) << child.errors();
  }
}

TEST(ProgrammerStart, TheDesktopIsWrittenAtTheFirstStartAndReadAtTheNext) {
  ProgrammerInstall install;
  const std::string script = install.write("remarks.cfg", remarks);
  ASSERT_EQ(run_programmer(install, {"NOSCAN", script}).exit_code, 0);
  EXPECT_EQ(desktop_value(install, "SCREENTYPE", "FILENAME"), "CQLLSTD.DSK");
  EXPECT_EQ(desktop_value(install, "STARTUP", "PORT"), "21");
  // Opening the port measures the target and chooses the speed divider.
  const std::string bench_divider = desktop_value(install, "STARTUP", "IO_DELAY_CNT");

  IniDocument::LoadStatus status{};
  IniDocument desktop = IniDocument::load(install.file("CQUILLHCS08.DSK"), status);
  desktop.set_value("STARTUP", "PORT", "20");
  desktop.set_value("STARTUP", "IO_DELAY_CNT", "9999");
  desktop.set_value("STARTUP", "USER_KEY", "kept");
  ASSERT_TRUE(desktop.save(install.file("CQUILLHCS08.DSK")));

  ASSERT_EQ(run_programmer(install, {"NOSCAN", script}).exit_code, 0);
  EXPECT_EQ(desktop_value(install, "STARTUP", "PORT"), "21");
  EXPECT_EQ(desktop_value(install, "STARTUP", "IO_DELAY_CNT"), bench_divider) << "the stored 9999 gave way to the sync";
  EXPECT_EQ(desktop_value(install, "STARTUP", "USER_KEY"), "kept");
  EXPECT_EQ(desktop_value(install, "SAVESETTINGS", "PRGFILEPATH"), install.dir.path().string());
}

TEST(ProgrammerStart, ConfigurationLineErrorsEndWith47QuotingTheLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"  :FOO 1", "Pre-Processing Error on line 2 of script.('  :FOO 1')"},
      {":POWERUPDELAY", "Pre-Processing Error on line 2 of script.(':POWERUPDELAY')"},
      {":POWERDOWNDELAY 129O", "Pre-Processing Error on line 2 of script.(':POWERDOWNDELAY 129O')"},
  };
  for (const auto& [line, report] : cases) {
    ProgrammerInstall install;
    const std::string script = install.write("bad.cfg", std::string(":DEVICEPOWER 50\n") + line + "\n");
    const test::ProgrammerResult result = run_programmer(install, {"NOSCAN", script});
    EXPECT_EQ(result.exit_code, 47) << line;
    EXPECT_NE(result.output.find("Pre-processed line 1 Ok ::DEVICEPOWER 50\n"), std::string::npos);
    EXPECT_NE(result.output.find(std::string(report) + "\nERROR 47 during script!\n"), std::string::npos)
        << result.output;
  }
}

TEST(ProgrammerStart, ConfigurationNumbersTakeEveryRadixForm) {
  const std::pair<const char*, const char*> cases[] = {
      {"101Q", "5"}, {"17O", "15"}, {"@17", "15"}, {"%101", "5"},  {"-$10", "-16"},
      {"10T", "10"}, {"0X1F", "31"}, {"$32", "50"}, {"1FH", "31"}, {"250", "250"},
  };
  std::vector<ProgrammerInstall> installs(std::size(cases));
  std::vector<test::ProgrammerLaunch> launches;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const std::string script = installs[i].write("numbers.cfg", std::string(":POWERUPDELAY ") + cases[i].first + "\n");
    launches.push_back({&installs[i], {"NOSCAN", script}});
  }
  const std::vector<test::ProgrammerResult> results = test::run_programmers(launches);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& [number, stored] = cases[i];
    ASSERT_EQ(results[i].exit_code, 0) << number;
    EXPECT_EQ(desktop_value(installs[i], "STARTUP", "TamberlyPro_PowerUpDelay"), stored) << number;
  }
}

TEST(ProgrammerStart, TheLogHoldsTheStatusLinesWithTheWindowsLineEnds) {
  ProgrammerInstall install;
  const std::string script = install.write("remarks.cfg", remarks);
  const std::string log = install.file("run log.txt");
  const test::ProgrammerResult result =
      run_programmer(install, {"!", script, "PORT=USB1", "INTERFACE=USBQUORVEX", "/logfile", log, "NOSCAN"});
  ASSERT_EQ(result.exit_code, 0) << result.output;
  const std::vector<std::string> logged = split_lines(test::read_file(log), "\r\n");
  const std::vector<std::string> shown = split_lines(result.output, "\n");
  ASSERT_FALSE(logged.empty());
  // The log starts with the first line written after it was opened.
  ASSERT_GE(shown.size(), logged.size());
  EXPECT_EQ(std::vector<std::string>(shown.end() - static_cast<std::ptrdiff_t>(logged.size()), shown.end()), logged);
  EXPECT_EQ(logged.back(), " All programming steps completed.");
  EXPECT_EQ(desktop_value(install, "STARTUP", "PORT"), "21");
  EXPECT_EQ(desktop_value(install, "STARTUP", "interface_selection"), "1");
}

TEST(ProgrammerStart, ALogOpenedBeforeTheCommandFileHoldsItsConfigurationLines) {
  ProgrammerInstall install;
  const std::string log = install.file("first.log");
  const test::ProgrammerResult result =
      run_programmer(install, {"NOSCAN", "/LOGFILE", log, install.write("remarks.cfg", remarks)});
  ASSERT_EQ(result.exit_code, 0);
  const std::string logged = test::read_file(log);
  EXPECT_EQ(logged.find('\x01'), std::string::npos) << "colour markers stay in the window";
  EXPECT_EQ(logged.rfind("\r\nPre-processed line 4 Ok ::DEVICEPOWER 30\r\nUSB HCS08/HCS12 QUORVEX detected - Flash "
                         "Version 5.12\r\n\r\n\r\nREM>first remark\r\n",
                         0),
            0u)
      << logged;
}

TEST(ProgrammerStart, PortUsbWithoutAnInterfaceKeepsTheSavedPort) {
  ProgrammerInstall install;
  const std::string script = install.write("remarks.cfg", remarks);
  const test::ProgrammerResult result = run_programmer(install, {"NOSCAN", script, "USB3", "PORT=USB5"});
  // The bench has two USB interfaces: the third is not there.
  EXPECT_EQ(result.exit_code, 32);
  EXPECT_NE(result.output.find("Error - Port is not available.\n"), std::string::npos) << result.output;
  EXPECT_EQ(desktop_value(install, "STARTUP", "PORT"), "23");
}

TEST(ProgrammerStart, ASecondCopyLeavesTheRunToTheFirst) {
  ProgrammerInstall install;
  const std::string script = install.write("remarks.cfg", remarks);
  setenv("VX_RUNTIME_DIR", install.file("run").c_str(), 1);
  platform::InstanceLock first_copy;
  ASSERT_FALSE(first_copy.probe(install.program() + ".RUN"));

  const test::ProgrammerResult plain = run_programmer(install, {"NOSCAN"});
  EXPECT_EQ(plain.exit_code, 0);
  EXPECT_EQ(plain.output, "");

  const test::ProgrammerResult with_script = run_programmer(install, {"NOSCAN", script});
  EXPECT_EQ(with_script.exit_code, 94);
  EXPECT_EQ(with_script.errors, "CQUILLHCS08 Programmer is already running; the command file was not run.\n");
  EXPECT_FALSE(std::filesystem::exists(install.file("CQUILLHCS08.DSK")));
  unsetenv("VX_RUNTIME_DIR");
}

struct StayOpenCase {
  std::vector<std::string> arguments;
  bool stays_open;
  int exit_code;
  const char* panel;
};

// At a terminal someone can press "Quit": "?" keeps every run open, "!" a failed one; closing
// the main window (SIGTERM headless) then ends the program with the script's result.
TEST(ProgrammerStart, AtATerminalTheSwitchesKeepTheProgramOpenUntilItIsClosed) {
  const StayOpenCase cases[] = {
      {{"?", "NOSCAN", "X"}, true, 43, "ERROR 43 during script!"},
      {{"!", "NOSCAN", "X"}, true, 43, "ERROR 43 during script!"},
      {{"?", "NOSCAN", "SCRIPT"}, true, 0, "SUCCESS - All programming steps completed."},
      {{"!", "NOSCAN", "SCRIPT"}, false, 0, "SUCCESS - All programming steps completed."},
      {{"NOSCAN", "X"}, false, 43, "ERROR 43 during script!"},
  };
  for (const StayOpenCase& c : cases) {
    ProgrammerInstall install;
    test::PtyPair terminal;
    ASSERT_TRUE(terminal.ok());
    std::vector<std::string> arguments = c.arguments;
    for (std::string& argument : arguments) {
      if (argument == "SCRIPT") argument = install.write("remarks.cfg", remarks);
    }
    test::ChildProcess child(install.program(), arguments, install.environment(), terminal.slave_path());
    if (c.stays_open) {
      for (int waited = 0; waited < 10'000 && child.errors().find(c.panel) == std::string::npos; waited += 5) {
        platform::clock().sleep_microseconds(5000);
      }
      ASSERT_NE(child.errors().find(c.panel), std::string::npos) << c.arguments.front();
      platform::clock().sleep_microseconds(100'000);
      EXPECT_EQ(desktop_value(install, "SAVESETTINGS", "PRGFILEPATH"), "<missing>") << "no shutdown yet";
      child.signal(SIGTERM);
    }
    EXPECT_EQ(child.wait_for_exit(), c.exit_code) << c.arguments.front() << " " << c.arguments.back();
    EXPECT_EQ(desktop_value(install, "SAVESETTINGS", "PRGFILEPATH"), install.dir.path().string());
  }
}

}  // namespace
}  // namespace vx
