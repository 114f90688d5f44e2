#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "foundation/status_output.h"
#include "interface/port_table.h"
#include "interface/serial_transport.h"
#include "programmer/port_startup.h"
#include "programmer_fixture.h"
#include "support/pty_pair.h"
#include "sim/simulated_world.h"
#include "support/scoped_platform.h"

namespace vx::programmer {
namespace {

using test::ProgrammerTest;

// The bench has no debug interface: a command line that is read to its end stops at the
// port, which has no base address.
constexpr std::int32_t reached_port = 32;

class CommandLineTest : public ProgrammerTest {
 protected:
  CommandLineTest() {
    script = write("run.cfg", "rem\n");
    reset_port_table();
    start_serial_transport();
  }
  ~CommandLineTest() override {
    close_all_ports();
    finish_serial_transport();
    reset_port_table();
  }

  // Parses the words, "SCRIPT" standing for an existing command file; the script result when it ended.
  std::optional<std::int32_t> parse(std::vector<std::string> words) {
    std::vector<ShortText> parameters;
    for (const std::string& word : words) parameters.emplace_back(word == "SCRIPT" ? script : word);
    reset_command_line(std::move(parameters));
    run_state().program_ending = false;
    ws::reset_application();
    return halt_of(parse_command_line);
  }

  bool shown(const std::string& text) const {
    for (const std::string& line : lines()) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  }

