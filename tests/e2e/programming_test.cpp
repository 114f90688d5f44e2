#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "programmer_run.h"

namespace vx::test {
namespace {

namespace fs = std::filesystem;

using Bytes = std::map<std::uint32_t, std::uint8_t>;

// The programmer with the simulated part's algorithm files and the object files of the
// programming fixtures beside it.
class ProgrammingBench {
 public:
  ProgrammingBench() {
    for (const auto& entry : fs::directory_iterator(VX_ALGORITHMS)) {
      if (entry.path().extension() == ".S8P") fs::copy_file(entry.path(), install.dir.path() / entry.path().filename());
    }
    for (const auto& entry : fs::directory_iterator(VX_PROGRAMMING_FIXTURES)) {
      const std::string extension = entry.path().extension().string();
      if (extension == ".s19" || extension == ".elf") {
        fs::copy_file(entry.path(), install.dir.path() / entry.path().filename());
      }
    }
  }

  // Each "@" of the script stands for the program directory, so file names need no working folder.
  ProgrammerResult run(const std::string& script, std::vector<std::string> switches = {}) {
    std::string text;
    for (const char c : script) text += c == '@' ? install.dir.path().string() + "/" : std::string(1, c);
    switches.insert(switches.begin(), "NOSCAN");
    switches.push_back(install.write("script.cfg", text));
    switches.push_back("USB1");
    return run_programmer(install, switches);
  }

  // The simulated part's flash as the state file keeps it after a run.
  Bytes flash() const {
    std::ifstream file(install.file("usb-interfaces.state"), std::ios::binary);
    const std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(file), {}};
    const auto word = [&data](std::size_t at) {
      return static_cast<std::uint32_t>(data.at(at) | data.at(at + 1) << 8 | data.at(at + 2) << 16 |
                                        data.at(at + 3) << 24);
    };
    Bytes bytes;
    std::size_t at = 16;
    for (std::uint32_t range = word(12); range > 0; --range) {
      const std::uint32_t first = word(at);
      const std::uint32_t length = word(at + 4);
      at += 8;
      for (std::uint32_t i = 0; i < length; ++i) bytes[first + i] = data.at(at + i);
      at += length;
    }
    return bytes;
  }

