#pragma once

#include <cstdint>
#include <vector>

#include "foundation/short_text.h"

// What the interface reset hands to the firmware update engine and what
// the engine's version reads do on the wire. The engine registers its own
// routines at start-up; until then the version reads send their byte
// sequences and an update check is only recorded.
namespace vx {

struct FirmwareUpdateServices {
  // The check for newer firmware; the version text is "M.mm".
  void (*ask_update_firmware)(const ShortText& version_text) = nullptr;
  // Sets rom_major and rom_minor from the version text at the address.
  void (*get_rom_firmware_version)(std::uint16_t address) = nullptr;
  // Major x 100 + minor of the firmware running now.
  std::uint16_t (*get_running_firmware_version)() = nullptr;
  // One word of interface memory, without waiting for the link to hold.
  std::uint16_t (*read_interface_word)(std::uint16_t address) = nullptr;
};

struct FirmwareUpdateLink {
  FirmwareUpdateServices services;
  // Set by the engine while its check runs; a reset then skips its closing steps.
  bool busy = false;
  // What a parallel cable's data register gets at reset.
  std::uint8_t reset_data_byte = 0xAA;
  // From the last get_rom_firmware_version.
  std::uint8_t rom_major = 0;
  std::uint8_t rom_minor = 0;
  // Version texts of the update checks asked for while no engine is registered.
  std::vector<ShortText> update_requests;
};

FirmwareUpdateLink& firmware_update_link();
// Start values, with the wire-level version reads and the recording update check.
void reset_firmware_update_link();
void register_firmware_update_services(const FirmwareUpdateServices& services);

void ask_update_firmware(const ShortText& version_text);
void get_rom_firmware_version(std::uint16_t address);
std::uint16_t get_running_firmware_version();
std::uint16_t read_interface_word(std::uint16_t address);
void set_update_mode(std::uint8_t mode);

}  // namespace vx
