#pragma once

#include <array>
#include <cstdint>

// The checksum routine that runs inside the target: 48 bytes of HCS08 code
// that sum and CRC the bytes of one address block and stop in background
// mode, so the device data never crosses the debug link.
namespace vx::programmer {

inline constexpr std::size_t crc_routine_size = 48;
inline constexpr std::size_t crc_routine_words = crc_routine_size / 4;

// Offsets inside the routine: its pointer to the sum, the end address it compares H:X with,
// and the 16-bit sum itself (high byte first).
inline constexpr std::uint16_t crc_sum_pointer_offset = 5;
inline constexpr std::uint16_t crc_end_address_offset = 35;
inline constexpr std::uint16_t crc_sum_offset = 45;

// The routine as it goes to RAM at `ram_address`.
std::array<std::uint8_t, crc_routine_size> crc_routine_image(std::uint16_t ram_address);

enum class CrcRoutineMode : std::uint8_t { load = 0, save_memory = 1, restore_memory = 2 };

// RAM the routine borrows from the algorithm, kept until it is put back.
struct CrcRoutineState {
  std::array<std::uint32_t, crc_routine_words> saved_memory{};
  bool saved = false;
};

CrcRoutineState& crc_routine_state();
void reset_crc_routine_state();

// Load writes the routine and reads every word back (false, after a status line, when one
// differs); save keeps the 48 bytes at the address; restore writes kept bytes back once.
bool Load_crc_algorithm(CrcRoutineMode mode, std::uint16_t address);

// One run over device addresses first..last with the value carried in; the value out.
// The pages of the block are the caller's business.
std::uint32_t run_crc_routine(std::uint16_t routine_address, std::uint32_t first, std::uint32_t last,
                              std::uint32_t value_in);

}  // namespace vx::programmer
