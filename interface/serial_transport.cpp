#include "interface/serial_transport.h"

#include <algorithm>
#include <vector>

#include "foundation/command_exception.h"
#include "foundation/kstring.h"
#include "foundation/microsecond_timer.h"
#include "foundation/status_output.h"
#include "interface/crc8.h"
#include "interface/programmer_link.h"
#include "interface/serial/ad_except.h"
#include "platform/clock.h"
#include "platform/ws/application.h"

namespace vx {
namespace {

using serial::EAPDException;
using serial::EInOutError;
using serial::EOpenComm;

constexpr std::int32_t max_rate = 115200;
constexpr std::int32_t ms_per_tick = 55;
constexpr std::int32_t retry_delay_ms = 100;
constexpr std::int64_t frame_byte_gap_us = 50;

SerialTransport transport_state;

bool port_is_open() { return transport_state.port && transport_state.port->Open(); }

void report(const ShortText& line) {
  if (transport_state.writes_status_lines) WRITELN_TO_DEBUG(line);
}

serial::TParity parity_of(char letter) {
  switch (upcase_char(letter)) {
    case 'E': return serial::pEven;
    case 'M': return serial::pMark;
    case 'O': return serial::pOdd;
    case 'S': return serial::pSpace;
    default: return serial::pNone;
  }
}

// 115200 divided by a whole divisor, the divisor rounded to the nearest (halves to even).
std::int32_t nearest_rate(std::int32_t requested) {
  const std::int32_t rate = std::min(requested, max_rate);
  std::int32_t divisor = max_rate / rate;
  const std::int32_t remainder = max_rate % rate;
  if (2 * remainder > rate || (2 * remainder == rate && divisor % 2 == 1)) ++divisor;
  return max_rate / divisor;
}

void close_after_failure() {
  try {
    transport_state.port->SetOpen(false);
  } catch (const CommandException&) {
    throw;
  } catch (const std::exception&) {
  }
  transport_state.port_open = false;
}

// One pass of a busy wait: time moves on even on a virtual clock.
bool waited_longer_than(std::int64_t start_us, std::int64_t ms) {
  platform::clock().spin();
  return elapsed_microseconds() - start_us > ms * 1000;
}

}  // namespace

SerialTransport& serial_transport() { return transport_state; }

void start_serial_transport(bool writes_status_lines) {
  transport_state = SerialTransport{};
  transport_state.port = std::make_unique<serial::TApdComPort>();
  transport_state.writes_status_lines = writes_status_lines;
}

void finish_serial_transport() {
  com_close();
  if (port_is_open()) close_after_failure();
  transport_state = SerialTransport{};
}

void com_open(std::uint16_t n, std::int32_t baud, char parity, std::uint16_t data_bits, std::uint16_t stop_bits,
              std::uint16_t in_size, std::uint16_t out_size) {
  com_open_with_retry(n, baud, parity, data_bits, stop_bits, in_size, out_size, false);
}

void com_open_with_retry(std::uint16_t n, std::int32_t baud, char parity, std::uint16_t data_bits,
                         std::uint16_t stop_bits, std::uint16_t in_size, std::uint16_t out_size, bool raise_lines) {
  const ShortText port_text = long_to_str(n);
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      com_configure_and_open(n, baud, parity, data_bits, stop_bits, in_size, out_size, raise_lines);
      return;
    } catch (const EOpenComm& error) {
      report("Failure to open COM" + port_text + " (" + ShortText(error.what()) + ").");
    } catch (const EInOutError&) {
      report("Failure to open COM" + port_text + ".(InOutError)");
    } catch (const CommandException&) {
      throw;
    } catch (const std::exception& error) {
      report("COM Error (" + ShortText(error.what()) + ").");
    }
    close_after_failure();
    transport_state.status = com_status_not_opened;
    delay_ms(retry_delay_ms);
  }
}

// The port always opens at 9600 baud and is switched to the rate asked for after.
void com_configure_and_open(std::uint16_t n, std::int32_t baud, char parity, std::uint16_t data_bits,
                            std::uint16_t stop_bits, std::uint16_t in_size, std::uint16_t out_size,
                            bool raise_lines) {
  // Without the component (the transport was never started) there is nothing to open.
  if (!transport_state.port) {
    transport_state.status = com_status_not_opened;
    return;
  }
  serial::TApdComPort& port = *transport_state.port;
  delay_ms(20);
  if (port.Open()) {
    port.SetOpen(false);
    transport_state.port_open = false;
  }
  port.SetComNumber(n);
  port.SetBaud(9600);
  port.SetParity(parity_of(parity));
  port.SetDataBits(data_bits);
  port.SetStopBits(stop_bits);
  port.SetInSize(in_size);
  port.SetOutSize(out_size);
  if (raise_lines) {
    com_set_rts(true);
    com_set_dtr(true);
  }
  port.SetOpen(true);
  transport_state.port_open = true;
  com_set_baud(baud);
  transport_state.status = port.Open() ? 0 : com_status_not_opened;
}

void com_close() {
  if (!transport_state.port || !transport_state.port_open) return;
  transport_state.port_open = false;
  try {
    transport_state.port->SetOpen(false);
  } catch (const EOpenComm& error) {
    report("Failure (" + ShortText(error.what()) + ").");
  } catch (const EAPDException& error) {
    report("COM Error (" + ShortText(error.what()) + ").");
  }
}

bool com_is_open() { return transport_state.port && !ws::terminated() && transport_state.port->Open(); }

