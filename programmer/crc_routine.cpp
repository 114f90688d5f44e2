#include "programmer/crc_routine.h"

#include "foundation/kstring.h"
#include "foundation/program_trace.h"
#include "foundation/status_output.h"
#include "interface/target_operations.h"
#include "programmer/crc_check_value.h"

namespace vx::programmer {
namespace {

// Entered with the CRC in A and the first address in H:X; sums into its own last three bytes.
constexpr std::array<std::uint8_t, crc_routine_size> routine_code = {
    0x87, 0x8B, 0x89, 0xF6, 0x45, 0x80, 0x2D, 0x87, 0xEB, 0x01, 0xE7, 0x01, 0x4F, 0xF9, 0xF7, 0x86,
    0xAE, 0x08, 0x9E, 0xE8, 0x03, 0x48, 0x24, 0x02, 0xA8, 0x07, 0x5A, 0x26, 0xF8, 0x9E, 0xE7, 0x03,
    0x88, 0x8A, 0x65, 0xFF, 0xFF, 0xAF, 0x01, 0x26, 0xD8, 0x86, 0x82, 0x9D, 0x9D, 0x00, 0x00, 0x00,
};

constexpr std::int32_t routine_wait_ms = 2000;

CrcRoutineState state;

std::uint16_t word_address(std::uint16_t address, std::size_t word) {
  return static_cast<std::uint16_t>(address + 4 * word);
}

std::uint32_t image_word(const std::array<std::uint8_t, crc_routine_size>& image, std::size_t word) {
  const std::size_t at = 4 * word;
  return static_cast<std::uint32_t>(image[at]) << 24 | static_cast<std::uint32_t>(image[at + 1]) << 16 |
         static_cast<std::uint32_t>(image[at + 2]) << 8 | image[at + 3];
}

bool load_routine(std::uint16_t address) {
  trace_line("Load_crc_algorithm(CRC_Load) at address $" + hex_long(address));
  const auto image = crc_routine_image(address);
  bool loaded = true;
  for (std::size_t word = 0; word < crc_routine_words; ++word) {
    const std::uint16_t at = word_address(address, word);
    WRITE_DATA_LONG(at, image_word(image, word));
    if (READ_DATA_LONG(at) != image_word(image, word) && loaded) {
      END_DEBUG_LINE();
      WRITELN_TO_DEBUG("Error loading " + ShortText(check_value_kind) + " algorithm.");
      loaded = false;
    }
  }
  return loaded;
}

void save_memory(std::uint16_t address) {
  trace_line("Load_crc_algorithm(CRC_SaveMemory) at address $" + hex_long(address));
  for (std::size_t word = 0; word < crc_routine_words; ++word) {
    state.saved_memory[word] = READ_DATA_LONG(word_address(address, word));
  }
  state.saved = true;
}

void restore_memory(std::uint16_t address) {
  trace_line("Load_crc_algorithm(CRC_RestoreMemory)");
  if (!state.saved) {
    trace_line("ACK!!! Memory not saved.");
    return;
  }
  for (std::size_t word = 0; word < crc_routine_words; ++word) {
    WRITE_DATA_LONG(word_address(address, word), state.saved_memory[word]);
  }
  state.saved = false;
}

}  // namespace

std::array<std::uint8_t, crc_routine_size> crc_routine_image(std::uint16_t ram_address) {
  std::array<std::uint8_t, crc_routine_size> image = routine_code;
  const auto sum_address = static_cast<std::uint16_t>(ram_address + crc_sum_offset);
  image[crc_sum_pointer_offset] = static_cast<std::uint8_t>(sum_address >> 8);
  image[crc_sum_pointer_offset + 1] = static_cast<std::uint8_t>(sum_address);
  return image;
}

CrcRoutineState& crc_routine_state() { return state; }

void reset_crc_routine_state() { state = CrcRoutineState{}; }

bool Load_crc_algorithm(CrcRoutineMode mode, std::uint16_t address) {
  switch (mode) {
    case CrcRoutineMode::load:
      return load_routine(address);
    case CrcRoutineMode::save_memory:
      save_memory(address);
      return true;
    case CrcRoutineMode::restore_memory:
      restore_memory(address);
      return true;
  }
  return false;
}

std::uint32_t run_crc_routine(std::uint16_t routine_address, std::uint32_t first, std::uint32_t last,
                              std::uint32_t value_in) {
  WRITE_DATA_WORD(static_cast<std::uint16_t>(routine_address + crc_end_address_offset),
                  static_cast<std::uint16_t>(last));
  WRITE_DATA_WORD(static_cast<std::uint16_t>(routine_address + crc_sum_offset),
                  static_cast<std::uint16_t>(value_in >> 8));
  TMCURegisters& registers = mcu_registers();
  registers.PC = routine_address;
  registers.A = static_cast<std::uint8_t>(value_in);
  registers.H = static_cast<std::uint8_t>(first >> 8);
  registers.X = static_cast<std::uint8_t>(first);
  PUT_CPU_THINGS();
  RESUME();
  WAIT_FOR_FREEZE_OR_KEY_DELAY(routine_wait_ms);
  GET_CPU_THINGS();
  const std::uint16_t sum = READ_DATA_WORD(static_cast<std::uint16_t>(routine_address + crc_sum_offset));
  return static_cast<std::uint32_t>(sum) << 8 | registers.A;
}

}  // namespace vx::programmer
