#pragma once

#include <cstdint>

#include "foundation/short_text.h"

// Background-debug access to the target: memory by byte, word, long word and
// block, the CPU registers, the debug status and control, the breakpoint,
// starting the target and waiting for it to stop, and the cached security
// test. Each exchange repeats until HS_GOOD, which in practice halts the
// script with 45 when the link fails. Addresses go out as 16 bits.
namespace vx {

// The CPU registers as last read or to be written.
class TMCURegisters {
 public:
  std::uint8_t V = 0, H_flag = 0, I = 0, N = 0, Z = 0, C = 0;
  std::uint8_t A = 0;
  std::uint8_t H = 0, X = 0;
  std::uint16_t PC = 0, SP = 0;

  // Bits 5 and 6 always set.
  std::uint8_t pack_ccr() const;
  // Bits 5 and 6 are ignored.
  void unpack_ccr(std::uint8_t ccr);
};

struct TargetAccess {
  static constexpr std::uint16_t usb_write_block = 1040, programmer_write_block = 240, usb_read_block = 528,
                                 start_block = 96;
  // A parallel cable keeps the current sizes; USB and programmers set theirs on each transfer.
  std::uint16_t write_block_size = start_block;
  std::uint16_t read_block_size = start_block;
  // The security answer is read again after RESUME and FORCE_BACKGROUND_MODE.
  bool security_recheck = true;
  bool secured = false;
  TMCURegisters registers;
};

TargetAccess& target_access();
void reset_target_access();
TMCURegisters& mcu_registers();

// The byte is also left in the reply word, as are the results of the word, long and status reads.
std::uint8_t READ_DATA_BYTE(std::uint32_t address);
std::uint16_t READ_DATA_WORD_INTERNAL(std::uint32_t address);
std::uint16_t READ_DATA_WORD(std::uint32_t address);
// The word is left in the reply word.
void READ_PROG_WORD(std::uint32_t address);
std::uint32_t READ_DATA_LONG(std::uint32_t address);
std::uint32_t READ_NEXT_LONG(std::uint32_t address);
void WRITE_DATA_BYTE(std::uint32_t address, std::uint8_t value);
void WRITE_DATA_WORD_INTERNAL(std::uint32_t address, std::uint16_t value);
void WRITE_DATA_WORD(std::uint32_t address, std::uint16_t value);
void WRITE_NEXT_WORD(std::uint32_t address, std::uint16_t value);
void WRITE_DATA_LONG(std::uint32_t address, std::uint32_t value);
void WRITE_NEXT_LONG(std::uint32_t address, std::uint32_t value);
void PUT_DATA_BYTE_BLOCK(std::uint32_t address, std::uint16_t count, const std::uint8_t* bytes);
void GET_DATA_BYTE_BLOCK(std::uint32_t address, std::uint16_t count, std::uint8_t* buffer);

void GET_PC();
void PUT_PC();
void GET_CPU_THINGS();
void PUT_CPU_THINGS();

std::uint16_t READ_STATUS();
std::uint8_t READ_STATUS_BYTE();
// Bit 0 always goes out set.
void WRITE_CONTROL(std::uint8_t value);
std::uint16_t read_breakpoint();
void write_breakpoint(std::uint16_t value);

void RESUME();
bool TEST_FOR_FREEZE();
// At most 200 status reads.
bool WAIT_FOR_FREEZE();
void WAIT_FOR_FREEZE_OR_KEY();
void WAIT_FOR_FREEZE_OR_KEY_DELAY(std::int32_t milliseconds);

bool target_is_secured();
// Bits 16-19 as one hex digit, then bits 0-15 as four.
ShortText address_to_hex5(std::uint32_t address);

}  // namespace vx
