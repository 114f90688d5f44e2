#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vx::sim {

// The logic device of a Universal FX behind its logic script command: each
// script is a packet of operations, every one but 0x01 answered with a
// word. A select packet S(x, i) names array x (0 main, 1 secondary) and an
// instruction: F2 erases the array, F4 lets the following rows program it
// word by word, 05 lets them read it back, one word per D operation.
class FxLogicDevice {
 public:
  static constexpr std::size_t main_words = 288 * 24, secondary_words = 64 * 8;

  enum class PacketKind : std::uint8_t { identify, select, row, finish, end };
  struct Packet {
    PacketKind kind = PacketKind::row;
    std::uint8_t array = 0, instruction = 0;
    std::vector<std::uint16_t> words;  // the D operations' words
  };

  // A main-array word that never takes programming.
  explicit FxLogicDevice(std::optional<std::size_t> stuck_word = std::nullopt);

  // The script after the command bytes: reply count, operations; false (and no
  // reply) when it cannot be decoded or its count is wrong.
  bool run(std::span<const std::uint8_t> script, std::vector<std::uint8_t>& reply);

  const std::vector<std::uint16_t>& main_array() const { return main_; }
  const std::vector<std::uint16_t>& secondary_array() const { return secondary_; }
  const std::vector<Packet>& packets() const { return packets_; }
  const std::string& problem() const { return problem_; }

 private:
  std::vector<std::uint16_t>* array(std::uint8_t x);

  std::optional<std::size_t> stuck_word_;
  std::vector<std::uint16_t> main_, secondary_;
  std::uint8_t array_ = 0, instruction_ = 0;
  std::size_t pointer_ = 0;
  std::vector<Packet> packets_;
  std::string problem_;
};

}  // namespace vx::sim
