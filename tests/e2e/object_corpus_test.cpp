#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "programmer_run.h"

// Object files that real toolchains write, programmed end to end: each one programs exactly the
// bytes another tool reads from it, or is refused with its reason before anything is programmed.
namespace vx::test {
namespace {

namespace fs = std::filesystem;

using Bytes = std::map<std::uint32_t, std::uint8_t>;

const fs::path corpus = fs::path(VX_TEST_FIXTURES) / "objects";
// The simulated part's flash module as the byte algorithm sees it.
constexpr std::uint32_t module_first = 0x10B0;
constexpr std::uint32_t module_last = 0xFFFF;

// The data bytes of an S-record file (S1, S2 and S3 records).
Bytes srecord_bytes(const std::string& path) {
  std::ifstream file(path);
  Bytes bytes;
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() < 4 || line[0] != 'S' || line[1] < '1' || line[1] > '3') continue;
    const auto pair = [&line](std::size_t at) { return static_cast<std::uint32_t>(std::stoul(line.substr(at, 2), nullptr, 16)); };
    const std::size_t address_pairs = static_cast<std::size_t>(line[1] - '1') + 2;
    std::uint32_t address = 0;
    for (std::size_t i = 0; i < address_pairs; ++i) address = address << 8 | pair(4 + 2 * i);
    const std::size_t data = pair(2) - address_pairs - 1;
    for (std::size_t i = 0; i < data; ++i) bytes[address + static_cast<std::uint32_t>(i)] = static_cast<std::uint8_t>(pair(4 + 2 * (address_pairs + i)));
  }
  return bytes;
}

struct Case {
  const char* file;
  std::vector<std::string> switches;
  int result;
  const char* line;
  // The bytes the other tool read; none for a refused file.
  const char* expected = nullptr;
};

// The cases one program start runs: the files that program share a start with the others of
// their switches, one after another in one script; a refused file ends its script, so it has
// a start of its own.
std::vector<std::vector<const Case*>> program_starts(std::span<const Case> cases) {
  std::vector<std::vector<const Case*>> starts;
  for (const Case& c : cases) {
    const auto shared = std::ranges::find_if(starts, [&c](const std::vector<const Case*>& start) {
      return c.result == 0 && start.front()->result == 0 && start.front()->switches == c.switches;
    });
    if (shared != starts.end()) {
      shared->push_back(&c);
    } else {
      starts.push_back({&c});
    }
  }
  return starts;
}

// What the run wrote from the file's SS command up to the next file's.
std::string output_of_file(const std::string& output, const std::string& select_command) {
  const std::size_t from = output.find(select_command);
  if (from == std::string::npos) return output;
  const std::size_t next = output.find("CMD>SS ", from + select_command.size());
  return output.substr(from, next == std::string::npos ? std::string::npos : next - from);
}

void expect_programmed_bytes(const std::string& upload, const std::string& expected_file) {
  const Bytes expected = srecord_bytes((corpus / expected_file).string());
  const Bytes uploaded = srecord_bytes(upload);
  ASSERT_FALSE(expected.empty());
  std::size_t differences = 0;
  for (std::uint32_t address = module_first; address <= module_last; ++address) {
    const auto found = uploaded.find(address);
    if (found == uploaded.end()) continue;  // outside the module's ranges
    const auto wanted = expected.find(address);
    const std::uint8_t byte = wanted == expected.end() ? 0xFF : wanted->second;
    if (found->second != byte && ++differences <= 5) ADD_FAILURE() << std::hex << address << ": " << unsigned{found->second};
  }
  for (const auto& [address, byte] : expected) EXPECT_TRUE(uploaded.contains(address)) << std::hex << address;
}

TEST(ObjectCorpus, EveryFileProgramsItsBytesOrIsRefusedWithItsReason) {
  const Case cases[] = {
      {"sdcc_plain.elf", {}, 0, " Programmed.", "sdcc_plain.expected.s19"},
      {"sdcc_debug.elf", {}, 0, " Programmed.", "sdcc_debug.expected.s19"},
      {"sdcc_banner.elf", {}, 0, " Programmed.", "sdcc_banner.expected.s19"},
      {"clang_dwarf4.elf", {}, 0, "Debug information will not be loaded", "clang_dwarf4.expected.s19"},
      {"clang_dwarf5.elf", {}, 0, "Debug information will not be loaded", "clang_dwarf5.expected.s19"},
      {"hc11.elf", {}, 0, "Unknown value specified for target architecture", "hc11.expected.s19"},
      {"long200.s19", {}, 0, " Programmed.", "long200.expected.s19"},
      {"long250.s19", {}, 0, " Programmed.", "long250.expected.s19"},
      {"zero_length.s19", {}, 0, " Programmed.", "zero_length.expected.s19"},
      {"overlap_same.s19", {}, 0, " Programmed.", "overlap_same.expected.s19"},
      {"intel.hex", {"NOSORT"}, 0, " Programmed.", "intel.expected.s19"},
      {"overlap_different.s19", {}, 2, "Object file holds different data for address $0000D010."},
      {"overlap_different.s19", {"NOSORT"}, 2, "Object file holds different data for address $0000D010."},
      // Sorted programming reads through the loaders, which know no Intel hex.
      {"intel.hex", {}, 18, "intel.hex) : File not found -or- Unknown file type."},
  };
  for (const std::vector<const Case*>& start : program_starts(cases)) {
    ProgrammerInstall install;
    fs::copy_file(fs::path(VX_ALGORITHMS) / "SIM60_BYTE.S8P", install.dir.path() / "SIM60_BYTE.S8P");
    const std::string dir = install.dir.path().string() + "/";
    const std::vector<std::string>& switches = start.front()->switches;
    std::string script = "CM " + dir + "SIM60_BYTE.S8P 10B0\n";
    for (std::size_t i = 0; i < start.size(); ++i) {
      fs::copy_file(corpus / start[i]->file, install.dir.path() / start[i]->file);
      script += "EM\nSS " + dir + start[i]->file + "\nPM\n" + (switches.empty() ? "VM\n" : "") + "UM " + dir + "up" +
                std::to_string(i) + ".s19\n";
    }
    std::vector<std::string> arguments{"NOSCAN"};
    arguments.insert(arguments.end(), switches.begin(), switches.end());
    arguments.push_back(install.write("script.cfg", script));
    arguments.push_back("USB1");
    const ProgrammerResult result = run_programmer(install, arguments);
    EXPECT_EQ(result.exit_code, start.front()->result) << result.output;
    for (std::size_t i = 0; i < start.size(); ++i) {
      const Case& c = *start[i];
      SCOPED_TRACE(c.file);
      const std::string output = output_of_file(result.output, "CMD>SS " + dir + c.file + "\n");
      EXPECT_NE(output.find(c.line), std::string::npos) << result.output;
      const std::string upload = install.file("up" + std::to_string(i) + ".s19");
      if (c.expected == nullptr) {
        EXPECT_FALSE(fs::exists(upload)) << "refused before the upload";
        continue;
      }
      expect_programmed_bytes(upload, c.expected);
    }
  }
}

}  // namespace
}  // namespace vx::test
