#include "interface/usb_batch.h"

#include <algorithm>

#include "interface/byte_protocol.h"
#include "interface/link_state.h"
#include "interface/protocol_media.h"
#include "interface/usb_routing.h"

namespace vx {
namespace {

constexpr std::uint8_t acknowledgement = 0xEE;
constexpr std::uint8_t batch_header_sub_command = 20;
constexpr std::size_t header_count_position = 6;
constexpr std::int64_t flush_poll_us = 3'500'000;

void append_frame(std::size_t frame_size) {
  ByteProtocol& protocol = byte_protocol();
  const auto& frame = link_state().usb_frame;
  std::copy_n(frame.begin(), frame_size, protocol.batch.begin() + protocol.batch_total);
  protocol.batch_total = static_cast<std::uint16_t>(protocol.batch_total + frame_size);
}

std::size_t batch_room() { return std::min<std::size_t>(ByteProtocol::batch_byte_limit, ByteProtocol::batch_buffer_size); }

}  // namespace

void start_usb_batch() {
  ByteProtocol& protocol = byte_protocol();
  if (!protocol.batch_mode) return;
  protocol.batch_active = true;
  protocol.batch_total = 0;
  protocol.batch_frames = 0;
  const std::uint8_t header[] = {0xAA, 0x55, 0x00, 0x03, 7, batch_header_sub_command, 0};
  std::copy(std::begin(header), std::end(header), protocol.batch.begin());
  protocol.batch_total = sizeof header;
}

void queue_usb_frame(std::int32_t timeout_ms) {
  ByteProtocol& protocol = byte_protocol();
  const std::size_t frame_size = LinkState::usb_header_size + protocol.payload_length;
  protocol.payload_length = 0;
  if (protocol.batch_frames >= ByteProtocol::batch_frame_limit || protocol.batch_total + frame_size >= batch_room()) {
    // The frame stays in the frame buffer while the batch before it goes out.
    flush_usb_batch(timeout_ms);
    if (link_state().link_status == 0) return;
  }
  if (protocol.batch_total + frame_size >= batch_room()) {
    link_state().link_status = 0;
    return;
  }
  append_frame(frame_size);
  ++protocol.batch_frames;
}

void flush_usb_batch(std::int32_t timeout_ms) {
  ByteProtocol& protocol = byte_protocol();
  LinkState& link = link_state();
  if (!protocol.batch_active) return;
  // The batch goes out through the frame buffer (on WinDriver its reply comes back there);
  // a frame waiting in it is kept aside.
  std::array<std::uint8_t, LinkState::usb_buffer_size> waiting_frame = link.usb_frame;
  const std::uint16_t count = protocol.batch_frames;
  protocol.batch[header_count_position] = static_cast<std::uint8_t>(count);
  const auto body = static_cast<std::uint16_t>(protocol.batch_total - LinkState::usb_header_size);
  protocol.batch[2] = static_cast<std::uint8_t>(body >> 8);
  protocol.batch[3] = static_cast<std::uint8_t>(body);
  std::copy_n(protocol.batch.begin(), protocol.batch_total, link.usb_frame.begin());
  usb_port_write(protocol.batch_total, timeout_ms + 100);
  if (!usb_wait_for_replies(count + 1, timeout_ms, flush_poll_us, true)) {
    link.link_status = 0;
  } else {
    for (std::int32_t i = 0; i <= count; ++i) {
      usb_port_read(1);
      if (link.usb_reply[0] != acknowledgement) link.link_status = 0;
    }
  }
  link.usb_frame = waiting_frame;
  start_usb_batch();
}

}  // namespace vx
