#include "interface/firmware_update_link.h"

#include "interface/byte_protocol.h"
#include "interface/link_state.h"

namespace vx {
namespace {

constexpr std::uint8_t interface_command = 7, memory_read = 4, running_version_sub_command = 14;
constexpr std::uint8_t no_checksum_version = 255;
constexpr std::uint16_t no_checksum_word = 0xFFFF;

FirmwareUpdateLink fresh_link();

FirmwareUpdateLink update_link = fresh_link();

std::uint8_t digit(std::uint32_t character) { return static_cast<std::uint8_t>(character - '0'); }

void record_update_request(const ShortText& version_text) { update_link.update_requests.push_back(version_text); }

void send_memory_read(std::uint16_t address, std::uint8_t count) {
  SEND8(memory_read);
  SEND8(static_cast<std::uint8_t>(address >> 8));
  SEND8(static_cast<std::uint8_t>(address));
  SEND_CMD_SHORT(count);
}

void read_rom_version(std::uint16_t address) {
  send_memory_read(address, 4);
  RECV16();
  const std::uint32_t first = link_state().reply_word;
  RECV16();
  const std::uint32_t second = link_state().reply_word;
  update_link.rom_major = digit(first >> 8);
  update_link.rom_minor = static_cast<std::uint8_t>(10 * digit(second >> 8) + digit(second & 0xFF));
  if (update_link.rom_major != 4 && update_link.rom_major != 5) return;
  if (read_interface_word(static_cast<std::uint16_t>((address & 0xC000) + 0x3FFE)) != no_checksum_word) return;
  update_link.rom_major = no_checksum_version;
  update_link.rom_minor = no_checksum_version;
}

std::uint16_t read_running_version() {
  SEND8(interface_command);
  SEND_CMD_SHORT(static_cast<std::uint8_t>(byte_protocol().command_offset + running_version_sub_command));
  RECV16();
  const std::uint32_t first = link_state().reply_word;
  RECV16();
  const std::uint32_t second = link_state().reply_word;
  return static_cast<std::uint16_t>(digit(first >> 8) * 100 + 10 * digit(second >> 8) + digit(second & 0xFF));
}

std::uint16_t read_word(std::uint16_t address) {
  send_memory_read(address, 2);
  RECV16();
  return static_cast<std::uint16_t>(link_state().reply_word);
}

FirmwareUpdateLink fresh_link() {
  FirmwareUpdateLink link;
  link.services = {record_update_request, read_rom_version, read_running_version, read_word};
  return link;
}

}  // namespace

FirmwareUpdateLink& firmware_update_link() { return update_link; }

void reset_firmware_update_link() { update_link = fresh_link(); }

void register_firmware_update_services(const FirmwareUpdateServices& services) { update_link.services = services; }

void ask_update_firmware(const ShortText& version_text) {
  if (update_link.services.ask_update_firmware != nullptr) update_link.services.ask_update_firmware(version_text);
}

void get_rom_firmware_version(std::uint16_t address) {
  if (update_link.services.get_rom_firmware_version != nullptr) update_link.services.get_rom_firmware_version(address);
}

std::uint16_t get_running_firmware_version() {
  return update_link.services.get_running_firmware_version != nullptr
             ? update_link.services.get_running_firmware_version()
             : 0;
}

std::uint16_t read_interface_word(std::uint16_t address) {
  return update_link.services.read_interface_word != nullptr ? update_link.services.read_interface_word(address) : 0;
}

void set_update_mode(std::uint8_t mode) { update_link.reset_data_byte = mode; }

}  // namespace vx