  ProgrammerInstall install;
};

// The data bytes of an S-record file (S1 and S2 records).
Bytes srecord_bytes(const std::string& path) {
  std::ifstream file(path);
  Bytes bytes;
  std::string line;
  while (std::getline(file, line)) {
    if (line.size() < 4 || line[0] != 'S' || (line[1] != '1' && line[1] != '2')) continue;
    const auto pair = [&line](std::size_t at) { return static_cast<std::uint32_t>(std::stoul(line.substr(at, 2), nullptr, 16)); };
    const std::size_t address_pairs = line[1] == '1' ? 2 : 3;
    std::uint32_t address = 0;
    for (std::size_t i = 0; i < address_pairs; ++i) address = address << 8 | pair(4 + 2 * i);
    const std::uint32_t count = pair(2) - static_cast<std::uint32_t>(address_pairs) - 1;
    for (std::uint32_t i = 0; i < count; ++i) bytes[address + i] = static_cast<std::uint8_t>(pair(4 + 2 * address_pairs + 2 * i));
  }
  return bytes;
}

std::string fixture(const std::string& name) { return std::string(VX_PROGRAMMING_FIXTURES) + "/" + name; }

bool contains(const std::string& output, const std::string& text) { return output.find(text) != std::string::npos; }

void expect_flash_holds(const Bytes& flash, const Bytes& object) {
  for (const auto& [address, byte] : object) {
    ASSERT_EQ(flash.count(address), 1u) << std::hex << address;
    EXPECT_EQ(flash.at(address), byte) << std::hex << address;
  }
}

TEST(Programming, ObjectFilesOfEachFormatAreProgrammedAndVerified) {
  struct Case {
    const char* object;
    const char* algorithm;
    const char* bytes;
  };
  const Case cases[] = {{"plain.s19", "SIM60_BYTE.S8P", "plain.s19"},
                        {"plain.elf", "SIM60_BYTE.S8P", "plain.s19"},
                        {"pattern.s19", "SIM60_BUFFER256.S8P", "pattern.s19"},
                        {"plain.s19", "SIM60_WORD.S8P", "plain.s19"}};
  for (const Case& c : cases) {
    ProgrammingBench bench;
    const ProgrammerResult result =
        bench.run(std::string("CM @") + c.algorithm + " 10B0\nSS @" + c.object + "\nEM\nPM\nVM\n");
    EXPECT_EQ(result.exit_code, 0) << c.object << "\n" << result.output;
    EXPECT_TRUE(contains(result.output, "Module has been erased.\n")) << result.output;
    EXPECT_TRUE(contains(result.output, " Programmed.\n")) << result.output;
    EXPECT_TRUE(contains(result.output, ". Verified.\n")) << result.output;
    expect_flash_holds(bench.flash(), srecord_bytes(fixture(c.bytes)));
  }
}

TEST(Programming, UnsortedReadingSkipsHeaderLinesAndVerifies) {
  ProgrammingBench bench;
  const ProgrammerResult result = bench.run("CM @SIM60_BYTE.S8P 10B0\nSS @pattern.s19\nEM\nPM\nVM\n", {"NOSORT"});
  EXPECT_EQ(result.exit_code, 0) << result.output;
  EXPECT_TRUE(contains(result.output, "Verifying Address $093E7. Verified.\n")) << result.output;
  expect_flash_holds(bench.flash(), srecord_bytes(fixture("pattern.s19")));
}

TEST(Programming, UploadWritesWhatTheOtherToolMakesOfTheDevice) {
  ProgrammingBench bench;
  const ProgrammerResult result =
      bench.run("CM @SIM60_BYTE.S8P 10B0\nSS @plain.s19\nEM\nPM\nUR 8000 80FF @up.s19\nUM @module.s19\n");
  ASSERT_EQ(result.exit_code, 0) << result.output;
  EXPECT_TRUE(contains(result.output, "up.s19  Address $08100. Uploaded.\n")) << result.output;

  std::ifstream uploaded(bench.install.file("up.s19"), std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(uploaded), {}};
  std::ifstream expected_file(fixture("upload_8000.s19"), std::ios::binary);
  std::string expected;
  for (std::string line; std::getline(expected_file, line);) expected += line + "\r\n";
  EXPECT_EQ(text, expected);

  // The whole module: every byte the device holds in its module ranges, nothing of the hole.
  const Bytes module = srecord_bytes(bench.install.file("module.s19"));
  const Bytes flash = bench.flash();
  EXPECT_EQ(module.size(), 0x0750u + 0xE6A0u);
  for (const auto& [address, byte] : module) EXPECT_EQ(flash.at(address), byte) << std::hex << address;
  EXPECT_EQ(module.count(0x1800), 0u);
}

// An upload that cannot be written whole is the run's input/output failure, never "Uploaded.".
TEST(Programming, AnUploadThatCannotBeWrittenFailsTheRun) {
  {
    ProgrammingBench bench;
    const ProgrammerResult result = bench.run("CM @SIM60_BYTE.S8P 10B0\nUM /dev/full\n");
    EXPECT_EQ(result.exit_code, 62) << result.output;
    EXPECT_FALSE(contains(result.output, "Uploaded.")) << result.output;
  }
  {
    ProgrammingBench bench;
    // The module's S-records take about 150 KB; the simulated part's state file far less.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = 100000;
    setrlimit(RLIMIT_FSIZE, &limited);
    const ProgrammerResult result = bench.run("CM @SIM60_BYTE.S8P 10B0\nUM @module.s19\n");
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(result.exit_code, 62) << result.output;
    EXPECT_FALSE(contains(result.output, "Uploaded.")) << result.output;
  }
}

// A paged module is larger than a routine's size word: the module erase runs whole, and the blank
// check covers every page. (The simulated part has no page register: its pages show its linear
// flash, so the byte written in page 1 is found at its linear address.)
TEST(Programming, APagedModuleIsErasedAndBlankCheckedWhole) {
  ProgrammingBench bench;
  const ProgrammerResult result = bench.run(
      "CM @SIM60_PAGED.S8P 10B0\nEM\nBM\nPB 1BFFF 12\nPB 9000 34\nEN\nBM\nPB 1A000 56\nEM\nBM\n");
  EXPECT_EQ(result.exit_code, 0) << result.output;
  EXPECT_TRUE(contains(result.output, "CMD>EN\nBlank Checking ... \nModule byte not erased at address $09000 byte is $34.\n"
                                      "\nErasing.  Module has been erased.\nCMD>BM\nBlank Checking ... Erased.\n"))
      << result.output;
  EXPECT_TRUE(contains(result.output, "CMD>EM\nErasing.  Module has been erased.\nCMD>BM\nBlank Checking ... Erased.\n"))
      << result.output;
  const Bytes flash = bench.flash();
  for (const std::uint32_t address : {0x9000u, 0xA000u, 0xBFFFu}) {
    ASSERT_TRUE(flash.contains(address)) << std::hex << address;
    EXPECT_EQ(flash.at(address), 0xFF) << std::hex << address;
  }
}

TEST(Programming, AnObjectFileNoFormatTakesEndsTheCommands) {
  struct Case {
    std::vector<std::string> switches;
    const char* command;
    int result;
    const char* line;
  };
  // The range check passes over a file no module reads (as it does Intel hex); the load of the
  // programming or verify pass then fails with the load driver's reason.
  const Case cases[] = {
      {{}, "PM", 18, "notes.txt) : File not found -or- Unknown file type.\n"},
      {{}, "VM", 5, "Error while loading S-record file.\n"},
      {{"V"}, "VM", 5, "Error while loading S-record file.\n"},
      {{"V"}, "PM", 18, "Error during programming.\n"},
  };
  for (const Case& c : cases) {
    ProgrammingBench bench;
    bench.install.write("notes.txt", "nothing an object file holds\n");
    const ProgrammerResult result =
        bench.run(std::string("CM @SIM60_BYTE.S8P 10B0\nSS @notes.txt\n") + c.command + "\n", c.switches);
    EXPECT_EQ(result.exit_code, c.result) << c.command << result.output;
    EXPECT_TRUE(contains(result.output, c.line)) << c.command << result.output;
  }
}

// One S1 record with its checksum.
std::string s1_record(std::uint16_t address, const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> fields{static_cast<std::uint8_t>(data.size() + 3), static_cast<std::uint8_t>(address >> 8),
                                   static_cast<std::uint8_t>(address)};
  fields.insert(fields.end(), data.begin(), data.end());
  unsigned sum = 0;
  std::ostringstream line;
  line << "S1" << std::hex << std::uppercase << std::setfill('0');
  for (const std::uint8_t field : fields) {
    line << std::setw(2) << unsigned{field};
    sum += field;
  }
  line << std::setw(2) << (~sum & 0xFF) << "\n";
  return line.str();
}

std::vector<std::uint8_t> counting_bytes(std::size_t count) {
  std::vector<std::uint8_t> bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
  return bytes;
}

// Object files that must program exactly their bytes, or be refused before anything is programmed.
TEST(Programming, ObjectRecordsProgramExactlyOrAreRefused) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::string> switches;
    int result;
    const char* line;
    Bytes expected;
  };
  const std::vector<std::uint8_t> long_data = counting_bytes(500);
  Bytes long_records;
  for (std::size_t i = 0; i < long_data.size(); ++i) long_records[0x9000 + static_cast<std::uint32_t>(i)] = long_data[i];
  const Bytes untouched{{0x9000, 0xFF}, {0x9001, 0xFF}, {0x9002, 0xFF}, {0x9003, 0xFF}};
  const Bytes four{{0x9000, 1}, {0x9001, 2}, {0x9002, 3}, {0x9003, 4}};
  const std::string conflict = s1_record(0x9000, {1, 2, 3, 4}) + s1_record(0x9002, {3, 9});
  const std::string refused = "Object file holds different data for address $00009003.";
  const Case cases[] = {
      {"conflict.s19", conflict, {}, 2, refused.c_str(), untouched},
      {"conflict.s19", conflict, {"NOSORT"}, 2, refused.c_str(), untouched},
      {"twice.s19", s1_record(0x9000, {1, 2, 3, 4}) + s1_record(0x9002, {3, 4}), {}, 0, " Programmed.", four},
      {"long.s19",
       s1_record(0x9000, {long_data.begin(), long_data.begin() + 250}) +
           s1_record(0x90FA, {long_data.begin() + 250, long_data.end()}),
       {}, 0, " Programmed.", long_records},
      {"empty.s19", "S1030000FC\n" + s1_record(0x9000, {1, 2, 3, 4}), {}, 0, " Programmed.", four},
      {"app.hex", ":049000000102030462\n:00000001FF\n", {"NOSORT"}, 0, " Programmed.", four},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProgrammingBench bench;
    bench.install.write(c.name, c.text);
    const ProgrammerResult result =
        bench.run("CM @SIM60_BYTE.S8P 10B0\nSS @" + std::string(c.name) + "\nPM\n", c.switches);
    EXPECT_EQ(result.exit_code, c.result) << result.output;
    EXPECT_TRUE(contains(result.output, c.line)) << result.output;
    const Bytes flash = bench.flash();
    for (const auto& [address, byte] : c.expected) EXPECT_EQ(flash.at(address), byte) << std::hex << address;
    EXPECT_EQ(flash.at(0x9000 + static_cast<std::uint32_t>(c.expected.size())), 0xFF) << "nothing more programmed";
  }
}

