#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/hex_digits.h"
#include "foundation/kstring.h"
#include "foundation/status_output.h"
#include "programmer/algorithm_file.h"
#include "programmer/algorithm_routines.h"
#include "platform/ws/application.h"
#include "programmer/command_line.h"
#include "programmer/flash_controller.h"
#include "module_bench.h"

namespace vx::programmer {
namespace {

using target_testing::Bytes;
using test::ModuleBench;

struct Record {
  std::uint32_t address;
  Bytes data;
};

// The S1 records of an algorithm file, read here independently of the engine.
std::vector<Record> routine_records(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<Record> records;
  for (std::string line; std::getline(file, line);) {
    if (line.size() < 10 || line[0] != 'S' || line[1] != '1') continue;
    const auto byte_at = [&](std::size_t index) { return static_cast<std::uint8_t>(hex_pair(line, index)); };
    Record record{static_cast<std::uint32_t>(byte_at(4) << 8 | byte_at(6)), {}};
    for (std::size_t i = 0; i + 3 < byte_at(2); ++i) record.data.push_back(byte_at(8 + 2 * i));
    records.push_back(record);
  }
  return records;
}

std::vector<std::string> enabled_mnemonics() {
  std::vector<std::string> names;
  for (std::size_t n = 1; n <= command_count; ++n) {
    if (command_table().entries[n].enabled) names.push_back(command_table().entries[n].mnemonic.str());
  }
  return names;
}

TEST_F(ModuleBench, ChoosingTheModuleLeavesTheRoutineInRamAndEnablesWhatItOffers) {
  const std::string file = algorithm("SIM60_BYTE.S8P");
  ASSERT_EQ(choose(file + " 8000"), std::nullopt) << status_output().lines.back();
  for (const Record& record : routine_records(file)) {
    EXPECT_EQ(bench.ram(static_cast<std::uint16_t>(record.address), record.data.size()), record.data)
        << std::hex << record.address;
  }
  const ModuleState& module = module_state();
  EXPECT_EQ(module.cm_base_address, 0x8000u);
  EXPECT_EQ(module.algorithm_base_address, 0x0100u);
  EXPECT_EQ(module_start(), 0x10B0u);
  EXPECT_EQ(device_address(0x8000), 0x10B0u);
  EXPECT_EQ(module.entries[entry::module_enable], 0u) << "the routine runs once per CM";
  EXPECT_TRUE(programmer_run().algorithm_loaded);
  EXPECT_EQ(enabled_mnemonics(), (std::vector<std::string>{"BM", "BR", "EB", "EM", "PB", "PM", "CM", "VM", "VR", "UM",
                                                           "UR", "SS", "SM", "HE", "QU", "RE", "DE", "VC", "SA", "CS",
                                                           "PS", "GO", "EN", "PR", "SC", "VV"}));
  EXPECT_EQ(module.module_ranges.count, 2u);
  EXPECT_FALSE(module.blocking) << "byte routines need no blocking";
}

TEST_F(ModuleBench, TheModuleEnableRoutineGetsTheTimingFactorAndTheDivider) {
  ASSERT_EQ(choose(algorithm("SIM60_BYTE.S8P") + " 8000"), std::nullopt);
  const ModuleState& module = module_state();
  const std::uint32_t frequency = sync_state().last_frequency;
  EXPECT_EQ(module.timing_factor, static_cast<std::int32_t>(frequency * 33ull / 8'000'000));
  EXPECT_EQ(module.fcdiv_value, static_cast<std::uint16_t>(flash_clock_divider(static_cast<std::int32_t>(frequency))));
  EXPECT_EQ(last_register_write(bdc::WRITE_HX),
            (Bytes{bdc::WRITE_HX, hi(static_cast<std::uint16_t>(module.timing_factor)),
                   lo(static_cast<std::uint16_t>(module.timing_factor))}));
  EXPECT_EQ(last_register_write(bdc::WRITE_A), (Bytes{bdc::WRITE_A, static_cast<std::uint8_t>(module.fcdiv_value)}));
  const std::string done = "Done.(FCDIV=$" + hex_byte(bench.mcu.peek(flash::FCDIV)).str() + ")";
  EXPECT_NE(status_output().lines.back().find(done), std::string::npos) << status_output().lines.back();
}

TEST_F(ModuleBench, WordRoutinesReadAShortTableAndBlockOnWords) {
  ASSERT_EQ(choose(algorithm("SIM60_NO_BYTE_WRITES.S8P") + " 8000"), std::nullopt);
  const ModuleState& module = module_state();
  EXPECT_TRUE(module.short_table);
  ASSERT_NE(module.entries[entry::program_word], 0u);
  EXPECT_EQ(module.entries[entry::program_word],
            static_cast<std::uint32_t>(bench.mcu.peek(0x0100 + 22) << 8 | bench.mcu.peek(0x0100 + 23)))
      << "entry 11 lies at base + 22";
  EXPECT_TRUE(module.blocking);
  EXPECT_EQ(module.blocking_mask, 1u);
  EXPECT_TRUE(command_table().entries[command::PW].enabled);
  EXPECT_FALSE(command_table().entries[command::PB].enabled) << "NO_BYTE_WRITES";
}

TEST_F(ModuleBench, TheCallTableOnTheWire) {
  ASSERT_EQ(choose(algorithm("SIM60_USER_PARAM.S8P") + " 8000"), std::nullopt);
  const ModuleState& module = module_state();
  const auto block = static_cast<std::uint16_t>(module.entries[entry::parameter_block]);
  const auto pc_of = [&](std::size_t n) {
    return Bytes{bdc::WRITE_PC, hi(static_cast<std::uint16_t>(module.entries[n])),
                 lo(static_cast<std::uint16_t>(module.entries[n]))};
  };

  bench.forget_sent();
  const RoutineOutcome erase = call_erase_routine(entry::erase_module, 0x10B0, 0xEF50);
  EXPECT_EQ(written_word(block + 2), 0x10B0);
  EXPECT_EQ(written_word(block + 4), 0xEF50);
  EXPECT_EQ(last_register_write(bdc::WRITE_PC), pc_of(entry::erase_module));
  EXPECT_TRUE(bench.sent({bdc::WRITE_HX}).empty()) << "erase writes PC and SP only";
  EXPECT_FALSE(erase.failed());

  bench.forget_sent();
  std::uint32_t first_non_blank = 0;
  const RoutineOutcome blank = call_blank_check_routine(false, 0x10B0, 0x100, first_non_blank);
  EXPECT_FALSE(blank.failed()) << "erased just now";
  EXPECT_EQ(last_register_write(bdc::WRITE_PC), pc_of(entry::blank_check_byte));

  bench.forget_sent();
  call_program_routine(0x00123456, 4);
  EXPECT_EQ(written_word(block + 0), static_cast<std::uint16_t>(module.entries[entry::ram_buffer]));
  EXPECT_EQ(written_word(block + 2), 0x3456);
  EXPECT_EQ(written_word(block + 4), 4);
  EXPECT_EQ(last_register_write(bdc::WRITE_HX), (Bytes{bdc::WRITE_HX, 0x00, 0x12}));
  EXPECT_EQ(last_register_write(bdc::WRITE_PC), pc_of(entry::program_byte));

  bench.forget_sent();
  call_user_routine(0, 0x00ABCDEF);
  EXPECT_EQ(written_word(block + 0), static_cast<std::uint16_t>(module.entries[entry::ram_buffer]));
  EXPECT_EQ(written_word(block + 2), static_cast<std::uint16_t>(module.entries[entry::module_start]));
  EXPECT_EQ(last_register_write(bdc::WRITE_A), (Bytes{bdc::WRITE_A, 0xAB}));
  EXPECT_EQ(last_register_write(bdc::WRITE_HX), (Bytes{bdc::WRITE_HX, 0xCD, 0xEF}));
  EXPECT_EQ(last_register_write(bdc::WRITE_PC), pc_of(entry::first_user_routine));
}

TEST_F(ModuleBench, UserCommandsTakeTheirMnemonicAndABadHexParameterEndsWith39) {
  ASSERT_EQ(choose(algorithm("SIM60_USER_PARAM.S8P") + " 8000"), std::nullopt);
  CommandEntry& user = command_table().entries[command::first_user];
  EXPECT_EQ(user.mnemonic, "EP");
  EXPECT_TRUE(user.enabled);
  EXPECT_EQ(module_state().user_commands[0].parameter_max, 0xEF4Fu);
  EXPECT_NE(module_state().user_commands[0].routine, 0u);

  static std::uint32_t parameter = 0;
  register_command_handler(command::first_user, [] { parameter = hex_parameter(); });
  const auto run_line = [&](const std::string& line) {
    write("user.cfg", line + "\n");
    run_state().program_ending = false;
    ws::reset_application();
    programmer_run().command_file.open(ShortText(dir.file("user.cfg")));
    return halt_of([] {
      get_next_command();
      run_command_handler(command_loop().command_code);
    });
  };
  EXPECT_EQ(run_line("ep 1200"), std::nullopt);
  EXPECT_EQ(parameter, 0x1200u);
  for (const char* bad : {"EP $1200", "EP 0x1200", "EP 12G0", "EP"}) {
    EXPECT_EQ(run_line(bad), 39) << bad;
    const auto& shown = status_output().lines;
    EXPECT_EQ(shown[shown.size() - 2],
              "CMD>\x01" + std::string(bad) + "Error converting hexadecimal command number (Bad command parameter).");
  }
}

TEST_F(ModuleBench, ResetAfterChoosingKeepsOnlyTheStartCommands) {
  ASSERT_EQ(choose(algorithm("SIM60_BYTE.S8P") + " 8000"), std::nullopt);
  ASSERT_TRUE(run_command_handler(command::RE));
  EXPECT_FALSE(programmer_run().algorithm_loaded);
  EXPECT_EQ(programmer_run().current_address, 0);
  EXPECT_EQ(enabled_mnemonics(), (std::vector<std::string>{"CM", "SS", "HE", "QU", "RE", "DE", "GO"}));
  EXPECT_EQ(status_output().lines.back().find("Target has been RESET and is active."),
            status_output().lines.back().size() - 36);
}

TEST_F(ModuleBench, AFailedEnableClearsTheLoadedFlag) {
  EXPECT_EQ(choose(algorithm("SIM60_ENABLE_FAILS.S8P") + " 8000"), 15);
  EXPECT_FALSE(programmer_run().algorithm_loaded);
  EXPECT_FALSE(command_table().entries[command::PM].enabled);
}

TEST_F(ModuleBench, AMissingBaseAddressAfterTheEnablesLeavesNothingLoaded) {
  EXPECT_EQ(choose(algorithm("SIM60_BYTE.S8P")), 39);
  EXPECT_FALSE(programmer_run().algorithm_loaded) << "the desktop keeps no failed algorithm";
}

TEST_F(ModuleBench, ABaseAddressAfterAFileNameWithBlanks) {
  const std::string copy = write("my algo.S8P", [&] {
    std::ifstream in(algorithm("SIM60_BYTE.S8P"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }());
  ASSERT_EQ(choose(copy + " 9000"), std::nullopt);
  EXPECT_EQ(programmer_run().algorithm_file_name, copy);
  EXPECT_EQ(module_state().cm_base_address, 0x9000u);
}

TEST_F(ModuleBench, AFailedTrimMeasurementIsReportedAndLeavesPtInactive) {
  ASSERT_EQ(choose(algorithm("SIM60_TRIM.S8P") + " 10B0"), std::nullopt) << status_output().lines.back();
  EXPECT_FALSE(module_state().trim.enabled);
  EXPECT_FALSE(command_table().entries[command::PT].enabled);
  bool reported = false;
  for (const std::string& line : status_output().lines) {
    reported = reported || line.find("Error measuring trim values.") != std::string::npos;
  }
  EXPECT_TRUE(reported);
  EXPECT_EQ(module_state().cm_base_address, 0x10B0u);
}

TEST_F(ModuleBench, TheDefaultDeviceFileMeasuresItsTrimForPt) {
  ASSERT_EQ(choose(algorithm("9S08JM60.S8p")), std::nullopt) << status_output().lines.back();
  EXPECT_TRUE(module_state().trim.enabled);
  EXPECT_TRUE(command_table().entries[command::PT].enabled);
  EXPECT_EQ(module_state().cm_base_address, 0x10B0u) << "NO_BASE_ADDRESS with its value";
}

TEST_F(ModuleBench, KeywordsThatWriteTheTarget) {
  apply_keyword_line("WRITE_LONG=CAFEF00D/00000080/");
  apply_keyword_line("WRITE_WORD=1234/00000084/");
  apply_keyword_line("WRITE_BYTE=5A/00000086/");
  EXPECT_EQ(bench.ram(0x80, 7), (Bytes{0xCA, 0xFE, 0xF0, 0x0D, 0x12, 0x34, 0x5A}));
  apply_keyword_line("SET_SP=000000F0/");
  EXPECT_EQ(last_register_write(bdc::WRITE_SP), (Bytes{bdc::WRITE_SP, 0x00, 0xF0}));
  EXPECT_EQ(mcu_registers().SP, 0x00F0);
  EXPECT_FALSE(module_state().invalid);
}

std::string file_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(ModuleBench, RoutineRecordsThatDoNotDecodeEndWith12) {
  std::string text = file_text(algorithm("SIM60_BYTE.S8P"));
  const std::size_t data = text.find("\nS1") + 1 + 8;
  text[data + 4] = 'X';
  const std::string file = write("BADDATA.S8P", text);
  EXPECT_EQ(choose(file + " 8000"), 12);
  EXPECT_EQ(status_output().lines[status_output().lines.size() - 2], "Error reading .S8P file.");
}

TEST_F(ModuleBench, ARecordThatDoesNotReadBackEndsWith14) {
  std::string text = file_text(algorithm("SIM60_BYTE.S8P"));
  // Flash does not take background writes: the record cannot read back.
  text.insert(text.find("S9"), "S105F000A5A5B0\r\n");
  const std::string file = write("INFLASH.S8P", text);
  EXPECT_EQ(choose(file + " 8000"), 14);
  EXPECT_EQ(status_output().lines[status_output().lines.size() - 2],
            "Error loading .S8P file : " + file + " at address 0000F000");
}

TEST_F(ModuleBench, AFixedFrequencySetsTheClockValuesWithoutMeasuring) {
  command_line().fixed_bus_frequency_set = true;
  command_line().fixed_bus_frequency = 8'000'000;
  ASSERT_EQ(choose(algorithm("SIM60_BYTE.S8P") + " 8000"), std::nullopt);
  EXPECT_EQ(module_state().timing_factor, 16);
  EXPECT_EQ(module_state().fcdiv_value, 0x2C);
  EXPECT_EQ(last_register_write(bdc::WRITE_HX), (Bytes{bdc::WRITE_HX, 0x00, 0x10}));
  EXPECT_EQ(last_register_write(bdc::WRITE_A), (Bytes{bdc::WRITE_A, 0x2C}));
}

TEST_F(ModuleBench, ABusClockTooSlowForTheFlashEndsWith35) {
  command_line().fixed_bus_frequency_set = true;
  command_line().fixed_bus_frequency = 100'000;
  EXPECT_EQ(choose(algorithm("SIM60_BYTE.S8P") + " 8000"), 35);
  const auto& shown = status_output().lines;
  EXPECT_EQ(shown[shown.size() - 2], "Bus frequency of 100000 Hz is too low to set the flash clock.");
  EXPECT_FALSE(programmer_run().algorithm_loaded);
  EXPECT_EQ(std::find(shown.begin(), shown.end(), "Initialized."), shown.end());
}

TEST_F(ModuleBench, ARamBufferThatHoldsNoWholeBlockEndsWith36) {
  std::string text = file_text(algorithm("SIM60_BUFFER32.S8P"));
  text.insert(text.find("\nS1") + 1, "BLOCKING_MASK=0000003F/\r\n");
  const std::string file = write("BLOCKS64.S8P", text);
  EXPECT_EQ(choose(file + " 8000"), 36);
  const auto& shown = status_output().lines;
  EXPECT_EQ(shown[shown.size() - 3], "RAM buffer size $00000020 does not hold whole blocks of $00000040 bytes.");
  EXPECT_EQ(shown[shown.size() - 2], "Invalid .S8P file : " + file);
  EXPECT_EQ(shown.back().find("Done."), std::string::npos) << "the module-enable routine did not run";
}

}  // namespace
}  // namespace vx::programmer