  std::string script;
  // LPTADDR stores the address in the registry.
  test::ScopedSerialMapping registry;
  sim::SimulatedWorld bench{sim::Scenario{}};
};

struct ErrorCase {
  std::vector<std::string> words;
  std::int32_t result;
  const char* message;
};

TEST_F(CommandLineTest, ErrorsEndTheScriptWithTheirResult) {
  const ErrorCase cases[] = {
      {{"X"}, 43, "Error - Invalid command line parameter (X)."},
      {{"SCRIPT", "0"}, 43, "Error - Invalid command line parameter (0)."},
      {{"SCRIPT", "9"}, 43, "Error - Invalid command line parameter (9)."},
      {{"SCRIPT", "nofile.cfg"}, 43, "Error - Invalid command line parameter (nofile.cfg)."},
      {{}, 40, "Configuration file not specified and file quill.cfg does not exist."},
      {{"SCRIPT", "FREQ", "abc"}, 42, "Error in frequency on command line."},
      {{"SCRIPT", "FREQ"}, 42, "Error in frequency on command line."},
      {{"SCRIPT", "BDM_SPEED", "x"}, 42, "Error in pci_delay number on command line."},
      {{"SCRIPT", "PCI_DELAY"}, 42, "Error in pci_delay number on command line."},
      {{"SCRIPT", "IO_DELAY_CNT", "65536"}, 42, "Error in io_delay_cnt number on command line."},
      {{"SCRIPT", "RESET_DELAY", "-1"}, 42, "Error in reset_delay number on command line."},
      {{"SCRIPT", "LPTADDR", "37G"}, 42, "Error in lptport address on command line.(37G)"},
      {{"SCRIPT", "LPTADDR"}, 42, "Error in lptport address on command line.()"},
      {{"SCRIPT", "/LOGFILE"}, 43, "Error in logfile name on command line.()"},
      {{"SCRIPT", "USBX"}, 54, "Error in Port/Interface settings on commandline."},
      {{"SCRIPT", "PORT=5", "INTERFACE=BDMQUORVEX"}, 54, "Error in Port/Interface settings on commandline."},
      {{"SCRIPT", "PORT=COM", "INTERFACE=TAMBERLY"}, 54, "Error in Port/Interface settings on commandline."},
      {{"SCRIPT", "PORT=USB0", "INTERFACE=USBQUORVEX"}, 54, "Error in Port/Interface settings on commandline."},
      {{"SCRIPT", "PORT=LPT1", "INTERFACE=USBQUORVEX"}, 54, "Error in Port/Interface settings on commandline."},
      {{"SCRIPT", "PORT=XYZ", "INTERFACE=TAMBERLYPRO"}, 54, "Error in Port/Interface settings on commandline."},
      {{"SCRIPT", "USB65521"}, 54, "Error in Port/Interface settings on commandline."},
      {{"SCRIPT", "PORT=COM65500"}, 54, "Error in Port/Interface settings on commandline."},
  };
  for (const ErrorCase& c : cases) {
    status_output().lines.clear();
    EXPECT_EQ(parse(c.words), c.result) << c.message;
    EXPECT_TRUE(shown(c.message)) << c.message;
  }
}

struct PortCase {
  std::vector<std::string> words;
  std::uint16_t port;
  std::int32_t interface_type;
  std::int32_t result = reached_port;
};

TEST_F(CommandLineTest, PortWordsChooseThePortAndInterface) {
  const PortCase cases[] = {
      {{"SCRIPT"}, 21, 1},
      {{"SCRIPT", "3"}, 3, 0},
      {{"SCRIPT", "lpt2"}, 2, 0},
      {{"SCRIPT", "PCI4"}, 14, 0},
      {{"SCRIPT", "PORT=PCI2"}, 12, 0},
      {{"SCRIPT", "USB2"}, 22, 1},
      {{"SCRIPT", "PORT=USB1"}, 21, 1},
      {{"SCRIPT", "PORT=USB2", "INTERFACE=USBQUORVEX"}, 22, 1},
      {{"INTERFACE=usbquorvex", "port=usb3", "SCRIPT"}, 23, 1},
      {{"SCRIPT", "PORT=4"}, 4, 0},
      {{"SCRIPT", "PORT=2", "INTERFACE=TETHER16/32"}, 2, 0},
      {{"SCRIPT", "PORT=COM3"}, 43, 2},
      {{"SCRIPT", "PORT=COM3", "INTERFACE=TAMBERLYPRO"}, 43, 2},
      {{"SCRIPT", "PORT=USB2", "INTERFACE=TAMBERLYMAX"}, 102, 4},
      {{"SCRIPT", "PORT=192.168.0.7"}, 61, 3},
      // The address makes port 1 present; no cable answers on it.
      {{"SCRIPT", "LPTADDR", "378"}, 1, 0, 45},
  };
  for (const PortCase& c : cases) {
    write("CQUILLHCS08.DSK", "[STARTUP]\nPORT=21\ninterface_selection=1\n");
    reset_startup_settings();
    ASSERT_EQ(parse(c.words), c.result) << c.words.back() << ": " << lines().back();
    EXPECT_EQ(command_line().selected_port, c.port) << c.words.back();
    EXPECT_EQ(startup_settings().saved_port, c.port) << c.words.back();
    EXPECT_EQ(startup_settings().interface_selection, c.interface_type) << c.words.back();
  }
}

// A port word passes over the word after it at once, as an option with a value does: the tests
// after it in the same pass see that word.
TEST_F(CommandLineTest, WordsAfterAPortWordAreSeenInTheSamePass) {
  const PortCase cases[] = {
      {{"SCRIPT", "USB1", "FREQ", "8000000"}, 21, 1},
      {{"SCRIPT", "PCI3", "FREQ", "8000000"}, 13, 0},
      {{"SCRIPT", "PORT=PCI2", "FREQ", "8000000"}, 12, 0},
      // SHOWPORTS is tested before USBn, so it never sees the word USBn passes over.
      {{"SCRIPT", "USB1", "SHOWPORTS", "FREQ", "8000000"}, 21, 1},
  };
  for (const PortCase& c : cases) {
    write("CQUILLHCS08.DSK", "[STARTUP]\nPORT=21\ninterface_selection=1\n");
    reset_startup_settings();
    const std::string label = c.words[1] + " " + c.words[2];
    ASSERT_EQ(parse(c.words), c.result) << label << ": " << lines().back();
    EXPECT_EQ(command_line().selected_port, c.port) << label;
    EXPECT_EQ(command_line().fixed_bus_frequency, 8000000) << label;
    EXPECT_FALSE(std::filesystem::exists(dir.file("ports.txt"))) << label << ": no port list";
  }
}

// Each line of the port list, fed back to the command line, chooses its port again.
TEST_F(CommandLineTest, PortListLinesChooseTheirPortAgain) {
  const struct {
    std::int32_t type;
    std::uint16_t port;
    const char* left_part;
  } cases[] = {
      {0, 2, "port=2"},
      {1, 23, "interface=usbquorvex port=USB3"},
      {2, 43, "interface=tamberly port=COM3"},
      {4, 101, "interface=tamberly port=USB1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(port_list_left_part(c.type, c.port), ShortText(c.left_part));
    std::vector<std::string> words{"SCRIPT"};
    std::istringstream parts(c.left_part);
    for (std::string word; parts >> word;) words.push_back(word);
    write("CQUILLHCS08.DSK", "[STARTUP]\nPORT=21\ninterface_selection=1\n");
    reset_startup_settings();
    ASSERT_EQ(parse(words), reached_port) << c.left_part << ": " << lines().back();
    EXPECT_EQ(command_line().selected_port, c.port) << c.left_part;
    EXPECT_EQ(startup_settings().interface_selection, c.type) << c.left_part;
  }
}

TEST_F(CommandLineTest, TheRecoveryUtilitysCommandLine) {
  const std::string log = dir.file("rescue log.txt");
  ASSERT_EQ(reached_port, parse({"!", "SCRIPT", "PORT=USB1", "INTERFACE=USBQUORVEX", "/logfile", log}));
  EXPECT_TRUE(run_state().exit_only_on_success);
  EXPECT_FALSE(run_state().never_exit);
  EXPECT_EQ(command_line().selected_port, 21);
  EXPECT_EQ(startup_settings().interface_selection, 1);
  EXPECT_TRUE(run_state().gui_status->log_recording());
  EXPECT_TRUE(std::filesystem::exists(log));
  EXPECT_TRUE(programmer_run().command_file_given);
}

TEST_F(CommandLineTest, SwitchesAndTuningValues) {
  ASSERT_EQ(reached_port, parse({"SCRIPT", "?", "v", "/NCL08", "NOSORT", "nOsCaN", "FREQ", "$100", "BDM_SPEED", "5",
                      "IO_DELAY_CNT", "9999", "RESET_DELAY", "0x20", "HIDEAPP", "ACTIVATECOMMAND=27"}));
  const CommandLine& line = command_line();
  EXPECT_TRUE(run_state().never_exit);
  EXPECT_TRUE(line.skip_srecord_range_check);
  EXPECT_TRUE(vx::connection_settings().ncl08_mode);
  EXPECT_FALSE(line.sort_flag);
  EXPECT_FALSE(line.scan_ethernet_discovery);
  EXPECT_TRUE(line.fixed_bus_frequency_set);
  EXPECT_EQ(line.fixed_bus_frequency, 256);
  EXPECT_EQ(startup_settings().bdm_speed, 5);
  EXPECT_EQ(vx::connection_settings().io_delay_cnt, 9999) << "the command line is not capped";
  EXPECT_TRUE(startup_settings().io_delay_set);
  EXPECT_EQ(vx::connection_settings().reset_delay_ms, 32);
  EXPECT_TRUE(line.hide_main_window);
  EXPECT_TRUE(command_table().entries[27].default_offered);
  EXPECT_FALSE(command_table().entries[27].enabled);
}

TEST_F(CommandLineTest, AParallelPortAddressIsHexadecimalWithOrWithoutDollar) {
  for (const char* address : {"378", "$378"}) {
    ASSERT_EQ(parse({"SCRIPT", "LPTADDR", address}), 45) << "no cable answers at the address: " << address;
    EXPECT_TRUE(command_line().user_lpt_address_set);
    EXPECT_EQ(port_table().values[1], 0x378u) << "the rescan stores the address";
    EXPECT_EQ(command_line().user_lpt_address, 0x378u) << address;
  }
}

TEST_F(CommandLineTest, AnEthernetPortOrNoscanKeepsTheScanOffTheNetwork) {
  const std::pair<std::vector<std::string>, bool> cases[] = {
      {{"SCRIPT"}, true}, {{"SCRIPT", "NOSCAN"}, false}, {{"port=10.0.0.5", "SCRIPT"}, false}};
  for (const auto& [words, discovery] : cases) {
    reset_command_line();
    ASSERT_EQ(reached_port, parse(words));
    EXPECT_EQ(command_line().scan_ethernet_discovery, discovery) << words.front();
  }
}

TEST_F(CommandLineTest, ActivateCommandTakesOnlyCommandNumbers) {
  for (const char* word : {"ACTIVATECOMMAND=0", "ACTIVATECOMMAND=71", "ACTIVATECOMMAND=x"}) {
    EXPECT_EQ(parse({"SCRIPT", word}), 43) << word;
  }
  EXPECT_EQ(reached_port, parse({"SCRIPT", "ACTIVATECOMMAND=$46"}));
  EXPECT_TRUE(command_table().entries[70].default_offered);
}

TEST_F(CommandLineTest, TheSyncLengthIsDecimalAndABadOneIsShownInABox) {
  ASSERT_EQ(reached_port, parse({"SCRIPT", "/NCL08SYNC", "200"}));
  EXPECT_TRUE(vx::connection_settings().ncl08_mode);
  EXPECT_EQ(vx::connection_settings().ncl08_sync_value, 200);
  EXPECT_EQ(command_tokens().default_radix, 16);

  ASSERT_EQ(reached_port, parse({"SCRIPT", "/NCL08SYNC", "0"}));
  EXPECT_EQ(vx::connection_settings().ncl08_sync_value, 200) << "0 keeps the length";

  test::RecordingResponder responder(platform::result_ok);
  EXPECT_EQ(parse({"SCRIPT", "/NCL08SYNC", "abc"}), 93);
  ASSERT_EQ(responder.shown.size(), 1u);
  EXPECT_EQ(responder.shown[0].text, "Error in command-line /NCL08SYNC options.");
}

TEST_F(CommandLineTest, ALogFileNamedHideappAlsoHidesTheWindow) {
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  ASSERT_EQ(reached_port, parse({"/LOGFILE", "HIDEAPP", "SCRIPT"}));
  std::filesystem::current_path(previous);
  EXPECT_TRUE(std::filesystem::exists(dir.file("HIDEAPP")));
  EXPECT_TRUE(command_line().hide_main_window);
}

TEST_F(CommandLineTest, TheWordAfterUsbnIsSkipped) {
  EXPECT_EQ(parse({"USB2", "SCRIPT"}), 40);
  write("quill.cfg", "rem\n");
  EXPECT_EQ(reached_port, parse({"USB2", "SCRIPT"}));
  EXPECT_EQ(command_line().selected_port, 22);
}

TEST_F(CommandLineTest, EveryFileIsPreprocessedAndTheLastOneRuns) {
  const std::string first = write("first.cfg", ":POWERUPDELAY 11\nfirst\n");
  const std::string second = write("second.cfg", ":POWERDOWNDELAY 22\nsecond\n");
  ASSERT_EQ(reached_port, parse({first, second}));
  EXPECT_EQ(vx::connection_settings().power_up_delay_ms, 11);
  EXPECT_EQ(vx::connection_settings().power_down_delay_ms, 22);
  ShortText line;
  ASSERT_TRUE(programmer_run().command_file.read_line(line));
  EXPECT_EQ(line, ":POWERDOWNDELAY 22");
}

TEST_F(CommandLineTest, QuillCfgBesideTheProgramIsTheDefaultCommandFile) {
  write("quill.cfg", ":POWERUPDELAY 33\n");
  ASSERT_EQ(reached_port, parse({}));
  EXPECT_TRUE(programmer_run().command_file_given);
  EXPECT_EQ(vx::connection_settings().power_up_delay_ms, 33);
}

TEST_F(CommandLineTest, AnUnreadableCommandFileIsRefused) {
  std::filesystem::create_directory(dir.file("folder.cfg"));
  EXPECT_EQ(parse({dir.file("folder.cfg")}), 43);
}

TEST_F(CommandLineTest, PerRunValuesStartAfresh) {
  programmer_run().object_file_name = "old.s19";
  programmer_run().object_file_specified = true;
  programmer_run().current_address = 5;
  ASSERT_EQ(reached_port, parse({"SCRIPT"}));
  EXPECT_EQ(programmer_run().object_file_name, "none");
  EXPECT_FALSE(programmer_run().object_file_specified);
  EXPECT_EQ(programmer_run().current_address, 0);
  EXPECT_TRUE(command_table().entries[9].enabled) << "the command tables are reset";
}

TEST_F(CommandLineTest, HideappIsOverruledByAQuestionMarkAnywhere) {
  const std::pair<std::vector<ShortText>, bool> cases[] = {
      {{"HIDEAPP"}, true}, {{"hideapp", "?"}, false}, {{"?", "HIDEAPP"}, false}, {{"HIDEAPPX"}, false}};
  for (const auto& [words, hidden] : cases) {
    reset_command_line(words);
    read_window_switches();
    EXPECT_EQ(command_line().hide_main_window, hidden) << words.front();
  }
}

TEST_F(CommandLineTest, ACommandFileIsNamedByAnyExistingFileButTheLog) {
  reset_command_line({"/LOGFILE", ShortText(script), "NOSCAN"});
  EXPECT_FALSE(command_file_named());
  reset_command_line({"NOSCAN", ShortText(script)});
  EXPECT_TRUE(command_file_named());
}

}  // namespace
}  // namespace vx::programmer