// The range check and the programming pass share one load: the file's warnings come once per command.
TEST(Programming, AnElfFilesWarningsComeOncePerCommand) {
  ProgrammingBench bench;
  fs::copy_file(fs::path(VX_TEST_FIXTURES) / "elf/ppc_dwarf4.elf", bench.install.dir.path() / "later_dwarf.elf");
  const ProgrammerResult result = bench.run("CM @SIM60_BYTE.S8P 10B0\nSS @later_dwarf.elf\nEM\nPM\nVM\n");
  EXPECT_EQ(result.exit_code, 0) << result.output;
  const auto count = [&result](const std::string& text) {
    std::size_t found = 0;
    for (std::size_t at = result.output.find(text); at != std::string::npos; at = result.output.find(text, at + 1)) {
      ++found;
    }
    return found;
  };
  EXPECT_EQ(count("Unknown value specified for target architecture"), 2u) << "once for PM, once for VM\n" << result.output;
  EXPECT_EQ(count("Debug information will not be loaded"), 2u) << result.output;
}

TEST(Programming, RangeCommandsKeepToTheirRange) {
  ProgrammingBench bench;
  const ProgrammerResult result =
      bench.run("CM @SIM60_BYTE.S8P 10B0\nSS @pattern.s19\nEM\nPR 9000 90FF\nVR 9000 90FF\nSM 90F0 9103\nVR 9000 9100\n");
  EXPECT_EQ(result.exit_code, 3) << result.output;
  EXPECT_TRUE(contains(result.output, "Verifying Address $093E7. Verified.\n")) << result.output;
  EXPECT_TRUE(contains(result.output, "000090F0 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F 20 21 \n"
                                      "00009100 FF FF FF FF \n"))
      << result.output;
  EXPECT_TRUE(contains(result.output, "Verify error at address $09100.\nByte in module is $FF and should be $22.\n"))
      << result.output;
  const Bytes flash = bench.flash();
  EXPECT_EQ(flash.at(0x90FF), 0x21);
  EXPECT_EQ(flash.at(0x9100), 0xFF);
}

