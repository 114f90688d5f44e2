// The byte protocol on a stand-alone programmer: a command is one link command on
// channel 21, answered by its reply words and the acknowledgement last.
#include <algorithm>
#include <vector>

#include "interface/byte_protocol.h"
#include "interface/link_state.h"
#include "interface/programmer_link.h"
#include "interface/protocol_media.h"

namespace vx {
namespace {

constexpr std::uint8_t acknowledgement = 0xEE;
constexpr std::int32_t link_timeout_margin_ms = 225;

void fail_link() { link_state().link_status = 0; }

}  // namespace

void programmer_send8(std::uint8_t b) {
  ByteProtocol& protocol = byte_protocol();
  // A command that does not fit fails rather than going out cut.
  if (protocol.programmer_fill > protocol.programmer_command.size()) return fail_link();
  protocol.programmer_command[protocol.programmer_fill - 1u] = b;
  ++protocol.programmer_fill;
}

void programmer_send_cmd(std::uint8_t b, std::int32_t timeout_ms) {
  ByteProtocol& protocol = byte_protocol();
  programmer_send8(b);
  if (link_state().link_status == 0) {
    protocol.programmer_fill = 1;
    return;
  }
  std::vector<std::uint8_t> stream(protocol.programmer_command.begin(),
                                   protocol.programmer_command.begin() + (protocol.programmer_fill - 1));
  protocol.programmer_fill = 1;
  if (protocol.programmer_drops_lead_byte) {
    stream.erase(stream.begin());
    if (!stream.empty()) stream.front() = static_cast<std::uint8_t>(stream.front() + protocol.programmer_command_offset);
  }
  sap_save_timeouts();
  sap_set_timeouts(timeout_ms + link_timeout_margin_ms);
  bool sent = false;
  try {
    sent = sap_send_receive(stream, protocol.programmer_channel);
  } catch (...) {
    // A halt raised inside the exchange still leaves the link's own time-outs in place.
    sap_restore_timeouts();
    throw;
  }
  sap_restore_timeouts();
  const std::span<const std::uint8_t> reply = sap_reply();
  if (!sent || reply.empty() || reply.back() != acknowledgement) return fail_link();
  link_state().link_status = 0xFFFF;
  protocol.programmer_read_position = 1;
  protocol.programmer_reply_length = static_cast<std::int32_t>(reply.size()) - 1;
}

void programmer_recv16() {
  ByteProtocol& protocol = byte_protocol();
  LinkState& link = link_state();
  const std::span<const std::uint8_t> reply = sap_reply();
  // Another link command in between may have left a shorter reply.
  const std::int32_t length = std::min(protocol.programmer_reply_length, static_cast<std::int32_t>(reply.size()));
  const auto byte_at = [&](std::int32_t position) { return reply[static_cast<std::size_t>(position - 1)]; };
  if (protocol.programmer_read_position > length) return fail_link();
  link.reply_word = byte_at(protocol.programmer_read_position++);
  if (protocol.programmer_read_position > length) return fail_link();
  link.reply_word = link.reply_word << 8 | byte_at(protocol.programmer_read_position++);
}

}  // namespace vx
