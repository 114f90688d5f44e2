#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "foundation/short_text.h"
#include "interface/interface_class.h"

namespace vx {

// The link state the byte protocol shares with the port layers below it.
struct LinkState {
  // Room for the largest frame of either USB family: a 1280-byte transfer.
  static constexpr std::size_t usb_buffer_size = 1280;
  static constexpr std::size_t usb_header_size = 4;

  static constexpr std::uint16_t reload_start = 0xFFFF;

  InterfaceClass interface_class = InterfaceClass::parallel_cable;
  // 0: the link failed; anything else is good. Waits on the cable count it down.
  std::uint16_t link_status = reload_start;
  // What a reset and each cable wait load into the link status.
  std::uint16_t reload_value = reload_start;
  // Cable polls per counting step of a command's timed wait.
  std::uint16_t per_poll_count = 32;
  // The last reply word, high byte received first; 16 bits used.
  std::uint32_t reply_word = 0;
  // The frame the protocol builds: 4-byte header, then the payload.
  std::array<std::uint8_t, usb_buffer_size> usb_frame{};
  // Reply bytes handed out by the USB layers.
  std::array<std::uint8_t, usb_buffer_size> usb_reply{};
};

LinkState& link_state();
void reset_link_state();

// "(HC=$hhxx/HE=$hhxx)": the high bytes of the reload value and the link status,
// written before the trace lines of the link routines.
ShortText link_prefix();

}  // namespace vx
