#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "foundation/short_text.h"

// The stand-alone programmer link: one programmer at a time over Ethernet,
// USB or RS-232, link commands (a channel code and a command stream) and
// the reply of the last one. Main thread only.
namespace vx {

// The longest command stream that travels in a short serial frame.
inline constexpr std::uint16_t sap_frame_limit = 240;

inline constexpr std::uint8_t sap_query_channel = 1, sap_control_channel = 2, sap_protocol_channel = 21;

enum class SapMedium : std::uint8_t { ethernet = 0, usb = 1, serial = 2, none = 3 };

inline constexpr std::int32_t sap_ok = 0, sap_no_reply = 10, sap_ethernet_failed = 11, sap_serial_failed = 16,
                              sap_usb_failed = 17, sap_open_exception = 18;

using SapStream = std::vector<std::uint8_t>;

struct ProgrammerLink {
  static constexpr std::size_t reply_size = 8192;

  SapMedium medium = SapMedium::none;
  bool open = false;
  std::int32_t ethernet_timeout = 3000;
  std::int32_t serial_timeout = 3000;
  std::int32_t usb_timeout = 3000;
  std::array<std::int32_t, 3> saved_timeouts{3000, 3000, 3000};
  std::array<std::uint8_t, reply_size> reply{};
  std::int32_t reply_length = 0;
  bool data_received = false;
  // The WinDriver device last opened, for the re-open after a reset.
  ShortText usb_identifier;
  // The firmware updater asks the user before taking over a programmer
  // that another user holds; the flash programmer takes it over at once.
  bool asks_before_take_over = false;
};

inline constexpr std::string_view sap_take_over_question =
    "This device is currently in use by another user, do you wish to obtain control of the unit and continue?";

ProgrammerLink& programmer_link();
// Program start and tests: no medium, time-outs 3000 ms, empty reply.
void reset_programmer_link();
// The link's text for a result code 10-17; empty for any other.
ShortText sap_error_text(std::int32_t code);

// Medium control.
std::int32_t sap_open_ethernet_ip(const ShortText& address, std::uint16_t port);
std::int32_t sap_open_ethernet(const ShortText& address);
std::int32_t sap_open_usb(std::int32_t n);
std::int32_t sap_open_serial(std::uint16_t n);
std::int32_t sap_open_serial_baud(std::uint16_t n, std::int32_t baud);
void sap_close();
std::int32_t sap_usb_programmer_count();

// Exchange.
bool sap_send_receive(std::span<const std::uint8_t> stream, std::uint8_t channel);
void sap_send(std::span<const std::uint8_t> stream, std::uint8_t channel);
std::uint8_t sap_reply_status();
std::uint32_t sap_reply_long();
ShortText sap_reply_text();
// The reply bytes of the last exchange.
std::span<const std::uint8_t> sap_reply();

void sap_save_timeouts();
void sap_set_timeouts(std::int32_t ms);
void sap_restore_timeouts();
void sap_set_ethernet_timeout(std::int32_t ms);
std::int32_t sap_get_ethernet_timeout();
void sap_set_serial_timeout(std::int32_t ms);
std::int32_t sap_get_serial_timeout();
void sap_set_usb_timeout(std::int32_t ms);
std::int32_t sap_get_usb_timeout();

// Command stream pieces.
ShortText sap_command_byte(std::uint8_t value);
ShortText word_to_be_text(std::uint16_t value);
ShortText long_to_be_text(std::uint32_t value);
void append_text(SapStream& stream, const ShortText& piece);

// Programmer commands. Query routines give 0 or 10 and their text (empty,
// or the command's fixed failure text, when the exchange failed).
// 0, or 10 when a serial line's output did not drain within the serial time-out.
std::int32_t sap_reset_device(std::int32_t wait_ms);
std::uint8_t sap_erase_block(std::uint8_t block);
// Writes `length` bytes of `data` (never more than it holds) in chunks of
// the frame limit less 12; 0 at the first chunk refused.
std::uint8_t sap_write_memory(std::uint32_t address, std::uint16_t length, std::span<const std::uint8_t> data);
ShortText sap_query_mac_raw();
ShortText sap_query_mac();
ShortText format_mac_address(const ShortText& raw);
std::int32_t sap_query_identity(ShortText& text, std::uint8_t max);
std::int32_t sap_check_identity();
std::int32_t sap_query_first_duration(ShortText& text, std::uint8_t max);
std::int32_t sap_query_second_duration(ShortText& text, std::uint8_t max);
std::int32_t sap_query_version(ShortText& text, std::uint8_t max);
ShortText sap_query_extra_text(std::uint8_t max);
std::int32_t sap_query_logic_version(ShortText& text, std::uint8_t max);
std::int32_t sap_query_image_logic_version(ShortText& text, std::uint8_t max);
bool sap_update_logic();
bool sap_check_success();
std::uint32_t sap_range_crc(std::uint32_t address, std::uint32_t length);
struct SapRegion {
  std::uint32_t length = 0;
  std::uint32_t crc = 0;
};
SapRegion sap_get_region();
ShortText sap_get_kernel_name();
std::uint8_t sap_select_mode(std::uint8_t region);

ShortText format_duration(std::uint32_t seconds);

}  // namespace vx
