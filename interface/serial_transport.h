#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "interface/serial/com_port.h"

// The RS-232 medium of the programmer link: the program's one serial port
// component, framed link commands with a CRC-8 check byte, reply bytes read
// with time-outs, and the interface layer's millisecond delay, which
// services an open port on every pass. Main thread only.
namespace vx {

struct SerialTransport {
  std::unique_ptr<serial::TApdComPort> port;
  // This unit opened the port and has not closed it yet.
  bool port_open = false;
  // 0 success, 100 the port did not open, 1234 no byte in time, 1-4 a line error.
  std::int32_t status = 0;
  std::uint16_t character_delay = 1;
  std::uint16_t line_delay = 1;
  std::uint16_t timeout_factor = 1;
  // The firmware updater's build writes no status lines.
  bool writes_status_lines = true;
};

inline constexpr std::int32_t com_status_not_opened = 100;
inline constexpr std::int32_t com_status_no_byte = 1234;
// A frame is built in a buffer of this size.
inline constexpr std::size_t serial_frame_buffer_size = 8192;

SerialTransport& serial_transport();
// At program start: the component with its defaults, delays and factor 1, status 0.
void start_serial_transport(bool writes_status_lines = true);
// At program end: the port closed and the component freed.
void finish_serial_transport();

// Parity letters: E even, M mark, O odd, S space (either case), any other none.
void com_open(std::uint16_t n, std::int32_t baud, char parity, std::uint16_t data_bits, std::uint16_t stop_bits,
              std::uint16_t in_size, std::uint16_t out_size);
void com_open_with_retry(std::uint16_t n, std::int32_t baud, char parity, std::uint16_t data_bits,
                         std::uint16_t stop_bits, std::uint16_t in_size, std::uint16_t out_size, bool raise_lines);
void com_configure_and_open(std::uint16_t n, std::int32_t baud, char parity, std::uint16_t data_bits,
                            std::uint16_t stop_bits, std::uint16_t in_size, std::uint16_t out_size,
                            bool raise_lines);
void com_close();
bool com_is_open();
void com_set_baud(std::int32_t baud);
bool com_try_set_baud(std::int32_t baud);

bool com_char_ready();
void com_read_byte(std::uint8_t& byte);
// Waits timeout factor x ticks x 55 ms for the byte.
void com_read_byte_timeout(std::uint8_t& byte, std::int32_t ticks);
void com_write_byte(std::uint8_t byte);
void com_flush_input();
void com_flush_output();
bool com_output_empty();
bool com_output_drained();
void com_set_rts(bool level);
void com_set_dtr(bool level);
// The component's line error (1-4), a break counting as none; kept as the status.
std::uint16_t com_update_line_status();
std::int32_t com_status();
void com_process_events();
void com_wait_for_char(std::int32_t ms);
// A busy wait that services an open port on every pass.
void delay_ms(std::int32_t ms);
// Busy-waits until `done` holds: false when `ms` passed first.
bool com_wait_until(bool (*done)(), std::int32_t ms);

// Sends the link command (channel, stream) as one frame: the short form up
// to the link's frame limit, else the long form. A stream too long for the
// frame buffer is not sent (false); a line whose output does not drain
// within the link's serial time-out fails the send (false).
bool sap_serial_send_frame(std::span<const std::uint8_t> stream, std::uint8_t channel);

}  // namespace vx