// A rate of 0 or less names no rate: the line keeps its own.
void com_set_baud(std::int32_t baud) {
  if (baud <= 0) return;
  com_try_set_baud(nearest_rate(baud));
}

bool com_try_set_baud(std::int32_t baud) {
  try {
    transport_state.port->SetBaud(baud);
    return true;
  } catch (const EAPDException&) {
  } catch (const EInOutError&) {
  }
  close_after_failure();
  return false;
}

bool com_char_ready() {
  if (transport_state.port->BytesWaiting() != 0) return true;
  if (!port_is_open()) return false;
  com_process_events();
  return transport_state.port->BytesWaiting() != 0;
}

// Waits as long as a byte can still come: while the port is open.
void com_read_byte(std::uint8_t& byte) {
  com_update_line_status();
  while (!com_char_ready()) {
    if (!com_is_open()) {
      transport_state.status = com_status_no_byte;
      return;
    }
    platform::clock().spin();
  }
  byte = transport_state.port->ReadChar();
  com_update_line_status();
}

void com_read_byte_timeout(std::uint8_t& byte, std::int32_t ticks) {
  com_update_line_status();
  com_wait_for_char(transport_state.timeout_factor * ticks * ms_per_tick);
  if (transport_state.port->BytesWaiting() == 0) com_process_events();
  if (transport_state.port->BytesWaiting() != 0) {
    transport_state.status = 0;
    byte = transport_state.port->ReadChar();
  } else {
    transport_state.status = com_status_no_byte;
  }
  if (transport_state.status == 0) com_update_line_status();
}

void com_write_byte(std::uint8_t byte) {
  transport_state.port->WriteChar(byte);
  delay_ms(transport_state.character_delay - 1);
  if (byte == 13) delay_ms(transport_state.line_delay - 1);
}

void com_flush_input() {
  if (!port_is_open()) return;
  while (com_char_ready()) transport_state.port->ReadChar();
  transport_state.port->ClearInput();
}

void com_flush_output() {
  if (port_is_open()) transport_state.port->ClearOutput();
}

bool com_output_empty() {
  com_process_events();
  const std::uint16_t pending = transport_state.port->BytesPending();
  com_process_events();
  return pending == 0;
}

bool com_output_drained() {
  if (transport_state.port->BytesPending() == 0) return true;
  com_process_events();
  return transport_state.port->BytesPending() == 0;
}

// The property takes the level at once, or never while the line is under
// flow control: one servicing pass is all there is to wait for.
void com_set_rts(bool level) {
  if (!transport_state.port) return;
  transport_state.port->SetRTS(level);
  if (port_is_open()) com_process_events();
}

void com_set_dtr(bool level) {
  if (!transport_state.port) return;
  transport_state.port->SetDTR(level);
  if (port_is_open()) com_process_events();
}

std::uint16_t com_update_line_status() {
  std::uint16_t error = transport_state.port->ReadLineError();
  if (error == 9) error = 0;
  transport_state.status = error;
  return error;
}

std::int32_t com_status() { return transport_state.status; }

// A closed port has no threads to give time to, and must not be opened by a wait.
void com_process_events() {
  if (port_is_open()) transport_state.port->ServicePort();
}

void com_wait_for_char(std::int32_t ms) {
  if (ms == 0) ms = 1;
  const std::int64_t start = elapsed_microseconds();
  while (!com_char_ready()) {
    com_process_events();
    if (waited_longer_than(start, ms)) {
      com_process_events();
      break;
    }
  }
}

bool com_wait_until(bool (*done)(), std::int32_t ms) {
  const std::int64_t start = elapsed_microseconds();
  while (!done()) {
    if (waited_longer_than(start, ms)) return false;
  }
  return true;
}

// Every delay, even a negative one, makes at least one pass servicing the port.
void delay_ms(std::int32_t ms) {
  if (ms == 0) return;
  const std::int64_t start = elapsed_microseconds();
  const std::int64_t end_us = std::int64_t{ms} * 1000;
  std::int64_t waited = 0;
  do {
    com_process_events();
    platform::clock().wait_step(static_cast<std::uint64_t>(std::max<std::int64_t>(end_us + 1 - waited, 0)));
    waited = elapsed_microseconds() - start;
  } while (waited <= end_us);
  com_process_events();
}

bool sap_serial_send_frame(std::span<const std::uint8_t> stream, std::uint8_t channel) {
  const std::size_t n = stream.size();
  if (n + 4 > serial_frame_buffer_size) return false;
  com_flush_output();
  std::vector<std::uint8_t> frame;
  if (n <= sap_frame_limit) {
    frame.push_back(static_cast<std::uint8_t>(n + 2));
  } else {
    frame.push_back(0);
    frame.push_back(static_cast<std::uint8_t>((n + 4) >> 8));
    frame.push_back(static_cast<std::uint8_t>((n + 4) & 0xFF));
  }
  const std::size_t checked_from = frame.size();
  frame.push_back(channel);
  frame.insert(frame.end(), stream.begin(), stream.end());
  std::uint8_t check = 0;
  crc8_update(frame.data() + checked_from, n + 1, check);
  const std::int32_t timeout_ms = programmer_link().serial_timeout;
  for (const std::uint8_t byte : frame) {
    com_write_byte(byte);
    if (!com_wait_until(com_output_empty, timeout_ms)) return false;
    delay_microseconds(frame_byte_gap_us);
  }
  com_write_byte(check);
  return com_wait_until(com_output_empty, timeout_ms);
}

}  // namespace vx
