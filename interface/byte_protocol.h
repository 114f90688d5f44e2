#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The five routines every exchange with a debug interface goes through,
// whatever the medium: command bytes out, an acknowledgement and 16-bit
// reply words (link_state().reply_word) back, and HS_GOOD to confirm the
// link. Only they look at the interface class. Main thread only.
namespace vx {

struct ByteProtocol {
  static constexpr std::int32_t short_timeout_ms = 1250, long_timeout_ms = 3000, batch_flush_timeout_ms = 3500;
  static constexpr std::size_t programmer_buffer_size = 8192;
  // A batch goes out in one USB write, so it holds no more than the frame buffer.
  static constexpr std::size_t batch_buffer_size = 1280;
  static constexpr std::uint16_t batch_frame_limit = 255, batch_byte_limit = 1500;

  // Off only for a probe whose failure is expected.
  bool halt_on_failure = true;
  // Bytes queued for the USB frame since the last send.
  std::uint16_t payload_length = 0;
  // The programmer's command bytes (1-based count: 1 is empty) and read position into its reply.
  std::array<std::uint8_t, programmer_buffer_size> programmer_command{};
  std::uint16_t programmer_fill = 1;
  std::int32_t programmer_read_position = 1;
  std::int32_t programmer_reply_length = 0;
  // 0 or 128: added to the firmware-control sub-commands of newer USB firmware.
  std::uint8_t command_offset = 0;
  // How a programmer link carries an interface command: the flash programmer
  // sends it whole on the protocol channel; the firmware updater drops the
  // leading 7 and adds the architecture's offset to the sub-command, on the
  // architecture's channel.
  std::uint8_t programmer_channel = 21;
  bool programmer_drops_lead_byte = false;
  std::uint8_t programmer_command_offset = 0;
  // Batching of USB frames; nothing in the system switches it on.
  bool batch_mode = false;
  bool batch_active = false;
  std::uint16_t batch_frames = 0;
  std::uint16_t batch_total = 0;
  std::array<std::uint8_t, batch_buffer_size> batch{};
};

ByteProtocol& byte_protocol();
// Program start and tests: start values, halt switch on, no batch.
void reset_byte_protocol();
// An interface reset's fresh start: link status reloaded, buffers emptied,
// batch dropped, command offset 0.
void restart_byte_protocol();

void SEND8(std::uint8_t b);
void SEND_CMD(std::uint8_t b, std::int32_t timeout_ms);
// 1250 ms, or 3000 ms on a programmer reached over Ethernet.
void SEND_CMD_SHORT(std::uint8_t b);
void SEND_CMD_LONG(std::uint8_t b);
void RECV16();
// True when the link held (or the halt switch is off); otherwise ends the
// script with result 45 and does not return.
bool HS_GOOD();

// The calling convention of every interface operation: the exchange again
// until HS_GOOD answers true (it halts the script instead of answering false).
template <typename Exchange>
void repeat_until_good(Exchange exchange) {
  do {
    exchange();
  } while (!HS_GOOD());
}

// Batch mode: a new batch (header command queued), and sending the batch now.
void start_usb_batch();
void flush_usb_batch(std::int32_t timeout_ms);

// The published background-debug command bytes.
namespace bdc {
inline constexpr std::uint8_t BACKGROUND = 0x90, GO = 0x08, READ_BYTE = 0xE0, WRITE_BYTE = 0xC0, READ_BKPT = 0xE2,
                              WRITE_BKPT = 0xC2, READ_A = 0x68, READ_CCR = 0x69, READ_PC = 0x6B, READ_HX = 0x6C,
                              READ_SP = 0x6F, WRITE_A = 0x48, WRITE_CCR = 0x49, WRITE_PC = 0x4B, WRITE_HX = 0x4C,
                              WRITE_SP = 0x4F, READ_STATUS = 0xE4, WRITE_CONTROL = 0xC4;
}

}  // namespace vx
