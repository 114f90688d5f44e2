#include "foundation/kstring.h"
#include "foundation/program_trace.h"
#include "interface/byte_protocol.h"
#include "interface/interface_kind.h"
#include "interface/interface_reset.h"
#include "interface/link_state.h"

// Words of interface memory, the upgrade block's checksum and the switch to
// the updated firmware.
namespace vx {
namespace {

constexpr std::uint8_t interface_command = 7, memory_read = 4, memory_write = 2;
constexpr std::uint8_t upgrade_crc_sub_command = 21, switch_updated_sub_command = 16;

std::uint8_t offset_sub_command(std::uint8_t sub_command) {
  return static_cast<std::uint8_t>(byte_protocol().command_offset + sub_command);
}

void send_word_write(std::uint16_t address, std::uint16_t value) {
  repeat_until_good([&] {
    SEND8(memory_write);
    SEND8(static_cast<std::uint8_t>(address >> 8));
    SEND8(static_cast<std::uint8_t>(address));
    SEND8(static_cast<std::uint8_t>(value >> 8));
    SEND_CMD_SHORT(static_cast<std::uint8_t>(value));
  });
}

}  // namespace

std::uint16_t READ_CABLE_WORD(std::uint16_t address) {
  if (on_programmer()) {
    trace_line(link_prefix() + "READ_CABLE_WORD(" + hex_long(address) + ") - ERROR UNSUPPORTED!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!");
    return 0;
  }
  trace_enter(link_prefix() + "READ_CABLE_WORD(" + hex_long(address) + ")");
  repeat_until_good([&] {
    SEND8(memory_read);
    SEND8(static_cast<std::uint8_t>(address >> 8));
    SEND8(static_cast<std::uint8_t>(address));
    SEND_CMD_SHORT(2);
    RECV16();
  });
  const auto word = static_cast<std::uint16_t>(link_state().reply_word);
  trace_line("Result = $" + hex_word(word));
  trace_exit();
  return word;
}

void WRITE_CABLE_WORD(std::uint16_t address, std::uint16_t value) {
  if (on_programmer()) {
    trace_line(link_prefix() + "WRITE_CABLE_WORD(" + hex_long(address) + ") - ERROR UNSUPPORTED!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!");
    return;
  }
  trace_enter(link_prefix() + "WRITE_CABLE_WORD(" + hex_long(address) + "," + hex_word(value) + ")");
  send_word_write(address, value);
  trace_exit();
}

void write_interface_word(std::uint16_t address, std::uint16_t value) {
  if (!on_programmer()) send_word_write(address, value);
}

std::uint8_t USB_QUORVEK_GET_UPGRADE_CRC8() {
  trace_enter(link_prefix() + "USB_QUORVEK_GET_UPGRADE_CRC8");
  SEND8(interface_command);
  SEND_CMD_SHORT(offset_sub_command(upgrade_crc_sub_command));
  RECV16();
  const auto crc = static_cast<std::uint8_t>(link_state().reply_word);
  trace_line("Result " + hex_byte(crc));
  trace_exit();
  return crc;
}

void switch_to_updated_firmware() {
  trace_enter(link_prefix() + ")switch_to_updated_firmware");
  const std::uint8_t major = interface_state().major;
  if (on_usb_interface() || major == 4 || major == 5) {
    SEND8(interface_command);
    SEND_CMD_LONG(offset_sub_command(switch_updated_sub_command));
  } else {
    trace_line("Unsupported by Firmware.");
  }
  trace_exit();
}

}  // namespace vx
