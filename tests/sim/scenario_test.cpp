#include "sim/scenario.h"

#include <gtest/gtest.h>

namespace vx::sim {
namespace {

TEST(Scenario, ReadsEverySetting) {
  const ScenarioResult result = parse_scenario(R"(
; comment
[time]
mode = real
usb_round_trip_us = 125
[target]
device = DEFAULT
state_file = flash.state
image = app.bin
image_address = 0xF000
secured = yes
[interface one]
family = ftdi
serial = VX3000001
description = VLX USB BDM
updated_firmware = 3.30
original_firmware = 3.02
checksum = no
running = original
[Interface two]
family = WinDriver
information = VLX,USB-QX-12 : USB Quorvex,QX1
vendor = 0x15A2
product = 1
updated_starts = no
refuse_erase = 1
refuse_row = 2
refuse_key = 3
refuse_checksum = 4
refuse_protect = 5
stuck_byte = 0xF8123
power_cut_after = 6
kill_after_write = 7
[interface three]
family = parallel
protect_byte = 0x80
)",
                                               "/base");
  ASSERT_TRUE(result.scenario) << result.error;
  const Scenario& scenario = *result.scenario;
  EXPECT_EQ(scenario.time_mode, SimClock::Mode::real_time);
  EXPECT_EQ(scenario.usb_round_trip_ns, 125'000u);
  EXPECT_EQ(scenario.target.state_file, "/base/flash.state");
  EXPECT_EQ(scenario.target.image, "/base/app.bin");
  EXPECT_EQ(scenario.target.image_address, 0xF000);
  EXPECT_TRUE(scenario.target.secured);
  ASSERT_EQ(scenario.interfaces.size(), 3u);
  const ScenarioInterface& ftdi = scenario.interfaces[0];
  EXPECT_EQ(ftdi.family, ScenarioInterface::Family::ftdi);
  EXPECT_EQ(ftdi.serial, "VX3000001");
  EXPECT_EQ(ftdi.firmware.updated_firmware, "3.30");
  EXPECT_EQ(ftdi.firmware.original_firmware, "3.02");
  EXPECT_FALSE(ftdi.firmware.updated_checksum);
  EXPECT_FALSE(ftdi.firmware.run_updated);
  const ScenarioInterface& windriver = scenario.interfaces[1];
  EXPECT_EQ(windriver.family, ScenarioInterface::Family::windriver);
  EXPECT_EQ(windriver.information, "VLX,USB-QX-12 : USB Quorvex,QX1");
  EXPECT_EQ(windriver.vendor, 0x15A2);
  EXPECT_EQ(windriver.product, 1);
  EXPECT_FALSE(windriver.firmware.updated_starts);
  const PodFlashFaults& faults = windriver.firmware.flash_faults;
  EXPECT_EQ((std::vector<std::uint32_t>{faults.refuse_erase, faults.refuse_row, faults.refuse_key, faults.refuse_checksum,
                                        faults.refuse_protect, faults.power_cut_after}),
            (std::vector<std::uint32_t>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(faults.stuck_byte, 0xF8123u);
  EXPECT_EQ(windriver.firmware.kill_after_write, 7u);
  EXPECT_EQ(ftdi.firmware.kill_after_write, 0u);
  EXPECT_EQ(scenario.interfaces[2].firmware.protect_byte, 0x80);
  EXPECT_EQ(ftdi.firmware.protect_byte, 0xFF);
  EXPECT_EQ(ftdi.firmware.flash_faults.stuck_byte, std::nullopt);
}

TEST(Scenario, DefaultsToVirtualTimeAndTheVendorPlaceholder) {
  const ScenarioResult result = parse_scenario("[interface]\nserial = VX3000001\n", "");
  ASSERT_TRUE(result.scenario);
  EXPECT_EQ(result.scenario->time_mode, SimClock::Mode::virtual_time);
  EXPECT_EQ(result.scenario->usb_round_trip_ns, 1'000'000u);
  EXPECT_EQ(result.scenario->interfaces[0].vendor, scenario_default_vendor);
  EXPECT_EQ(result.scenario->interfaces[0].firmware.updated_firmware, "5.12");
}

TEST(Scenario, ParallelCablesAndPciCards) {
  const ScenarioResult result = parse_scenario(R"([interface 1]
family = parallel
base = 0x278
updated_firmware = 4.02
[interface 2]
family = PCI
[interface 3]
family = parallel
)",
                                               "");
  ASSERT_TRUE(result.scenario) << result.error;
  const std::vector<ScenarioInterface>& interfaces = result.scenario->interfaces;
  ASSERT_EQ(interfaces.size(), 3u);
  EXPECT_EQ(interfaces[0].family, ScenarioInterface::Family::parallel);
  EXPECT_EQ(interfaces[0].base_address, 0x278);
  EXPECT_EQ(interfaces[0].firmware.updated_firmware, "4.02");
  EXPECT_EQ(interfaces[1].family, ScenarioInterface::Family::pci);
  EXPECT_EQ(interfaces[2].base_address, 0x378);

  std::string cables;
  for (int i = 0; i < 6; ++i) cables += "[interface]\nfamily = parallel\nbase = " + std::to_string(0x300 + 4 * i) + "\n";
  EXPECT_EQ(parse_scenario(cables, "").error, "more than 5 parallel cables");
  std::string cards;
  for (int i = 0; i < 7; ++i) cards += "[interface]\nfamily = pci\n";
  EXPECT_EQ(parse_scenario(cards, "").error, "more than 6 PCI cards");
}

TEST(Scenario, ProgrammersOnSerialLines) {
  const ScenarioResult result =
      parse_scenario("[programmer 1]\nmedium = serial\ncom = 3\nkill_after_write = 8\n"
                     "[programmer 2]\nmedium = SERIAL\n",
                     "");
  ASSERT_TRUE(result.scenario) << result.error;
  ASSERT_EQ(result.scenario->programmers.size(), 2u);
  EXPECT_EQ(result.scenario->programmers[0].medium, ScenarioProgrammer::Medium::serial);
  EXPECT_EQ(result.scenario->programmers[0].com, 3);
  EXPECT_EQ(result.scenario->programmers[1].com, 1) << "COM1 unless told";
  EXPECT_EQ(result.scenario->programmers[0].config.kill_after_write, 8u);
}

TEST(Scenario, OsbdmBoards) {
  const ScenarioResult result = parse_scenario(R"(
[osbdm 1]
version = 1, 1, 31, 2, 0, 2, 0x10, 6
exchange_status = 3
refuse_open = yes
[osbdm 2]
mode = bootloader
refuse_erase = yes
refuse_program = yes
verify_mismatch = yes
refuse_version = yes
plugged_in_after = 2
kill_after_write = 9
)",
                                               "");
  ASSERT_TRUE(result.scenario) << result.error;
  const std::vector<OsbdmBoardConfig>& boards = result.scenario->osbdm_boards;
  ASSERT_EQ(boards.size(), 2u);
  EXPECT_FALSE(boards[0].bootloader);
  EXPECT_EQ(boards[0].version, (std::array<std::uint8_t, 8>{1, 1, 31, 2, 0, 2, 0x10, 6}));
  EXPECT_EQ(boards[0].faults.exchange_status, 3);
  EXPECT_TRUE(boards[0].faults.refuse_open);
  EXPECT_TRUE(boards[1].bootloader);
  EXPECT_TRUE(boards[1].faults.refuse_erase && boards[1].faults.refuse_program && boards[1].faults.verify_mismatch &&
              boards[1].faults.refuse_version);
  EXPECT_EQ(boards[0].plugged_in_after, 0u) << "plugged in from the start";
  EXPECT_EQ(boards[1].plugged_in_after, 2u);
  EXPECT_EQ(boards[1].kill_after_write, 9u);
}

TEST(Scenario, RefusesWhatItCannotUseAndSaysWhere) {
  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {"mode = virtual", "line 1: setting outside a section"},
      {"[time]\nmode = slow", "line 2: time mode is virtual or real"},
      {"[time]\nusb_round_trip_us = 2000000", "line 2: bad round trip"},
      {"[weather]", "line 1: unknown section [weather]"},
      {"[target\n", "line 1: unclosed section name"},
      {"[target]\ndevice = hcs12", "line 2: unknown device model"},
      {"[target]\nimage_address = 0x10000", "line 2: bad number 0x10000"},
      {"[target]\nsecured = maybe", "line 2: expected yes or no"},
      {"[interface]\nfamily = serial", "line 2: family is ftdi, windriver, parallel or pci"},
      {"[interface]\nfamily = parallel\nbase = 0x40", "line 3: a parallel port's base lies above 0x40"},
      {"[interface]\nfamily = parallel\nbase = 0xFFFE", "line 3: bad number 0xFFFE"},
      {"[interface]\nfamily = parallel\n[interface]\nfamily = parallel\nbase = 888", "two parallel cables at one base address"},
      {"[interface]\nupdated_firmware = 512", "line 2: a firmware version reads like 5.12"},
      {"[interface]\nprotect_byte = 0x100", "line 2: bad number 0x100"},
      {"[interface]\nstuck_byte = 0x100000", "line 2: bad number 0x100000"},
      {"[interface]\nrefuse_row = -1", "line 2: bad number -1"},
      {"[interface]\nupdated_starts = sometimes", "line 2: expected yes or no"},
      {"[interface]\nserial = VX30000000000000001", "line 2: longer than 15 characters"},
      {"[interface]\ncolour = red", "line 2: unknown interface setting colour"},
      {"[interface]\nnothing here", "line 2: expected key = value"},
      {"[interface]\nfamily = ftdi", "an FTDI interface needs a serial"},
      {"[interface]\nfamily = windriver", "a WinDriver interface needs information"},
      {"[programmer 1]\nmedium = radio", "line 2: medium is udp, usb or serial"},
      {"[programmer 1]\ncom = 0", "line 2: com is 1 to 19"},
      {"[programmer 1]\ncom = 20", "line 2: bad number 20"},
      {"[programmer 1]\nmedium = serial\n[programmer 2]\nmedium = serial", "two programmers on one COM port"},
      {"[osbdm 1]\nmode = asleep", "line 2: mode is debug or bootloader"},
      {"[osbdm 1]\nversion = 1,2,3", "line 2: a version is eight bytes"},
      {"[osbdm 1]\nversion = 1,2,3,4,5,6,7,8,9", "line 2: a version is eight bytes"},
      {"[osbdm 1]\nversion = 1,2,3,4,5,6,7,256", "line 2: bad version byte"},
      {"[osbdm 1]\nrefuse_erase = often", "line 2: expected yes or no"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const ScenarioResult result = parse_scenario(c.text, "");
    EXPECT_FALSE(result.scenario);
    EXPECT_EQ(result.error, c.error);
  }
  std::string many;
  for (int i = 0; i < 39; ++i) many += "[interface]\nserial = VX3\n";
  EXPECT_EQ(parse_scenario(many, "").error, "line 77: too many interfaces");
  EXPECT_EQ(load_scenario("/nonexistent/scenario.ini").error, "cannot open /nonexistent/scenario.ini");
}

}  // namespace
}  // namespace vx::sim
