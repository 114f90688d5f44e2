#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/hcs08/cpu_registers.h"

namespace vx::sim::test {

inline constexpr std::size_t kCheckedMemory = 0x10B0;  // RAM and the direct page that the peer dumps

struct Hcs08Image {
  struct Chunk {
    std::uint16_t address = 0;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<Chunk> chunks;
};

// Where the peer stopped and what it held then.
struct PeerResult {
  std::uint16_t stop = 0;
  CpuRegisters initial;
  CpuRegisters final_state;
  std::array<std::uint8_t, kCheckedMemory> memory{};
};

std::string hcs08_fixture_path(const std::string& file);
// Intel HEX of 16-bit addresses; nullopt on any malformed record or checksum.
std::optional<Hcs08Image> read_intel_hex(const std::string& path);
std::optional<PeerResult> read_peer_result(const std::string& path);

}  // namespace vx::sim::test
