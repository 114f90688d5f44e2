#pragma once

#include <cstdint>

#include "foundation/short_text.h"
#include "interface/interface_class.h"

// Bringing a debug interface into a known state: reset, firmware version,
// the model line and the update check once per run, interface-memory words,
// the stand-alone programmer's initialisation and the two reboot steps the
// firmware update engine calls.
namespace vx {

struct InterfaceState {
  std::uint8_t major = 0;  // 0: not detected; 255 with minor 255: no checksum
  std::uint8_t minor = 0;
  // Major digit then two minor digits ("512"), or "XXX".
  ShortText version_text;
  // Firmware 3.20 and later moves blocks in one command.
  bool block_mode = false;
  // The model line and the update check belong to the first reset that reaches an interface.
  bool model_message = true;
};

InterfaceState& interface_state();
void reset_interface_state();

// Firmware at least major.minor (255.255 counts as above everything).
bool firmware_at_least(std::uint8_t major, std::uint8_t minor);
// "TAMBERLY PRO ", "USB HCS08/HCS12 QUORVEX "... for the class and major.
ShortText interface_model_name(InterfaceClass interface_class, std::uint8_t major);

void RESET_CABLE();
void Check_cable_version(std::uint16_t address);
std::uint16_t READ_CABLE_WORD(std::uint16_t address);
void WRITE_CABLE_WORD(std::uint16_t address, std::uint16_t value);
void write_interface_word(std::uint16_t address, std::uint16_t value);
std::uint8_t USB_QUORVEK_GET_UPGRADE_CRC8();
void switch_to_updated_firmware();
void TAMBERLYPRO_INITIALIZATION();
void RESET_TAMBERLYPRO();
void interface_version_text();

bool boot_original_firmware_v5();
void boot_original_firmware();

}  // namespace vx
