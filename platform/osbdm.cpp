#include "platform/osbdm.h"

#include <algorithm>
#include <utility>

namespace vx::platform {
namespace {

// A status for every call that finds no board behind it.
constexpr std::uint8_t no_board = 0xFF;
// Larger blocks than any board's flash are refused before the data is touched.
constexpr std::uint32_t flash_block_limit = 1u << 20;

OsbdmBackend* installed = nullptr;

extern "C" {

std::uint8_t entry_open(std::uint32_t index) { return installed != nullptr ? installed->open(index) : no_board; }

void entry_close() {
  if (installed != nullptr) installed->close();
}

std::uint8_t entry_init() { return installed != nullptr ? installed->init() : 0; }

std::uint8_t entry_init_hardware() { return installed != nullptr ? installed->init_hardware() : no_board; }

std::uint8_t entry_exchange(std::uint8_t sub_command, std::uint32_t* size, std::uint8_t* data) {
  if (installed == nullptr || size == nullptr || data == nullptr || *size > osbdm_exchange_room) return no_board;
  std::uint32_t length = *size;
  const std::uint8_t status = installed->exchange(sub_command, length, std::span<std::uint8_t>(data, osbdm_exchange_room));
  *size = std::min(length, osbdm_exchange_room);
  return status;
}

std::uint8_t entry_get_version(std::uint8_t* buffer) {
  if (installed == nullptr || buffer == nullptr) return no_board;
  return installed->get_version(std::span<std::uint8_t, osbdm_version_buffer_size>(buffer, osbdm_version_buffer_size));
}

std::uint8_t entry_bootloader_open(std::uint32_t index) {
  return installed != nullptr ? installed->bootloader_open(index) : no_board;
}

std::uint8_t entry_erase(std::uint32_t first, std::uint32_t last) {
  return installed != nullptr ? installed->erase_flash_block(first, last) : no_board;
}

std::uint8_t entry_program(std::uint32_t address, std::uint32_t length, const std::uint8_t* data) {
  if (installed == nullptr || data == nullptr || length > flash_block_limit) return no_board;
  return installed->program_flash_block(address, std::span<const std::uint8_t>(data, length));
}

std::uint8_t entry_verify(std::uint32_t address, std::uint32_t length, const std::uint8_t* data) {
  if (installed == nullptr || data == nullptr || length > flash_block_limit) return no_board;
  return installed->verify_flash_block(address, std::span<const std::uint8_t>(data, length));
}

// The entries that are bound but never called.
std::uint8_t entry_unused() { return no_board; }

}  // extern "C"

}  // namespace

OsbdmBackend* install_osbdm_backend(OsbdmBackend* backend) { return std::exchange(installed, backend); }

void* osbdm_library_entry(std::string_view entry) {
  struct Named {
    std::string_view name;
    void* address;
  };
  const Named entries[] = {
      {"osbdm_open", reinterpret_cast<void*>(&entry_open)},
      {"osbdm_close", reinterpret_cast<void*>(&entry_close)},
      {"osbdm_init", reinterpret_cast<void*>(&entry_init)},
      {"osbdm_init_hardware", reinterpret_cast<void*>(&entry_init_hardware)},
      {"osbdmAPI_exchange_special_feature_command", reinterpret_cast<void*>(&entry_exchange)},
      {"osbdm_get_version", reinterpret_cast<void*>(&entry_get_version)},
      {"osbdm_bootloader_open_device", reinterpret_cast<void*>(&entry_bootloader_open)},
      {"osbdm_bootloader_erase_flash_block", reinterpret_cast<void*>(&entry_erase)},
      {"osbdm_bootloader_program_flash_block", reinterpret_cast<void*>(&entry_program)},
      {"osbdm_bootloader_verify_flash_block", reinterpret_cast<void*>(&entry_verify)},
  };
  for (const Named& named : entries) {
    if (named.name == entry) return named.address;
  }
  const bool bound_only = std::find(std::begin(osbdm_entry_names), std::end(osbdm_entry_names), entry) !=
                          std::end(osbdm_entry_names);
  return bound_only ? reinterpret_cast<void*>(&entry_unused) : nullptr;
}

void* entryless_library_entry(std::string_view) { return nullptr; }

}  // namespace vx::platform
