#include <gtest/gtest.h>

#include "programmer_fixture.h"

namespace vx::programmer {
namespace {

using test::ProgrammerTest;

struct PowerCase {
  const char* line;
  std::uint8_t voltage;
  bool power_off_on_exit;
  bool relays;
};

TEST_F(ProgrammerTest, ConfigurationLinesSetThePowerOptions) {
  const PowerCase cases[] = {
      {":DEVICEPOWER 50", 255, false, true},
      {"    :DEVICEPOWER $32", 255, false, true},
      {":DEVICEPOWER 20 ; 2.0 V", 0, false, true},
      {":devicepower 3", 128, false, true},
      {":DEVICEPOWER 33", 77, false, true},
      {":POWEROFFONEXIT 0", 77, true, true},
      {":POWEROFFONEXIT 1", 77, false, true},
      {":USEPRORELAY", 77, false, true},
      {":USEPRORELAY x", 77, false, true},
      {":USEPRORELAY 0", 77, false, false},
  };
  for (const PowerCase& c : cases) {
    vx::reset_connection_settings();
    vx::connection_settings().supply_selection = 77;
    const std::string file = write("power.cfg", std::string("CM x\n") + c.line + "\n");
    EXPECT_FALSE(halt_of([&] { preprocess_command_file(ShortText(file)); })) << c.line;
    EXPECT_EQ(vx::connection_settings().supply_selection, c.voltage) << c.line;
    EXPECT_EQ(vx::connection_settings().power_off_on_exit, c.power_off_on_exit) << c.line;
    EXPECT_EQ(vx::connection_settings().power_relays_in_use, c.relays) << c.line;
    EXPECT_EQ(lines().back(), "Pre-processed line 2 Ok :\x01" + std::string(c.line)) << c.line;
  }
  EXPECT_EQ(command_tokens().default_radix, 16);
}

TEST_F(ProgrammerTest, AnUnknownVoltageIsReportedAndThePassGoesOn) {
  const std::string file = write("power.cfg", ":DEVICEPOWER 33\n:POWERUPDELAY 7\n");
  preprocess_command_file(ShortText(file));
  EXPECT_EQ(lines(), (std::vector<std::string>{
                         "Error specify voltage. Allowed values are 20 (for 2.0v), 30 (for 3.0v), or 50 (for 5.0v).",
                         "Pre-processed line 1 Ok :\x01:DEVICEPOWER 33", "Pre-processed line 2 Ok :\x01:POWERUPDELAY 7"}));
  EXPECT_EQ(vx::connection_settings().supply_selection, 255);
  EXPECT_EQ(vx::connection_settings().power_up_delay_ms, 7);
}

TEST_F(ProgrammerTest, DelaysAreDecimalWhilePreprocessing) {
  const std::string file = write("delays.cfg", ":POWERUPDELAY 10\n:POWERDOWNDELAY 20H\n");
  preprocess_command_file(ShortText(file));
  EXPECT_EQ(vx::connection_settings().power_up_delay_ms, 10);
  EXPECT_EQ(vx::connection_settings().power_down_delay_ms, 32);
}

TEST_F(ProgrammerTest, TheCustomTrimReferenceNeedsANumber) {
  const std::string file = write("trim.cfg", ":CUSTOMTRIMREF 32768.5\n");
  preprocess_command_file(ShortText(file));
  EXPECT_EQ(engine_settings().trim.custom_reference, 32768.5L);
  EXPECT_TRUE(engine_settings().trim.custom_override);

  for (const char* line : {":CUSTOMTRIMREF abc", ":CUSTOMTRIMREF"}) {
    preprocess_command_file(ShortText(write("trim.cfg", std::string(line) + "\n")));
    EXPECT_FALSE(engine_settings().trim.custom_override) << line;
    EXPECT_EQ(engine_settings().trim.custom_reference, 32768.5L) << line;
  }
}

TEST_F(ProgrammerTest, BadConfigurationLinesEndTheScriptWith47) {
  const std::pair<const char*, const char*> cases[] = {
      {":POWERUPDELAY", "Pre-Processing Error on line 2 of script.(':POWERUPDELAY')"},
      {"  :FOO 1", "Pre-Processing Error on line 2 of script.('  :FOO 1')"},
      {":POWEROFFONEXIT %12", "Pre-Processing Error on line 2 of script.(':POWEROFFONEXIT %12')"},
  };
  for (const auto& [line, report] : cases) {
    const std::string file = write("bad.cfg", std::string("rem\n") + line + "\n:DEVICEPOWER 20\n");
    vx::connection_settings().supply_selection = 255;
    // The halt before ends the program, and a program on its way out writes no status lines.
    run_state().program_ending = false;
    ws::reset_application();
    EXPECT_EQ(halt_of([&] { preprocess_command_file(ShortText(file)); }), 47) << line;
    const std::vector<std::string> shown = lines();
    EXPECT_NE(std::find(shown.begin(), shown.end(), std::string(report)), shown.end()) << line;
    EXPECT_EQ(vx::connection_settings().supply_selection, 255) << "the pass stops at the bad line";
    EXPECT_EQ(command_tokens().default_radix, 16);
  }
}

TEST_F(ProgrammerTest, AMissingOrWildcardFileIsPassedOver) {
  for (const std::string& name : {dir.file("none.cfg"), dir.file("*.cfg")}) {
    EXPECT_FALSE(halt_of([&] { preprocess_command_file(ShortText(name)); }));
  }
  EXPECT_TRUE(lines().empty());
}

TEST_F(ProgrammerTest, AnOverlongLineIsReadAsItsFirst255Characters) {
  const std::string line = ":POWERUPDELAY 9" + std::string(300, ' ') + "X";
  preprocess_command_file(ShortText(write("long.cfg", line + "\n:POWERDOWNDELAY 4\n")));
  EXPECT_EQ(vx::connection_settings().power_up_delay_ms, 9);
  EXPECT_EQ(vx::connection_settings().power_down_delay_ms, 4);
  EXPECT_EQ(lines().back(), "Pre-processed line 2 Ok :\x01:POWERDOWNDELAY 4");
}

}  // namespace
}  // namespace vx::programmer
