#include "algorithm_files.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace vx::sim::test {
namespace {

std::optional<unsigned> hex_byte(const std::string& text, std::size_t at) {
  if (at + 2 > text.size()) return std::nullopt;
  unsigned value = 0;
  for (std::size_t i = at; i < at + 2; ++i) {
    const char c = text[i];
    value <<= 4;
    if (c >= '0' && c <= '9') value |= static_cast<unsigned>(c - '0');
    else if (c >= 'A' && c <= 'F') value |= static_cast<unsigned>(c - 'A' + 10);
    else return std::nullopt;
  }
  return value;
}

}  // namespace

std::string algorithm_path(const std::string& name) { return std::string(VX_ALGORITHMS) + "/" + name; }

std::optional<std::string> read_whole_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<AlgorithmFileRecipe> algorithm_recipes() {
  std::vector<AlgorithmFileRecipe> recipes;
  const std::optional<std::string> text = read_whole_file(algorithm_path("files.txt"));
  if (!text) return recipes;
  std::istringstream lines(*text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    AlgorithmFileRecipe recipe;
    words >> recipe.output;
    for (std::string part; words >> part;) recipe.parts.push_back(part);
    recipes.push_back(std::move(recipe));
  }
  return recipes;
}

std::vector<std::string> algorithm_lines(const std::string& file_bytes) {
  const std::string text = file_bytes.substr(0, file_bytes.find('\x1A'));
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) {
      lines.push_back(text.substr(at));
      break;
    }
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

std::optional<Hcs08Image> algorithm_routine(const std::vector<std::string>& lines) {
  Hcs08Image image;
  for (const std::string& line : lines) {
    if (line.rfind("S1", 0) != 0) continue;
    const auto count = hex_byte(line, 2);
    if (!count || *count < 3 || line.size() != 4 + 2 * *count) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    unsigned sum = 0;
    for (unsigned i = 0; i < *count; ++i) {
      const auto byte = hex_byte(line, 4 + 2 * i);
      if (!byte) return std::nullopt;
      sum += *byte;
      bytes.push_back(static_cast<std::uint8_t>(*byte));
    }
    if (((sum + *count) & 0xFF) != 0xFF) return std::nullopt;
    const auto address = static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
    image.chunks.push_back({address, std::vector<std::uint8_t>(bytes.begin() + 2, bytes.end() - 1)});
  }
  return image;
}

}  // namespace vx::sim::test
