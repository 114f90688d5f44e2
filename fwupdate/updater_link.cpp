#include "fwupdate/updater_link.h"

#include "foundation/kstring.h"
#include "foundation/program_trace.h"
#include "foundation/run_state.h"
#include "fwupdate/osbdm_binding.h"
#include "fwupdate/programmer_link_variants.h"
#include "fwupdate/update_decision.h"
#include "fwupdate/updater_usb_ports.h"
#include "interface/byte_protocol.h"
#include "interface/ethernet_devices.h"
#include "interface/ethernet_transport.h"
#include "interface/firmware_request.h"
#include "interface/firmware_update_link.h"
#include "interface/interface_hardware.h"
#include "interface/interface_kind.h"
#include "interface/interface_reset.h"
#include "interface/link_state.h"
#include "interface/port_ranges.h"
#include "interface/port_state.h"
#include "interface/programmer_link.h"
#include "interface/serial_transport.h"
#include "interface/usb_routing.h"

namespace vx::updater {
namespace {

using namespace interface_hardware;

constexpr std::uint8_t universal = 1, universal_fx = 2;
constexpr std::uint8_t subcommand_base_universal = 128;

UpdaterLink state;

// The user sees only the window's own messages.
void discard_status_text(const ShortText& text) { trace_line(text); }

bool windriver_universal() {
  const UpdaterUsbPorts& usb = updater_usb_ports();
  return usb.usb_device_family == UpdaterUsbPorts::family_windriver &&
         (usb.universal_kind == universal || usb.universal_kind == universal_fx);
}

ShortText open_description() {
  return upper_case(vx::GET_USB_DEVICE_DESCRIPTION(classify(port_state().current_port).n));
}

bool holds(const ShortText& text, std::string_view part) { return text.view().find(part) != std::string_view::npos; }

void clear_versions() {
  state.flash_version_major = 0;
  state.flash_version_minor = 0;
}

void reset_usb_device() {
  // A board that is closed, or runs its bootloader, has no debug link to reset.
  if (open_device_is_osbdm() && !osbdm_binding().osbdm_device_open) {
    link_state().link_status = 0;
    return;
  }
  usb_port_reset();
  delay_ms(usb_reset_settle_ms);
  Check_firmware_version(usb_version_address);
  if (open_device_is_osbdm()) return;
  if (state.flash_version_major > highest_real_major) Check_firmware_version(original_version_address);
  // Without contact the reads below would halt before the reset could say so.
  if (link_state().link_status == 0) return;
  const std::uint8_t family = updater_usb_ports().usb_device_family;
  if ((READ_CABLE_WORD(upgrade_check_address) & 0xFF) == USB_QUORVEK_GET_UPGRADE_CRC8() &&
      READ_CABLE_WORD(upgrade_block_address) != 0xFFFF && family != UpdaterUsbPorts::family_windriver &&
      family != UpdaterUsbPorts::family_osbdm) {
    switch_to_updated_firmware();
  }
}

void take_programmer_version() {
  state.flash_version_major = interface_state().major;
  state.flash_version_minor = interface_state().minor;
}

void reset_programmer() {
  if (sap_check_identity() != sap_ok) link_state().link_status = 0;
  RESET_TAMBERLYPRO();
  sap_restore_timeouts();
  interface_version_text();
  take_programmer_version();
}

ShortText kind_text() {
  const std::uint8_t major = state.flash_version_major;
  FirmwareNameSet& names = state.names;
  if (on_programmer()) {
    if (port_state().programmer_kind == 1) return "ZEPHLOR ";
    if (major == 6 || major == 8) {
      names.kernel_name = "prokernelen2";
      names.programmer_ens_pattern = names.programmer_ens_pattern_2 = "tamberlyproens.???";
      names.programmer_en2_pattern = "tamberlyproen2.???";
      return "TAMBERLY PRO ";
    }
    if (major == 7 || major == 9) {
      names.kernel_name = "maxkernelen2";
      names.programmer_ens_pattern = names.programmer_ens_pattern_2 = "tamberlymaxens.???";
      names.programmer_en2_pattern = "tamberlymaxen2.???";
      return "TAMBERLY MAX ";
    }
    return "VLX Interface ";
  }
  if (major == 2) return "TETHER12 ";
  if (major == 3 || major == 4) return "BDM QUORVEX ";
  if (major == 5) return names.model_code + " ";
  return "VLX Interface ";
}

ShortText two_digits(std::uint8_t value) { return left_pad_char(long_to_str(value), '0', 2); }

}  // namespace

UpdaterLink& updater_link() { return state; }

void reset_updater_link(UsbListing listing) {
  state = UpdaterLink{};
  if (listing == UsbListing::scout) state.shift_speeds[0] = 10;
  use_updater_link_settings();
}

void set_universal_fx_shift_speed(std::uint32_t speed) { state.shift_speeds[0] = speed; }

void use_updater_link_settings() {
  ByteProtocol& protocol = byte_protocol();
  protocol.programmer_drops_lead_byte = true;
  protocol.programmer_channel = state.names.programmer_channel;
  protocol.programmer_command_offset = state.names.programmer_command_offset;
  programmer_link().asks_before_take_over = true;
  ethernet_transport().quiet_discovery = true;
}

void Check_firmware_version(std::uint16_t address) {
  if (on_usb_interface() && open_device_is_osbdm()) {
    state.flash_version_major = osbdm_binding().osbdm_version_info[osbdm_version::BUILD_VER];
    state.flash_version_minor = osbdm_binding().osbdm_version_info[osbdm_version::BUILD_VER_REV];
    return;
  }
  SEND8(4);
  SEND8(static_cast<std::uint8_t>(address >> 8));
  SEND8(static_cast<std::uint8_t>(address));
  SEND_CMD_SHORT(4);
  RECV16();
  const std::uint32_t first = link_state().reply_word;
  RECV16();
  const std::uint32_t second = link_state().reply_word;
  state.flash_version_major = static_cast<std::uint8_t>((first >> 8) - '0');
  state.flash_version_minor = static_cast<std::uint8_t>(((second >> 8) - '0') * 10 + ((second & 0xFF) - '0'));
  if (link_state().link_status != 0 && READ_CABLE_WORD(static_cast<std::uint16_t>((address & 0xC000) | 0x3FFE)) == 0xFFFF) {
    trace_line("FIRMWARE BLOCK HAS NO CHECKSUM!");
    state.flash_version_major = 255;
    state.flash_version_minor = 255;
  }
}

void set_quorvex_hw_shift_speed(std::uint16_t speed) {
  state.shift_speed = speed;
  if (on_programmer()) {
    sap_set_shift_speed(speed);
    return;
  }
  SEND8(7);
  SEND8(10);
  SEND_CMD_SHORT(static_cast<std::uint8_t>(speed));
}

void set_shift_speed_table(const std::array<std::uint32_t, 6>& speeds) {
  state.shift_speeds = speeds;
  if (!port_state().port_open) return;
  if (on_usb_interface() && !open_device_is_osbdm()) {
    const bool fx = updater_usb_ports().universal_kind == universal_fx;
    set_quorvex_hw_shift_speed(static_cast<std::uint16_t>(speeds[fx ? 0 : 1]));
  } else if (on_programmer()) {
    set_quorvex_hw_shift_speed(static_cast<std::uint16_t>(speeds[port_state().programmer_kind == 0 ? 3 : 4]));
  }
}

void poweruptarget(std::uint32_t) {
  const bool fx_on_windriver = updater_usb_ports().usb_device_family == UpdaterUsbPorts::family_windriver &&
                               updater_usb_ports().universal_kind == universal_fx;
  if (fx_on_windriver || on_programmer()) return;
  trace_line("Error 15002: poweruptarget not implemented");
}

void RESET_CABLE() {
  if (on_parallel_cable()) return;
  restart_byte_protocol();
  byte_protocol().batch_mode = false;
  if (on_usb_interface() && windriver_universal()) {
    byte_protocol().command_offset = subcommand_base_universal;
  }
  if (on_usb_interface()) reset_usb_device();
  if (on_programmer()) reset_programmer();
  if (link_state().link_status == 0) {
    discard_status_text("Could not contact VLX Hardware Interface. Check Power and Connections.");
    return;
  }
  const ShortText kind = kind_text();
  if (state.check_firmware_once) {
    state.check_firmware_once = false;
    state.detected_text = kind + "detected - Flash Version " + long_to_str(state.flash_version_major) + "." +
                          two_digits(state.flash_version_minor);
    discard_status_text(state.detected_text);
    if (!fwupdate::update_decision().update_done) check_interface_firmware(run_state().program_directory);
  }
  // A reset inside an update leaves the shift speed as the update found it.
  if (firmware_update_link().busy) return;
  set_shift_speed_table(state.shift_speeds);
  if (on_usb_interface() && state.power_switch && updater_usb_ports().universal_kind == universal_fx) {
    poweruptarget(1);
  }
}

void check_interface_firmware(const ShortText& directory) {
  const ShortText folder = add_backslash(directory).value_or(directory);
  const FirmwareNameSet& names = state.names;
  fwupdate::FirmwareRequest request = fwupdate::firmware_request();
  if (on_usb_interface()) {
    const UpdaterUsbPorts& usb = updater_usb_ports();
    if (usb.usb_device_family == UpdaterUsbPorts::family_windriver) {
      const ShortText description = open_description();
      if (holds(description, "REF")) {
        request.update_search_pattern = folder + names.usb20_ref_pattern;
        if (request.interface_firmware_version == 563 && holds(description, "DEMOQE128")) {
          request.update_search_pattern =
              add_backslash(run_state().program_directory).value_or(ShortText()) + "usb20bdmrefens_qeprotos.???";
          SEND8(7);
          SEND_CMD_LONG(47);
        }
      } else if (usb.universal_kind == universal) {
        request.update_search_pattern = folder + names.universal_pattern;
        if (!holds(description, "USB-QX-12")) clear_versions();
      } else if (usb.universal_kind == universal_fx) {
        request.update_search_pattern = folder + names.universal_fx_pattern;
        if (!holds(description, "12")) clear_versions();
      } else {
        request.update_search_pattern = folder + names.usb20_pattern;
      }
    } else if (usb.usb_device_family == UpdaterUsbPorts::family_osbdm) {
      request.update_search_pattern = folder + osbdm_firmware_stem();
    } else {
      request.update_search_pattern = folder + names.usb_gen1_pattern;
    }
  } else if (on_programmer()) {
    if (port_state().programmer_kind == 1) {
      request.update_search_pattern = folder + names.trace_patterns[0];
      request.ens_search_pattern = folder + names.trace_patterns[1];
      request.en2_search_pattern = folder + names.trace_patterns[2];
      request.kernel_file_base = folder + names.trace_kernel_name;
      EthernetDeviceRecord info;
      sap_get_device_info(info);
      if (info.extra_text != "HCS08") clear_versions();
    } else {
      request.update_search_pattern = folder + names.programmer_ens_pattern;
      request.ens_search_pattern = folder + names.programmer_ens_pattern_2;
      request.en2_search_pattern = folder + names.programmer_en2_pattern;
      request.kernel_file_base = folder + names.kernel_name;
    }
  }
  request.interface_firmware_version =
      static_cast<std::uint16_t>(state.flash_version_major * 100 + state.flash_version_minor);
  request.update_link_kind = fwupdate::update_link_kind_of(link_state().interface_class);
  fwupdate::offer_firmware_request(request);
  ask_update_firmware(long_to_str(state.flash_version_major) + "." + two_digits(state.flash_version_minor));
}

}  // namespace vx::updater