TEST(Programming, AChangedByteEndsVerifyWithBothLines) {
  ProgrammingBench bench;
  const ProgrammerResult result = bench.run("CM @SIM60_BYTE.S8P 10B0\nSS @plain.s19\nEM\nPM\nPB 8000 00\nVM\n");
  EXPECT_EQ(result.exit_code, 3) << result.output;
  EXPECT_TRUE(contains(result.output, "Verifying Address $08000. Verify error at address $08000.\n"
                                      "Byte in module is $00 and should be $45.\n"))
      << result.output;
}

TEST(Programming, PreservedRangesSurviveEraseAndAreNotVerified) {
  ProgrammingBench bench;
  // The first algorithm writes a value into the range the second one preserves; FFBF keeps the
  // part unsecured across the second CM's reset.
  const ProgrammerResult result = bench.run(
      "CM @SIM60_BYTE.S8P 10B0\nSS @preserved.s19\nEM\nPB FFBF FE\nPB FFB0 5A\n"
      "CM @SIM60_PRESERVE.S8P 10B0\nPM\nVM\nEM\nSM FFB0 FFB3\n");
  EXPECT_EQ(result.exit_code, 0) << result.output;
  EXPECT_TRUE(contains(result.output, "Verifying Address $0FFB3. Verified.\n")) << result.output;
  EXPECT_TRUE(contains(result.output, "Preserving data range $0000FFB0-$0000FFBF before erase ... Done.\n"))
      << result.output;
  EXPECT_TRUE(contains(result.output, "Erasing.  Module has been erased.\n"
                                      "Re-programming preserved data range $0000FFB0-$0000FFBF ... Done.\n"))
      << result.output;
  EXPECT_TRUE(contains(result.output, "0000FFB0 5A FF FF FF \n")) << result.output;
  const Bytes flash = bench.flash();
  EXPECT_EQ(flash.at(0xFFB0), 0x5A);
  EXPECT_EQ(flash.at(0x9000), 0xFF);
}

