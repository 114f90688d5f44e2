#include "interface/target_operations.h"

#include "foundation/kstring.h"
#include "foundation/program_trace.h"
#include "interface/byte_protocol.h"
#include "interface/connection_settings.h"
#include "interface/interface_kind.h"
#include "interface/interface_reset.h"
#include "interface/link_state.h"
#include "interface/target_exchange.h"

namespace vx {
namespace {

constexpr std::uint8_t interface_command = 7, block_write_command = 4, block_read_command = 5;
constexpr std::uint16_t security_option_register = 0x1821, reset_vector = 0xFFFE;
constexpr std::uint8_t security_mask = 3, unsecured = 2;

TargetAccess state;

std::uint8_t hi(std::uint32_t value) { return static_cast<std::uint8_t>(value >> 8); }
std::uint8_t lo(std::uint32_t value) { return static_cast<std::uint8_t>(value); }

void result_line(const ShortText& digits) { trace_line("Result = $" + digits); }

std::uint16_t read_hx() { return exchange({bdc::READ_HX}, CommandWait::short_wait, true); }
void write_hx(std::uint16_t value) { exchange({bdc::WRITE_HX, hi(value), lo(value)}, CommandWait::short_wait, false); }

// Stand-alone programmers that take block writes only from a stopped target.
bool block_writes_need_stopped_target() {
  const InterfaceState& firmware = interface_state();
  return !on_usb_interface() && (firmware.major == 8 || (firmware.major == 6 && firmware.minor >= 25));
}

void send_write_block(std::uint32_t before_first, const std::uint8_t* bytes, std::uint16_t size) {
  trace_line("BLOCK : (" + hex_long(before_first) + "," + hex_word(size) + ")");
  repeat_until_good([&] {
    SEND8(interface_command);
    if (on_parallel_cable()) {
      SEND_CMD_LONG(block_write_command);
    } else {
      SEND8(block_write_command);
      SEND8(hi(before_first));
      SEND8(lo(before_first));
    }
    for (std::uint16_t i = 0; i + 1 < size; ++i) SEND8(bytes[i]);
    SEND_CMD_LONG(bytes[size - 1]);
  });
  trace_line("GOOD.");
}

void receive_read_block(std::uint32_t before_first, std::uint8_t* buffer, std::uint16_t size) {
  repeat_until_good([&] {
    SEND8(interface_command);
    SEND8(block_read_command);
    if (!on_parallel_cable()) {
      SEND8(hi(before_first));
      SEND8(lo(before_first));
    }
    SEND8(hi(size));
    SEND_CMD_LONG(lo(size));
    for (std::uint16_t i = 0; i + 1 < size; i += 2) {
      RECV16();
      buffer[i] = hi(link_state().reply_word);
      buffer[i + 1] = lo(link_state().reply_word);
    }
  });
}

// Block transfers: `size` bytes at a time, then what remains of `count`, each addressed one
// below its first byte.
template <typename Transfer>
void in_blocks(std::uint32_t address, std::uint16_t count, std::uint16_t size, Transfer transfer) {
  const std::uint16_t full_blocks = count / size;
  for (std::uint16_t k = 0; k < full_blocks; ++k) transfer(address - 1 + std::uint32_t{k} * size, k * size, size);
  const std::uint16_t rest = count % size;
  if (rest > 0) transfer(address - 1 + std::uint32_t{full_blocks} * size, full_blocks * size, rest);
}

}  // namespace

std::uint8_t TMCURegisters::pack_ccr() const {
  return static_cast<std::uint8_t>(V * 128 + 0x60 + H_flag * 16 + I * 8 + N * 4 + Z * 2 + C);
}

void TMCURegisters::unpack_ccr(std::uint8_t ccr) {
  C = ccr & 1;
  Z = (ccr >> 1) & 1;
  N = (ccr >> 2) & 1;
  I = (ccr >> 3) & 1;
  H_flag = (ccr >> 4) & 1;
  V = (ccr >> 7) & 1;
}

TargetAccess& target_access() { return state; }
void reset_target_access() { state = TargetAccess{}; }
TMCURegisters& mcu_registers() { return state.registers; }

std::uint8_t READ_DATA_BYTE(std::uint32_t address) {
  trace_enter(link_prefix() + "READ_DATA_BYTE(" + hex_long(address) + ")");
  const std::uint8_t value = hi(exchange({bdc::READ_BYTE, hi(address), lo(address)}, CommandWait::short_wait, true));
  link_state().reply_word = value;
  result_line(hex_byte(value));
  trace_exit();
  return value;
}

std::uint16_t READ_DATA_WORD_INTERNAL(std::uint32_t address) {
  trace_enter(link_prefix() + "READ_DATA_WORD_INTERNAL(" + hex_long(address) + ")");
  const std::uint8_t high = READ_DATA_BYTE(address);
  const std::uint8_t low = READ_DATA_BYTE(address + 1);
  const auto value = static_cast<std::uint16_t>(high << 8 | low);
  result_line(hex_word(value));
  trace_exit();
  return value;
}

std::uint16_t READ_DATA_WORD(std::uint32_t address) {
  trace_enter(link_prefix() + "READ_DATA_WORD(" + hex_long(address) + ")");
  const std::uint16_t value = READ_DATA_WORD_INTERNAL(address);
  // Callers take the word from the reply word as well.
  link_state().reply_word = value;
  result_line(hex_word(value));
  trace_exit();
  return value;
}

void READ_PROG_WORD(std::uint32_t address) {
  trace_enter(link_prefix() + "READ_PROG_WORD(" + hex_long(address) + ")");
  result_line(hex_word(READ_DATA_WORD(address)));
  trace_exit();
}

std::uint32_t READ_DATA_LONG(std::uint32_t address) {
  trace_enter(link_prefix() + "READ_DATA_LONG(" + hex_long(address) + ")");
  const std::uint32_t high = READ_DATA_WORD(address);
  const std::uint32_t value = high << 16 | READ_DATA_WORD(address + 2);
  link_state().reply_word = value;
  result_line(hex_long(value));
  trace_exit();
  return value;
}

std::uint32_t READ_NEXT_LONG(std::uint32_t address) {
  trace_enter(link_prefix() + "READ_NEXT_LONG(" + hex_long(address) + ")");
  const std::uint32_t value = READ_DATA_LONG(address);
  trace_line("RESULT = $" + hex_long(value));
  trace_exit();
  return value;
}

void WRITE_DATA_BYTE(std::uint32_t address, std::uint8_t value) {
  trace_enter(link_prefix() + "WRITE_DATA_BYTE(" + hex_long(address) + "," + hex_byte(value) + ")");
  exchange({bdc::WRITE_BYTE, hi(address), lo(address), value}, CommandWait::short_wait, false);
  trace_exit();
}

void WRITE_DATA_WORD_INTERNAL(std::uint32_t address, std::uint16_t value) {
  trace_enter(link_prefix() + "WRITE_DATA_WORD_INTERNAL(" + hex_long(address) + "," + hex_word(value) + ")");
  WRITE_DATA_BYTE(address, hi(value));
  WRITE_DATA_BYTE(address + 1, lo(value));
  trace_exit();
}

void WRITE_DATA_WORD(std::uint32_t address, std::uint16_t value) {
  trace_enter(link_prefix() + "WRITE_DATA_WORD(" + hex_long(address) + "," + hex_word(value) + ")");
  WRITE_DATA_WORD_INTERNAL(address, value);
  trace_exit();
}

void WRITE_NEXT_WORD(std::uint32_t address, std::uint16_t value) {
  trace_enter(link_prefix() + "WRITE_NEXT_WORD(" + hex_long(address) + "," + hex_word(value) + ")");
  WRITE_DATA_WORD(address, value);
  trace_exit();
}

void WRITE_DATA_LONG(std::uint32_t address, std::uint32_t value) {
  trace_enter(link_prefix() + "WRITE_DATA_LONG(" + hex_long(address) + "," + hex_long(value) + ")");
  WRITE_DATA_WORD(address, static_cast<std::uint16_t>(value >> 16));
  WRITE_DATA_WORD(address + 2, static_cast<std::uint16_t>(value));
  trace_exit();
}

void WRITE_NEXT_LONG(std::uint32_t address, std::uint32_t value) {
  trace_enter(link_prefix() + "WRITE_NEXT_LONG(" + hex_long(address) + "," + hex_long(value) + ")");
  WRITE_DATA_LONG(address, value);
  trace_exit();
}

void PUT_DATA_BYTE_BLOCK(std::uint32_t address, std::uint16_t count, const std::uint8_t* bytes) {
  trace_enter(link_prefix() + "PUT_DATA_BYTE_BLOCK(" + hex_long(address) + "," + hex_word(count) + ")");
  bool running = false;
  bool secured = false;
  if (block_writes_need_stopped_target()) {
    running = !TEST_FOR_FREEZE();
  } else {
    secured = target_is_secured();
  }
  if (!interface_state().block_mode || running || secured) {
    for (std::uint16_t i = 0; i < count; ++i) WRITE_DATA_BYTE(address + i, bytes[i]);
    trace_exit();
    return;
  }
  if (on_usb_interface()) state.write_block_size = TargetAccess::usb_write_block;
  if (on_programmer()) state.write_block_size = TargetAccess::programmer_write_block;
  std::uint16_t saved_hx = 0;
  if (on_parallel_cable()) {
    saved_hx = read_hx();
    write_hx(static_cast<std::uint16_t>(address - 1));
  }
  std::uint16_t in_blocks_count = count;
  // Firmware before major 5 moves whole words only: an odd last byte goes first on its own.
  if (interface_state().major < 5 && count % 2 != 0) {
    WRITE_DATA_BYTE(address + count - 1, bytes[count - 1]);
    --in_blocks_count;
  }
  in_blocks(address, in_blocks_count, state.write_block_size,
            [&](std::uint32_t before_first, std::uint16_t offset, std::uint16_t size) {
              send_write_block(before_first, bytes + offset, size);
            });
  if (on_parallel_cable()) write_hx(saved_hx);
  trace_exit();
}

void GET_DATA_BYTE_BLOCK(std::uint32_t address, std::uint16_t count, std::uint8_t* buffer) {
  trace_enter(link_prefix() + "GET_DATA_BYTE_BLOCK(" + hex_long(address) + "," + hex_word(count) + ")");
  if (!interface_state().block_mode || target_is_secured()) {
    for (std::uint16_t i = 0; i < count; ++i) buffer[i] = READ_DATA_BYTE(address + i);
    trace_exit();
    return;
  }
  if (on_usb_interface()) state.read_block_size = TargetAccess::usb_read_block;
  std::uint16_t saved_hx = 0;
  if (on_parallel_cable()) {
    saved_hx = read_hx();
    write_hx(static_cast<std::uint16_t>(address - 1));
  }
  std::uint16_t in_blocks_count = count;
  // Replies come in words: an odd last byte is read on its own first.
  if (count % 2 != 0) {
    buffer[count - 1] = READ_DATA_BYTE(address + count - 1);
    --in_blocks_count;
  }
  in_blocks(address, in_blocks_count, state.read_block_size,
            [&](std::uint32_t before_first, std::uint16_t offset, std::uint16_t size) {
              receive_read_block(before_first, buffer + offset, size);
            });
  if (on_parallel_cable()) write_hx(saved_hx);
  trace_exit();
}

void GET_PC() {
  trace_enter(link_prefix() + "GET_PC");
  state.registers.PC = exchange({bdc::READ_PC}, CommandWait::short_wait, true);
  trace_line("Read PC = $" + hex_word(state.registers.PC));
  state.registers.SP = exchange({bdc::READ_SP}, CommandWait::short_wait, true);
  trace_line("Read SP = $" + hex_word(state.registers.SP));
  trace_exit();
}

void PUT_PC() {
  trace_enter(link_prefix() + "PUT_PC");
  TMCURegisters& r = state.registers;
  trace_line("Write PC = $" + hex_word(r.PC));
  exchange({bdc::WRITE_PC, hi(r.PC), lo(r.PC)}, CommandWait::short_wait, false);
  trace_line("Write SP = $" + hex_word(r.SP));
  exchange({bdc::WRITE_SP, hi(r.SP), lo(r.SP)}, CommandWait::short_wait, false);
  trace_exit();
}

void GET_CPU_THINGS() {
  trace_enter(link_prefix() + "GET_CPU_THINGS");
  GET_PC();
  TMCURegisters& r = state.registers;
  r.unpack_ccr(hi(exchange({bdc::READ_CCR}, CommandWait::short_wait, true)));
  trace_line("Read CCR=" + hex_byte(r.pack_ccr()));
  r.A = hi(exchange({bdc::READ_A}, CommandWait::short_wait, true));
  trace_line("Read A=" + hex_byte(r.A));
  const std::uint16_t hx = exchange({bdc::READ_HX}, CommandWait::short_wait, true);
  r.H = hi(hx);
  r.X = lo(hx);
  trace_line("Read HX=" + hex_word(hx));
  trace_exit();
}

void PUT_CPU_THINGS() {
  trace_enter(link_prefix() + "PUT_CPU_THINGS");
  PUT_PC();
  const TMCURegisters& r = state.registers;
  trace_line("Write CCR=" + hex_byte(r.pack_ccr()));
  exchange({bdc::WRITE_CCR, r.pack_ccr()}, CommandWait::short_wait, false);
  trace_line("Write A=" + hex_byte(r.A));
  exchange({bdc::WRITE_A, r.A}, CommandWait::short_wait, false);
  trace_line("Write HX=" + hex_byte(r.H) + hex_byte(r.X));
  exchange({bdc::WRITE_HX, r.H, r.X}, CommandWait::short_wait, false);
  trace_exit();
}

std::uint16_t READ_STATUS() {
  trace_enter(link_prefix() + "Read Status");
  const std::uint16_t value = exchange({bdc::READ_STATUS}, CommandWait::short_wait, true);
  result_line(hex_word(value));
  trace_exit();
  return value;
}

std::uint8_t READ_STATUS_BYTE() {
  const std::uint8_t value = hi(READ_STATUS());
  link_state().reply_word = value;
  return value;
}

void WRITE_CONTROL(std::uint8_t value) {
  const auto sent = static_cast<std::uint8_t>(value | 0x01);
  trace_enter(link_prefix() + "Write Control = $" + hex_byte(sent));
  exchange({bdc::WRITE_CONTROL, sent}, CommandWait::short_wait, false);
  trace_exit();
}

std::uint16_t read_breakpoint() {
  trace_enter(link_prefix() + "read_breakpoint");
  const std::uint16_t value = exchange({bdc::READ_BKPT}, CommandWait::short_wait, true);
  result_line(hex_word(value));
  trace_exit();
  return value;
}

void write_breakpoint(std::uint16_t value) {
  trace_enter(link_prefix() + "write_breakpoint $" + hex_word(value));
  exchange({bdc::WRITE_BKPT, hi(value), lo(value)}, CommandWait::short_wait, false);
  trace_exit();
}

void RESUME() {
  trace_enter(link_prefix() + "RESUME");
  state.security_recheck = true;
  exchange({bdc::GO}, CommandWait::short_wait, false);
  if (on_usb_interface()) flush_usb_batch(ByteProtocol::batch_flush_timeout_ms);
  trace_exit();
}

bool TEST_FOR_FREEZE() {
  trace_enter(link_prefix() + "TEST_FOR_FREEZE");
  const bool frozen = (READ_STATUS_BYTE() & 0x40) != 0;
  if (frozen) trace_line("TRUE");
  trace_exit();
  return frozen;
}

bool WAIT_FOR_FREEZE() {
  trace_enter(link_prefix() + "WAIT_FOR_FREEZE");
  bool frozen = false;
  for (int poll = 0; poll < 200 && !frozen; ++poll) frozen = TEST_FOR_FREEZE();
  trace_line(frozen ? "RESULT = TRUE" : "RESULT = FALSE");
  trace_exit();
  return frozen;
}

bool target_is_secured() {
  if (state.security_recheck) {
    state.secured = connection_settings().ncl08_mode
                        ? READ_DATA_WORD(reset_vector) == 0
                        : (READ_DATA_BYTE(security_option_register) & security_mask) != unsecured;
    state.security_recheck = false;
  }
  return state.secured;
}

ShortText address_to_hex5(std::uint32_t address) {
  const ShortText page = hex_byte(static_cast<std::uint8_t>((address >> 16) & 0xF));
  return page.substr(1) + hex_word(static_cast<std::uint16_t>(address));
}

}  // namespace vx
