#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vx {

// The link state the byte protocol shares with the port layers below it.
struct LinkState {
  // Room for the largest frame of either USB family: a 1280-byte transfer.
  static constexpr std::size_t usb_buffer_size = 1280;
  static constexpr std::size_t usb_header_size = 4;

  // 0 parallel-port cable or PCI card, 1 USB interface, 2 stand-alone programmer.
  std::uint8_t interface_class = 0;
  // The frame the protocol builds: 4-byte header, then the payload.
  std::array<std::uint8_t, usb_buffer_size> usb_frame{};
  // Reply bytes handed out by the USB layers.
  std::array<std::uint8_t, usb_buffer_size> usb_reply{};
  // 0 means the link has failed; nothing reaches the interface until it is reloaded.
  std::uint16_t link_status = 0xFFFF;
  std::uint16_t reload_value = 0xFFFF;
  // The last 16-bit reply, first byte received high.
  std::uint32_t reply_word = 0;
  // Short settling waits on the parallel cable; firmware 4.00-4.03 keeps it after a reset.
  bool slow_mode = false;
};

LinkState& link_state();
void reset_link_state();

}  // namespace vx
