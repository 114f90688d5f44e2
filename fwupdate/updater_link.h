#pragma once

#include <array>
#include <cstdint>

#include "foundation/short_text.h"
#include "fwupdate/updater_usb_ports.h"

// The updater's interface link: the byte protocol carried to the open USB
// interface, OSBDM board, programmer or trace interface, with the updater's
// own reset, which recognises the interface's kind and firmware and chooses
// the firmware-file patterns for the update engine. Main thread only.
namespace vx::updater {

// The firmware files that belong to the chosen architecture (the Kinetis row until one is chosen).
struct FirmwareNameSet {
  ShortText kernel_name = "maxkernelen2";
  ShortText programmer_ens_pattern = "tamberlymaxens.???";
  ShortText programmer_ens_pattern_2 = "tamberlymaxens.???";
  ShortText programmer_en2_pattern = "tamberlymaxen2.???";
  ShortText trace_kernel_name = "zphkernelen2";
  std::array<ShortText, 3> trace_patterns{"zephlorarmen2.???", "zephlorarmen2.???", "zephlorarmen2.???"};
  ShortText usb_gen1_pattern = "usbqxarm_ens.???";
  ShortText usb20_pattern = "usbqxarm20_ens.???";
  ShortText usb20_ref_pattern = "usbqxarm20_ref_ens.???";
  ShortText universal_pattern = "usbqxfs20armens.???";
  ShortText universal_fx_pattern = "usbqxfx20armens.???";
  ShortText model_code = "USB-QX-ARM";
  std::uint8_t programmer_channel = 15;
  std::uint8_t programmer_command_offset = 100;
};

struct UpdaterLink {
  std::uint8_t flash_version_major = 0;
  std::uint8_t flash_version_minor = 0;
  // Entries: 0 Universal FX, 1 other USB interfaces, 3 programmers, 4 trace interfaces.
  std::array<std::uint32_t, 6> shift_speeds{4, 0, 0, 3, 3, 1};
  std::uint16_t shift_speed = 0;
  bool power_switch = false;
  bool check_firmware_once = true;
  ShortText detected_text;  // the last "... detected - Flash Version ..." line
  FirmwareNameSet names;
};

UpdaterLink& updater_link();
// The unit's start, with use_updater_link_settings; fwscout's build starts the
// Universal FX's shift speed at 10.
void reset_updater_link(UsbListing listing = UsbListing::updater);
// fwscout's setter of the Universal FX's entry of the shift-speed table.
void set_universal_fx_shift_speed(std::uint32_t speed);
// The byte protocol takes the name set's programmer channel and offset, and
// the programmer link asks before taking over a device another user holds,
// and the Ethernet discovery fails without a status line (after the
// transport's start, which returns it to its start values). Again after the name set's channel or offset changed.
void use_updater_link_settings();

void Check_firmware_version(std::uint16_t address);
void set_quorvex_hw_shift_speed(std::uint16_t speed);
void set_shift_speed_table(const std::array<std::uint32_t, 6>& speeds);
void poweruptarget(std::uint32_t value);
void RESET_CABLE();
// Offers the update engine the firmware files for the open interface;
// directory: where they are looked for.
void check_interface_firmware(const ShortText& directory);

}  // namespace vx::updater
