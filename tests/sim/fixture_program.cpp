#include "fixture_program.h"

#include <fstream>
#include <sstream>

namespace vx::sim::test {
namespace {

std::optional<unsigned> hex_value(const std::string& text, std::size_t at, std::size_t digits) {
  if (at + digits > text.size()) return std::nullopt;
  unsigned value = 0;
  for (std::size_t i = at; i < at + digits; ++i) {
    const char c = text[i];
    value <<= 4;
    if (c >= '0' && c <= '9') {
      value |= static_cast<unsigned>(c - '0');
    } else if (c >= 'A' && c <= 'F') {
      value |= static_cast<unsigned>(c - 'A' + 10);
    } else if (c >= 'a' && c <= 'f') {
      value |= static_cast<unsigned>(c - 'a' + 10);
    } else {
      return std::nullopt;
    }
  }
  return value;
}

// "A=04 H=00 X=18 SP=10AF CCR=72"
std::optional<CpuRegisters> registers_from(std::istringstream& line) {
  CpuRegisters regs;
  std::string field;
  int seen = 0;
  while (line >> field) {
    const std::size_t eq = field.find('=');
    if (eq == std::string::npos) return std::nullopt;
    const std::string name = field.substr(0, eq);
    const auto value = hex_value(field, eq + 1, field.size() - eq - 1);
    if (!value) return std::nullopt;
    if (name == "A") regs.a = static_cast<std::uint8_t>(*value);
    else if (name == "H") regs.set_h(static_cast<std::uint8_t>(*value));
    else if (name == "X") regs.set_x(static_cast<std::uint8_t>(*value));
    else if (name == "SP") regs.sp = static_cast<std::uint16_t>(*value);
    else if (name == "CCR") regs.ccr = static_cast<std::uint8_t>(*value);
    else return std::nullopt;
    ++seen;
  }
  if (seen != 5) return std::nullopt;
  return regs;
}

}  // namespace

std::string hcs08_fixture_path(const std::string& file) { return std::string(VX_HCS08_FIXTURES) + "/" + file; }

std::optional<Hcs08Image> read_intel_hex(const std::string& path) {
  std::ifstream in(path);
  if (!in) return std::nullopt;
  Hcs08Image image;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line[0] != ':') return std::nullopt;
    const auto count = hex_value(line, 1, 2);
    const auto address = hex_value(line, 3, 4);
    const auto type = hex_value(line, 7, 2);
    if (!count || !address || !type || line.size() != 11 + 2 * *count) return std::nullopt;
    unsigned sum = *count + (*address >> 8) + (*address & 0xFF) + *type;
    Hcs08Image::Chunk chunk{static_cast<std::uint16_t>(*address), {}};
    for (unsigned i = 0; i <= *count; ++i) {
      const auto byte = hex_value(line, 9 + 2 * i, 2);
      if (!byte) return std::nullopt;
      sum += *byte;
      if (i < *count) chunk.bytes.push_back(static_cast<std::uint8_t>(*byte));
    }
    if ((sum & 0xFF) != 0) return std::nullopt;
    if (*type == 1) return image;
    if (*type != 0) return std::nullopt;
    image.chunks.push_back(std::move(chunk));
  }
  return std::nullopt;  // no end record
}

std::optional<PeerResult> read_peer_result(const std::string& path) {
  std::ifstream in(path);
  if (!in) return std::nullopt;
  PeerResult result;
  bool have_stop = false, have_initial = false, have_final = false;
  std::string text;
  while (std::getline(in, text)) {
    std::istringstream line(text);
    std::string key;
    line >> key;
    if (key == "stop") {
      std::string value;
      line >> value;
      const auto stop = hex_value(value, 0, value.size());
      if (!stop) return std::nullopt;
      result.stop = static_cast<std::uint16_t>(*stop);
      have_stop = true;
    } else if (key == "initial" || key == "final") {
      const auto regs = registers_from(line);
      if (!regs) return std::nullopt;
      (key == "initial" ? result.initial : result.final_state) = *regs;
      (key == "initial" ? have_initial : have_final) = true;
    } else if (key == "ticks") {
      continue;
    } else {
      const auto base = hex_value(key, 0, key.size());
      if (!base || *base + 16 > kCheckedMemory) return std::nullopt;
      for (unsigned i = 0; i < 16; ++i) {
        std::string byte;
        line >> byte;
        const auto value = hex_value(byte, 0, 2);
        if (byte.size() != 2 || !value) return std::nullopt;
        result.memory[*base + i] = static_cast<std::uint8_t>(*value);
      }
    }
  }
  if (!have_stop || !have_initial || !have_final) return std::nullopt;
  return result;
}

}  // namespace vx::sim::test
