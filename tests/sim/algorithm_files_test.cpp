#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>

#include "algorithm_files.h"
#include "tools/s8p/s8p_pack.h"

namespace vx::sim::test {
namespace {

std::vector<std::string> lines_of(const std::string& file) {
  const std::optional<std::string> bytes = read_whole_file(algorithm_path(file));
  return bytes ? algorithm_lines(*bytes) : std::vector<std::string>{};
}

bool has_line(const std::vector<std::string>& lines, const std::string& text) {
  return std::find(lines.begin(), lines.end(), text) != lines.end();
}

TEST(AlgorithmFiles, CommittedFilesAreWhatThePackerMakesOfTheirParts) {
  const std::vector<AlgorithmFileRecipe> recipes = algorithm_recipes();
  ASSERT_EQ(recipes.size(), 21u);
  std::set<std::string> listed;
  for (const AlgorithmFileRecipe& recipe : recipes) {
    listed.insert(recipe.output);
    std::vector<std::string> parts;
    for (const std::string& part : recipe.parts) {
      const std::optional<std::string> text = read_whole_file(algorithm_path(part));
      ASSERT_TRUE(text) << part;
      parts.push_back(*text);
    }
    const tools::PackedFile packed = tools::pack_s8p(parts);
    ASSERT_EQ(packed.error, "") << recipe.output;
    const std::optional<std::string> committed = read_whole_file(algorithm_path(recipe.output));
    ASSERT_TRUE(committed) << recipe.output;
    EXPECT_EQ(std::vector<std::uint8_t>(committed->begin(), committed->end()), packed.bytes) << recipe.output;

    // The trailer guards the text before the mark.
    const std::size_t mark = committed->find('\x1A');
    ASSERT_EQ(mark + 3, committed->size()) << recipe.output;
    const std::uint16_t crc = tools::s8p_crc16(std::vector<std::uint8_t>(committed->begin(), committed->begin() + mark));
    EXPECT_EQ(static_cast<std::uint8_t>((*committed)[mark + 1]), crc & 0xFF) << recipe.output;
    EXPECT_EQ(static_cast<std::uint8_t>((*committed)[mark + 2]), crc >> 8) << recipe.output;
  }
  // No algorithm file lies there that the list does not make.
  for (const auto& item : std::filesystem::directory_iterator(algorithm_path(""))) {
    std::string extension = item.path().extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (extension == ".S8P") {
      EXPECT_TRUE(listed.contains(item.path().filename().string())) << item.path();
    }
  }
}

TEST(AlgorithmFiles, EveryRoutineLoadsAtTheSameBaseInRam) {
  for (const AlgorithmFileRecipe& recipe : algorithm_recipes()) {
    const std::optional<Hcs08Image> routine = algorithm_routine(lines_of(recipe.output));
    ASSERT_TRUE(routine && !routine->chunks.empty()) << recipe.output;
    EXPECT_EQ(routine->chunks.front().address, 0x0100) << recipe.output;
    for (const Hcs08Image::Chunk& chunk : routine->chunks) {
      EXPECT_GE(chunk.address, 0x0100) << recipe.output;  // the parameter block and the variables lie below
      EXPECT_LE(chunk.address + chunk.bytes.size(), 0x10B0u) << recipe.output;
    }
  }
}

// A keyword line counts only with its separators in their columns (counted from 1).
TEST(AlgorithmFiles, KeywordLinesHaveTheirSeparatorColumns) {
  struct Keyword {
    std::string text;
    std::vector<std::pair<std::size_t, char>> marks;
  };
  const std::vector<Keyword> keywords = {
      {"NO_BASE_ADDRESS=", {{25, '/'}}},
      {"ADDR_RANGE=", {{20, '/'}, {29, '/'}}},
      {"PRESERVE_RANGE=", {{24, '/'}, {33, '/'}}},
      {"CRC_KEEPOUT_RANGE=", {{27, '/'}, {36, '/'}}},
      {"BLOCKING_MASK=", {{23, '/'}, {32, '/'}, {41, '/'}}},
      {"WRITE_BYTE=", {{14, '/'}, {23, '/'}}},
      {"ERASE_REQUIRES_A_RESET=", {{28, '/'}, {31, '/'}, {34, '/'}}},
      {"S08_FLASH_PAGING=", {{20, '/'}, {25, '/'}, {30, '/'}, {35, '/'}}},
      {"HCS08_TRIM=", {{16, '/'}, {21, '/'}, {30, '/'}}},
      {"REQUIRES_QUILL_VERSION=", {{25, '.'}, {28, '/'}}},  // the version in columns 24-27
      {"USER=", {{39, '/'}, {48, '/'}, {57, '/'}}},
      {"RESET_ON_USER=", {{16, '/'}}},
  };
  int checked = 0;
  for (const AlgorithmFileRecipe& recipe : algorithm_recipes()) {
    for (const std::string& line : lines_of(recipe.output)) {
      for (const Keyword& keyword : keywords) {
        if (line.rfind(keyword.text, 0) != 0) continue;
        ++checked;
        for (const auto& [column, mark] : keyword.marks) {
          EXPECT_TRUE(line.size() >= column && line[column - 1] == mark) << recipe.output << ": " << line;
        }
      }
    }
  }
  EXPECT_GT(checked, 60);
}

TEST(AlgorithmFiles, EveryFileSwitchesTheWatchdogOffThroughSopt1) {
  for (const AlgorithmFileRecipe& recipe : algorithm_recipes()) {
    int writes = 0;
    for (const std::string& line : lines_of(recipe.output)) {
      if (line.rfind("WRITE_BYTE=", 0) != 0 || line.substr(14, 8) != "00001802") continue;
      ++writes;
      const unsigned value = std::stoul(line.substr(11, 2), nullptr, 16);
      EXPECT_EQ(value & 0xC0, 0u) << recipe.output;  // COPT = 0
    }
    EXPECT_EQ(writes, 1) << recipe.output;
  }
}

TEST(AlgorithmFiles, TheDefaultDeviceFileNeedsNoBaseAddressAndOffersTrimAndCrc) {
  const std::vector<std::string> lines = lines_of("9S08JM60.S8p");
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(has_line(lines, "NO_BASE_ADDRESS=000010B0/"));  // the module start
  // The trim reference of the simulated part's clock, so that CM measures a trim for PT.
  EXPECT_TRUE(has_line(lines, "ICS_RANGE=312500.00/390625.00/2560.0000"));
  EXPECT_TRUE(has_line(lines, "HCS08_TRIM=004A/FFAF/007A1200/"));
  EXPECT_FALSE(has_line(lines, "NO_CRC"));
}

}  // namespace
}  // namespace vx::sim::test
