// The byte protocol on a USB interface: frames 0xAA 0x55, length, payload; the
// acknowledgement 0xEE and reply words come back through the USB port routing.
#include <algorithm>

#include "foundation/microsecond_timer.h"
#include "interface/byte_protocol.h"
#include "interface/link_state.h"
#include "interface/protocol_media.h"
#include "interface/usb_batch.h"
#include "interface/usb_routing.h"

namespace vx {
namespace {

constexpr std::uint8_t acknowledgement = 0xEE;
constexpr std::int64_t first_poll_us = 1'000'000;

// A byte left from an earlier reply must never pass for this command's acknowledgement.
void drop_stale_reply_bytes() {
  const auto room = static_cast<std::int32_t>(LinkState::usb_buffer_size);
  for (std::int32_t waiting = usb_port_bytes_waiting(); waiting > 0; waiting = usb_port_bytes_waiting()) {
    const std::int32_t before = waiting;
    usb_port_read(std::min(waiting, room));
    if (usb_port_bytes_waiting() >= before) return;
  }
}

}  // namespace

bool usb_wait_for_replies(std::int32_t count, std::int32_t timeout_ms, std::int64_t poll_us, bool check_link) {
  if (usb_port_bytes_waiting() >= count && usb_port_status() == 0) return true;
  const std::int64_t start = elapsed_microseconds();
  const std::int64_t limit = std::max<std::int64_t>(poll_us, (std::int64_t{timeout_ms} + 50) * 1000);
  while (usb_port_bytes_waiting() < count && usb_port_status() == 0 && !waited_more_than(start, limit)) {
    if (check_link) HS_GOOD();
  }
  return usb_port_status() == 0 && usb_port_bytes_waiting() >= count;
}

void usb_send8(std::uint8_t b) {
  ByteProtocol& protocol = byte_protocol();
  LinkState& link = link_state();
  if (LinkState::usb_header_size + protocol.payload_length >= link.usb_frame.size()) {
    link.link_status = 0;
    return;
  }
  link.usb_frame[LinkState::usb_header_size + protocol.payload_length] = b;
  ++protocol.payload_length;
}

void usb_send_cmd(std::uint8_t b, std::int32_t timeout_ms) {
  ByteProtocol& protocol = byte_protocol();
  LinkState& link = link_state();
  usb_send8(b);
  if (link.link_status == 0) return;
  const std::uint16_t n = protocol.payload_length;
  link.usb_frame[0] = 0xAA;
  link.usb_frame[1] = 0x55;
  link.usb_frame[2] = static_cast<std::uint8_t>(n >> 8);
  link.usb_frame[3] = static_cast<std::uint8_t>(n);
  if (protocol.batch_active) return queue_usb_frame(timeout_ms);
  drop_stale_reply_bytes();
  usb_port_write(n + static_cast<std::int32_t>(LinkState::usb_header_size), timeout_ms + 100);
  protocol.payload_length = 0;
  if (!usb_wait_for_replies(1, timeout_ms, first_poll_us, false)) {
    link.link_status = 0;
    return;
  }
  usb_port_read(1);
  if (link.usb_reply[0] != acknowledgement) link.link_status = 0;
}

void usb_recv16() {
  ByteProtocol& protocol = byte_protocol();
  LinkState& link = link_state();
  if (protocol.batch_active && protocol.batch_frames > 0) flush_usb_batch(ByteProtocol::batch_flush_timeout_ms);
  if (link.link_status == 0) return;
  if (usb_port_bytes_waiting() < 2) {
    const std::int64_t start = elapsed_microseconds();
    while (usb_port_bytes_waiting() < 2 && !waited_more_than(start, first_poll_us)) HS_GOOD();
    if (usb_port_bytes_waiting() < 2) {
      link.link_status = 0;
      return;
    }
  }
  usb_port_read(2);
  link.reply_word = std::uint32_t{link.usb_reply[0]} << 8 | link.usb_reply[1];
}

}  // namespace vx
