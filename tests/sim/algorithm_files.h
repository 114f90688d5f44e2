#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fixture_program.h"

namespace vx::sim::test {

// One line of sim/algorithms/files.txt: an algorithm file and the parts it is packed from.
struct AlgorithmFileRecipe {
  std::string output;
  std::vector<std::string> parts;
};

std::string algorithm_path(const std::string& name);
std::optional<std::string> read_whole_file(const std::string& path);
std::vector<AlgorithmFileRecipe> algorithm_recipes();

// The text lines of an algorithm file: everything before the end-of-text mark, split at CR LF.
std::vector<std::string> algorithm_lines(const std::string& file_bytes);

// The routine of an algorithm file: its S1 records, each checked (count and checksum).
std::optional<Hcs08Image> algorithm_routine(const std::vector<std::string>& lines);

}  // namespace vx::sim::test