TEST(Programming, ScriptEndsOfTheEraseBlankCheckAndRangeCommands) {
  struct Case {
    const char* script;
    int result;
    const char* line;
  };
  const Case cases[] = {
      {"CM @SIM60_BYTE.S8P 10B0\nSS @plain.s19\nEM\nBM\nPM\nBM\n", 27,
       "Blank Checking ... \nModule byte not erased at address $08000 byte is $45.\n"},
      {"CM @SIM60_WORD.S8P 10B0\nSS @plain.s19\nEM\nPM\nBM\n", 25,
       "Blank Checking ... \nModule word not erased at address $08000 word is $4580.\n"},
      {"CM @SIM60_BYTE.S8P 10B0\nEB 1700 1A00\n", 7, "Erase range is not contiguous memory.\n"},
      {"CM @SIM60_WORD.S8P 10B0\nEW 10B1 10C0\n", 28, "Word erase starting address must be even.\n"},
      {"CM @SIM60_BYTE.S8P 10B0\nSS @ramvars.elf\nEM\nPM\n", 53,
       "Invalid addresses in srecord block from $00000080 to $00000080.\n"},
      {"CM @SIM60_BYTE.S8P 10B0\nSS @outside.s19\nPM\n", 53,
       " Invalid address detected.\nInvalid addresses in srecord block from $00001800 to $0000180F.\n"},
      {"CM @SIM60_BYTE.S8P 10B0\nEM\nPB FFBF FE\nPB FFBD 7E\nRE\nCM @SIM60_BYTE.S8P 10B0\nEM\n", 24,
       "Erasing.  Module could not be erased.\n"},
  };
  for (const Case& c : cases) {
    ProgrammingBench bench;
    const ProgrammerResult result = bench.run(c.script);
    EXPECT_EQ(result.exit_code, c.result) << c.script << result.output;
    EXPECT_TRUE(contains(result.output, c.line)) << c.script << result.output;
  }
}

TEST(Programming, EraseIfNotBlankErasesOnlyWhatHoldsData) {
  ProgrammingBench bench;
  const ProgrammerResult result =
      bench.run("CM @SIM60_BYTE.S8P 10B0\nSS @plain.s19\nEM\nEN\nPM\nEN\nBM\n");
  EXPECT_EQ(result.exit_code, 0) << result.output;
  EXPECT_TRUE(contains(result.output, "CMD>EN\nBlank Checking ... Erased.\nCMD>PM\n")) << result.output;
  EXPECT_TRUE(contains(result.output, "CMD>EN\nBlank Checking ... \nModule byte not erased at address $08000 byte is $45."
                                      "\n\nErasing.  Module has been erased.\nCMD>BM\nBlank Checking ... Erased.\n"))
      << result.output;
}

