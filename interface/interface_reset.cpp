#include "interface/interface_reset.h"

#include "foundation/kstring.h"
#include "foundation/program_trace.h"
#include "foundation/status_output.h"
#include "foundation/system_helpers.h"
#include "interface/byte_protocol.h"
#include "interface/connection_settings.h"
#include "interface/firmware_request.h"
#include "interface/firmware_update_link.h"
#include "interface/interface_hardware.h"
#include "interface/interface_speed.h"
#include "interface/link_state.h"
#include "interface/cable_handshake.h"
#include "interface/port_ranges.h"
#include "interface/port_state.h"
#include "interface/programmer_link.h"
#include "interface/serial_transport.h"
#include "interface/target_pins.h"
#include "interface/usb_routing.h"

namespace vx {
namespace {

using enum InterfaceClass;
using namespace interface_hardware;
enum Family : std::uint8_t { ftdi_family = 0, windriver_family = 1 };

constexpr std::uint8_t memory_read = 4, target_type_hcs08 = 8;
constexpr std::int32_t pin_settle_ms = 10;

InterfaceState state;

ShortText version_line_text() {
  const ShortText& text = state.version_text;
  return text.substr(0, 1) + "." + text.substr(1, 2);
}

// The program's own directory followed by the name; empty when it would not fit.
ShortText beside_program(std::string_view name) {
  ShortText exe;
  GET_EXE_PATH(exe);
  const std::optional<ShortText> directory = add_backslash(path_part(exe));
  if (!directory || directory->size() + name.size() > ShortText::max_length) return ShortText();
  return *directory + name;
}

void choose_firmware_patterns() {
  fwupdate::FirmwareRequest request = fwupdate::firmware_request();
  request.interface_firmware_version = static_cast<std::uint16_t>(state.major * 100 + state.minor);
  request.update_link_kind = fwupdate::update_link_kind_of(link_state().interface_class);
  switch (link_state().interface_class) {
    case parallel_cable: request.update_search_pattern = beside_program("quorvexens.???"); break;
    case usb_interface:
      if (usb_routing().usb_driver_family != windriver_family) {
        request.update_search_pattern = beside_program("usbbdmens.???");
        break;
      }
      if (const ShortText description = upper_case(GET_USB_DEVICE_DESCRIPTION(classify(port_state().current_port).n));
          description.view().find("REF") != std::string_view::npos) {
        request.update_search_pattern = beside_program("usb20bdmrefens.???");
      } else if (description.view().find("(FS)") != std::string_view::npos) {
        request.update_search_pattern = beside_program("usbqxfs20bdmens.???");
        if (description.view().find("USB-QX-12") == std::string_view::npos) {
          state.major = 0;
          state.minor = 0;
        }
      } else {
        request.update_search_pattern = beside_program("usb20bdmens.???");
      }
      break;
    case standalone_programmer: {
      // A Max never takes the Pro's images or kernels.
      const bool max = state.major == 7 || state.major == 9;
      request.update_search_pattern = beside_program(max ? "tamberlymaxens.???" : "tamberlyproens.???");
      request.ens_search_pattern = request.update_search_pattern;
      request.en2_search_pattern = beside_program(max ? "tamberlymaxen2.???" : "tamberlyproen2.???");
      request.kernel_file_base = beside_program(max ? "maxkernelen2" : "prokernelen2");
      break;
    }
    default: break;
  }
  fwupdate::offer_firmware_request(request);
}

bool uses_power_commands() {
  const bool mini_windriver = link_state().interface_class == usb_interface &&
                              usb_routing().usb_driver_family == windriver_family && usb_routing().usb_mini_interface;
  return (mini_windriver || link_state().interface_class == standalone_programmer) &&
         connection_settings().power_relays_in_use;
}

void reset_parallel_cable() {
  const PortState& port = port_state();
  port_out(static_cast<std::uint16_t>(port.port_control_address), 7);
  delay_ms(1);
  port_out(static_cast<std::uint16_t>(port.port_control_address), 3);
  port_out(static_cast<std::uint16_t>(port.port_base_address), firmware_update_link().reset_data_byte);
  delay_ms(20);
  port_out(static_cast<std::uint16_t>(port.port_control_address), 7);
  delay_ms(200);
  Check_cable_version(cable_version_address);
  if (state.major > highest_real_major) Check_cable_version(original_version_address);
}

void reset_usb_interface() {
  usb_port_reset();
  delay_ms(usb_reset_settle_ms);
  Check_cable_version(usb_version_address);
  if (state.major > highest_real_major) Check_cable_version(original_version_address);
  // Without contact the reads below would halt before the reset could say so.
  if (link_state().link_status == 0) return;
  byte_protocol().command_offset = state.major > 5 ? 128 : 0;
  if ((READ_CABLE_WORD(upgrade_check_address) & 0xFF) == USB_QUORVEK_GET_UPGRADE_CRC8() &&
      READ_CABLE_WORD(upgrade_block_address) != 0xFFFF && usb_routing().usb_driver_family == ftdi_family) {
    switch_to_updated_firmware();
  }
  start_usb_batch();
}

void reset_programmer() {
  if (sap_check_identity() != sap_ok) link_state().link_status = 0;
  RESET_TAMBERLYPRO();
  interface_version_text();
}

}  // namespace

InterfaceState& interface_state() { return state; }

void reset_interface_state() { state = InterfaceState{}; }

bool firmware_at_least(std::uint8_t major, std::uint8_t minor) {
  return state.major > major || (state.major == major && state.minor >= minor);
}

ShortText interface_model_name(InterfaceClass interface_class, std::uint8_t major) {
  if (interface_class == standalone_programmer) {
    if (major == 6 || major == 8) return "TAMBERLY PRO ";
    if (major == 7 || major == 9) return "TAMBERLY MAX ";
    return "VLX Interface ";
  }
  if (major == 2) return "TETHER12 ";
  if (major == 3 || major == 4) return "BDM QUORVEX ";
  if (major == 5) return "USB HCS08/HCS12 QUORVEX ";
  return "VLX Interface ";
}

void RESET_CABLE() {
  trace_enter(link_prefix() + "RESET_CABLE");
  restart_byte_protocol();
  cable_handshake().slow_mode = true;
  switch (link_state().interface_class) {
    case parallel_cable: reset_parallel_cable(); break;
    case usb_interface: reset_usb_interface(); break;
    case standalone_programmer: reset_programmer(); break;
    default: break;
  }
  if (link_state().link_status == 0) {
    WRITELN_TO_DEBUG("Could not contact VLX Hardware Interface. Check Power and Connections.");
    state.block_mode = false;
    trace_exit();
    return;
  }
  state.block_mode = firmware_at_least(3, 20);
  cable_handshake().slow_mode = state.major == 4 && state.minor <= 3;
  const InterfaceClass interface_class = link_state().interface_class;
  if (state.model_message) {
    WRITELN_TO_DEBUG(interface_model_name(interface_class, state.major) + "detected - Flash Version " +
                     version_line_text());
    state.model_message = false;
    if (state.major != 3) {
      const ShortText offered = version_line_text();
      choose_firmware_patterns();
      ask_update_firmware(offered);
    }
  }
  if (!firmware_update_link().busy) {
    if (uses_power_commands()) {
      DRIVE_BKGD_LOW();
      set_target_voltage(connection_settings().supply_selection);
      delay_ms(pin_settle_ms);
      RELEASE_BKGD();
      delay_ms(pin_settle_ms);
    }
    SET_TARGET_TYPE(target_type_hcs08);
    SET_SPEED_NO_RESET();
  }
  trace_exit();
}

void Check_cable_version(std::uint16_t address) {
  trace_enter(link_prefix() + "Check_cable_version at address $" + hex_long(address));
  SEND8(memory_read);
  SEND8(static_cast<std::uint8_t>(address >> 8));
  SEND8(static_cast<std::uint8_t>(address));
  SEND_CMD_SHORT(4);
  RECV16();
  const std::uint32_t first = link_state().reply_word;
  state.major = static_cast<std::uint8_t>((first >> 8) - '0');
  state.version_text = ShortText(1, static_cast<char>(first >> 8));
  RECV16();
  const std::uint32_t second = link_state().reply_word;
  state.version_text += static_cast<char>(second >> 8);
  state.version_text += static_cast<char>(second);
  state.minor = static_cast<std::uint8_t>(10 * ((second >> 8) - '0') + ((second & 0xFF) - '0'));
  trace_line(")  Interface Major Rev:" + long_to_str(state.major));
  trace_line(")  Interface Minor Rev:" + long_to_str(state.minor));
  const bool checked = link_state().link_status != 0 &&
                       (link_state().interface_class == usb_interface || state.major == 4 || state.major == 5);
  if (checked && READ_CABLE_WORD(static_cast<std::uint16_t>((address & 0xC000) + 0x3FFE)) == 0xFFFF) {
    trace_line("FIRMWARE BLOCK HAS NO CHECKSUM!");
    state.version_text = "XXX";
    state.major = 255;
    state.minor = 255;
  }
  trace_exit();
}

}  // namespace vx
