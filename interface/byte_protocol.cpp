#include "interface/byte_protocol.h"

#include "foundation/microsecond_timer.h"
#include "foundation/run_control.h"
#include "interface/cable_handshake.h"
#include "interface/link_state.h"
#include "interface/programmer_link.h"
#include "interface/protocol_media.h"
#include "interface/usb_routing.h"
#include "platform/clock.h"

namespace vx {
namespace {

using enum InterfaceClass;

constexpr std::int32_t link_failed_result = 45;

ByteProtocol protocol;

bool link_failed() { return link_state().link_status == 0; }

}  // namespace

ByteProtocol& byte_protocol() { return protocol; }

void reset_byte_protocol() { protocol = ByteProtocol{}; }

void restart_byte_protocol() {
  link_state().link_status = link_state().reload_value;
  protocol.programmer_fill = 1;
  protocol.programmer_read_position = 1;
  protocol.payload_length = 0;
  protocol.batch_active = false;
  protocol.command_offset = 0;
}

bool waited_more_than(std::int64_t start_us, std::int64_t microseconds) {
  platform::clock().spin();
  return elapsed_microseconds() - start_us > microseconds;
}

void SEND8(std::uint8_t b) {
  if (link_failed()) return;
  switch (link_state().interface_class) {
    case parallel_cable: return SEND8_revB(b);
    case usb_interface: return usb_send8(b);
    case standalone_programmer: return programmer_send8(b);
    default: return;
  }
}

void SEND_CMD(std::uint8_t b, std::int32_t timeout_ms) {
  if (link_failed()) return;
  switch (link_state().interface_class) {
    case parallel_cable: return SEND_CMD_revB(b, static_cast<std::uint32_t>(timeout_ms));
    case usb_interface: return usb_send_cmd(b, timeout_ms);
    case standalone_programmer: return programmer_send_cmd(b, timeout_ms);
    default: return;
  }
}

void SEND_CMD_SHORT(std::uint8_t b) {
  if (link_state().interface_class == standalone_programmer && programmer_link().medium == SapMedium::ethernet) {
    SEND_CMD_LONG(b);
  } else {
    SEND_CMD(b, ByteProtocol::short_timeout_ms);
  }
}

void SEND_CMD_LONG(std::uint8_t b) { SEND_CMD(b, ByteProtocol::long_timeout_ms); }

void RECV16() {
  if (link_failed()) return;
  switch (link_state().interface_class) {
    case parallel_cable: return RECV16_RevB();
    case usb_interface: return usb_recv16();
    case standalone_programmer: return programmer_recv16();
    default: return;
  }
}

bool HS_GOOD() {
  if (!protocol.halt_on_failure) return true;
  bool good = false;
  switch (link_state().interface_class) {
    case parallel_cable:
    case standalone_programmer: good = !link_failed(); break;
    case usb_interface: good = usb_port_status() == 0 && !link_failed(); break;
    default: break;
  }
  if (!good) internal_prog_halt(link_failed_result);
  return true;
}

}  // namespace vx
