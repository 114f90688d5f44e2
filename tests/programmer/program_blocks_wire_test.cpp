#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "interface/byte_protocol.h"
#include "programmer/main_block.h"
#include "programmer/module_state.h"
#include "sim/scenario.h"
#include "sim/simulated_world.h"
#include "support/temp_dir.h"

namespace vx::test {
namespace {

namespace fs = std::filesystem;

// The programmer run against the example bench in a child of this process (the programmer runs
// once per process), so that the interface's wire log shows each program block as one block
// write into the routine's RAM buffer. The child reports the block lengths on stderr.
class ProgramBlocksOnTheWire : public ::testing::Test {
 protected:
  ProgramBlocksOnTheWire() {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    fs::copy_file(VX_EXAMPLE_SCENARIO, dir.path() / "bench.ini");
    fs::create_directory(dir.path() / "run");
    setenv("VX_HEADLESS", "1", 1);
    setenv("VX_RUNTIME_DIR", dir.file("run").c_str(), 1);
    setenv("VX_REGISTRY_FILE", dir.file("registry.ini").c_str(), 1);
  }

  // The byte algorithm with keyword lines put in front of it (its CRC then only warns).
  std::string algorithm_with(const std::string& source, const std::string& keywords) const {
    std::ifstream file(std::string(VX_ALGORITHMS) + "/" + source, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(file), {}};
    const std::string path = dir.file("VARIANT.S8P");
    std::ofstream(path, std::ios::binary) << keywords << text;
    return path;
  }

  // The lengths of the block writes into the RAM buffer while the script ran.
  std::vector<std::size_t> program_blocks(const std::string& algorithm, const std::string& object) {
    const std::string script = dir.file("script.cfg");
    std::ofstream(script, std::ios::binary) << "CM " << algorithm << " 10B0\nSS " << object << "\nEM\nPM\nVM\n";
    sim::ScenarioResult loaded = sim::load_scenario(dir.path() / "bench.ini");
    EXPECT_TRUE(loaded.scenario) << loaded.error;
    sim::SimulatedWorld world(*loaded.scenario);
    world.pod(0).keep_wire_log(true);
    exit_code = programmer::programmer_main_block({"NOSCAN", script, "USB1"});

    const std::uint32_t buffer = programmer::module_state().entries[programmer::entry::ram_buffer];
    // A block goes out as one block write, or as byte writes to consecutive addresses.
    std::vector<std::size_t> lengths;
    bool in_block = false;
    for (const sim::WireRecord& record : world.pod(0).wire_log()) {
      const std::vector<std::uint8_t>& c = record.command;
      const auto address = [&c] { return static_cast<std::uint32_t>(c[1] << 8 | c[2]); };
      // The block write names the address before its first byte.
      if (c.size() > 4 && c[0] == 7 && c[1] == 4 && static_cast<std::uint32_t>(c[2] << 8 | c[3]) + 1 == buffer) {
        lengths.push_back(c.size() - 4);
        if (lengths.size() == 1) first_block.assign(c.begin() + 4, c.end());
        in_block = false;
      } else if (c.size() == 4 && c[0] == bdc::WRITE_BYTE && address() == buffer) {
        lengths.push_back(1);
        if (lengths.size() == 1) first_block.assign(1, c[3]);
        in_block = true;
      } else if (in_block && c.size() == 4 && c[0] == bdc::WRITE_BYTE && address() == buffer + lengths.back()) {
        if (lengths.size() == 1) first_block.push_back(c[3]);
        ++lengths.back();
      } else {
        in_block = false;
      }
    }
    return lengths;
  }

  // In the child: runs the script and ends with the programmer's exit code after writing
  // "blocks:" and each block's length, then the first block's bytes 4 to 10.
  [[noreturn]] void report_blocks(const std::string& algorithm, const std::string& object) {
    const std::vector<std::size_t> blocks = program_blocks(algorithm, object);
    std::string report = "blocks:";
    for (const std::size_t length : blocks) report += " " + std::to_string(length);
    report += "\nfirst:";
    for (std::size_t i = 4; i < 11 && i < first_block.size(); ++i) report += " " + std::to_string(first_block[i]);
    std::fprintf(stderr, "%s\n", report.c_str());
    std::_Exit(exit_code);
  }

  std::string object_file(const std::string& text) const {
    const std::string path = dir.file("object.s19");
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  TempDir dir;
  int exit_code = -1;
  std::vector<std::uint8_t> first_block;
};

TEST_F(ProgramBlocksOnTheWire, BlockingMaskMakesOneWholeUnit) {
  const std::string algorithm = algorithm_with("SIM60_BYTE.S8P", "BLOCKING_MASK=0000003F/\r\n");
  const std::string object = object_file("S1088005A1A2A3A4A5CC\r\n");
  // Around the five object bytes the unit holds the erased device bytes.
  EXPECT_EXIT(report_blocks(algorithm, object), ::testing::ExitedWithCode(0),
              "blocks: 64\nfirst: 255 161 162 163 164 165 255\n");
}

TEST_F(ProgramBlocksOnTheWire, BoundaryMaskSplitsAcrossThePageBoundary) {
  const std::string algorithm = algorithm_with("SIM60_BYTE.S8P", "BOUNDARY_MASK=FFFFFF00/\r\n");
  std::string records;
  for (const char* line : {"S11380F0", "S1138100"}) {
    records += line;
    for (int i = 0; i < 16; ++i) records += "5A";
    records += "00\r\n";
  }
  const std::string object = object_file(records);
  EXPECT_EXIT(report_blocks(algorithm, object), ::testing::ExitedWithCode(0), "blocks: 16 16\n");
}

TEST_F(ProgramBlocksOnTheWire, RamBufferSplitsAContiguousThousandBytes) {
  const std::string algorithm = std::string(VX_ALGORITHMS) + "/SIM60_BUFFER256.S8P";
  const std::string object = std::string(VX_PROGRAMMING_FIXTURES) + "/pattern.s19";
  EXPECT_EXIT(report_blocks(algorithm, object), ::testing::ExitedWithCode(0), "blocks: 256 256 256 232\n");
}

}  // namespace
}  // namespace vx::test