TEST(Programming, ValuesFromTheCommandLineAreReadBack) {
  struct Case {
    const char* algorithm;
    const char* commands;
    int result;
    const char* line;
  };
  const Case cases[] = {
      {"SIM60_BYTE", "PB 9000 12 34\nSM 9000 9001\n", 0, "00009000 12 34 \n"},
      {"SIM60_WORD", "PW 9000 1234 5678\nSM 9000 9003\n", 0, "00009000 12 34 56 78 \n"},
      {"SIM60_BYTE", "PB FFFF 12\n", 0, "CMD>PB FFFF 12\nProgramming address no longer in module.\n"},
      {"SIM60_BYTE", "PB 9000 12\nPB 9000 21\n", 20, "Error during last byte programming.\n"},
      {"SIM60_WORD", "PW 9000 1234\nPW 9000 4321\n", 23, "Error during last word programming.\n"},
      // Past the end of one module range but inside the module: a quiet end.
      {"RANGES", "PB 80FF 12\nSM 80FF 80FF\n", 0, "CMD>PB 80FF 12\nCMD>SM 80FF 80FF\n"},
      // A preserved address takes no byte: the read-back tells.
      {"SIM60_PRESERVE", "PB FFB0 5A\n", 20, "Error during last byte programming.\n"},
      {"SIM60_PRESERVE", "PB FFB0 FF\n", 0, "CMD>PB FFB0 FF\n"},
  };
  for (const Case& c : cases) {
    ProgrammingBench bench;
    std::ifstream source(bench.install.file("SIM60_BYTE.S8P"), std::ios::binary);
    // Two module ranges with a gap: 8000-80FF and 9000-90FF.
    bench.install.write("RANGES.S8P", "ADDR_RANGE=00006F50/0000704F/\r\nADDR_RANGE=00007F50/0000804F/\r\n" +
                                          std::string{std::istreambuf_iterator<char>(source), {}});
    const ProgrammerResult result = bench.run(std::string("CM @") + c.algorithm + ".S8P 10B0\nEM\n" + c.commands);
    EXPECT_EQ(result.exit_code, c.result) << c.commands << result.output;
    EXPECT_TRUE(contains(result.output, c.line)) << c.commands << result.output;
  }
}

TEST(Programming, APreservedRangeBeyondTheModuleStopsTheEraseBeforeItRuns) {
  ProgrammingBench bench;
  std::ifstream source(bench.install.file("SIM60_BYTE.S8P"), std::ios::binary);
  const std::string algorithm{std::istreambuf_iterator<char>(source), {}};
  bench.install.write("WIDE.S8P", "PRESERVE_RANGE=0000EF00/FFFFFFFF/\r\n" + algorithm);
  const ProgrammerResult result = bench.run("CM @WIDE.S8P 10B0\nEM\n");
  EXPECT_EQ(result.exit_code, 64) << result.output;
  EXPECT_TRUE(contains(result.output, "Preserved data range $0000FFB0-$000010AF does not lie in the module.\n"))
      << result.output;
}

TEST(Programming, UserCommandErasesExactlyItsPage) {
  ProgrammingBench bench;
  const ProgrammerResult result = bench.run("CM @SIM60_USER_PARAM.S8P 10B0\nSS @pattern.s19\nEM\nPM\nEP 8150\n");
  EXPECT_EQ(result.exit_code, 0) << result.output;
  const Bytes pattern = srecord_bytes(fixture("pattern.s19"));
  const Bytes flash = bench.flash();
  for (const auto& [address, byte] : pattern) {
    EXPECT_EQ(flash.at(address), address >= 0x9200 ? 0xFF : byte) << std::hex << address;
  }
}

TEST(Programming, EraseModuleRunsAfterACmThatUnsecuredThePart) {
  ProgrammingBench bench;
  // The first EM leaves NVOPT erased, so the second CM finds the part secured and resets it
  // after the unsecure; the mass erase outlasts the watchdog the reset switched back on.
  const ProgrammerResult result = bench.run("CM @SIM60_BYTE.S8P 10B0\nEM\nCM @SIM60_BYTE.S8P 10B0\nEM\n");
  EXPECT_EQ(result.exit_code, 0) << result.output;
  EXPECT_TRUE(contains(result.output, "Device is secured. Erasing ... Done.")) << result.output;
  const std::size_t second_erase = result.output.rfind("CMD>EM");
  ASSERT_NE(second_erase, std::string::npos) << result.output;
  EXPECT_TRUE(contains(result.output.substr(second_erase), "Module has been erased.")) << result.output;
}

}  // namespace
}  // namespace vx::test
