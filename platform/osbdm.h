#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// The OSBDM/OSJTAG library's twenty entries as the binding calls them, and
// the boards behind them. The library's file is loaded like any other (see
// dynlib.h); a built-in provider hands out entries that run on the installed
// backend, so the simulator's boards answer through the very calls a real
// library would receive.
namespace vx::platform {

// The exchange entry's data pointer has room for this many bytes, in and out.
inline constexpr std::uint32_t osbdm_exchange_room = 62;
// The version entry's buffer: the eight version bytes at offsets 2 to 9.
inline constexpr std::size_t osbdm_version_buffer_size = 64;

namespace osbdm_entry {
extern "C" {
using Status = std::uint8_t (*)();
using Index = std::uint8_t (*)(std::uint32_t index);
using Nothing = void (*)();
using Exchange = std::uint8_t (*)(std::uint8_t sub_command, std::uint32_t* size, std::uint8_t* data);
using Version = std::uint8_t (*)(std::uint8_t* buffer);
using Erase = std::uint8_t (*)(std::uint32_t first, std::uint32_t last);
using Block = std::uint8_t (*)(std::uint32_t address, std::uint32_t length, const std::uint8_t* data);
}
}  // namespace osbdm_entry

// The names in the order the binding looks them up.
inline constexpr std::string_view osbdm_entry_names[20] = {
    "osbdm_DLL_VERSION",
    "osbdm_open",
    "osbdm_close",
    "osbdm_init",
    "osbdm_init_hardware",
    "osbdmAPI_exchange_special_feature_command",
    "osbdm_get_version",
    "osbdm_set_speed",
    "osbdm_get_speed",
    "osbdm_target_reset",
    "osbdm_target_halt",
    "osbdm_target_go",
    "osbdm_target_step",
    "osbdm_bootloader_open_device",
    "osbdm_bootloader_erase_flash_block",
    "osbdm_bootloader_program_flash_block",
    "osbdm_bootloader_verify_flash_block",
    "osbdm_write_block",
    "osbdm_read_block",
    "osbdm_write_fill",
};

// What the boards do for the entries that are called. Statuses: 0 success.
class OsbdmBackend {
 public:
  virtual ~OsbdmBackend() = default;
  // The number of boards in debug mode.
  virtual std::uint8_t init() = 0;
  virtual std::uint8_t open(std::uint32_t index) = 0;
  virtual void close() = 0;
  virtual std::uint8_t init_hardware() = 0;
  // data holds `size` bytes on the way in; the reply goes to the same place
  // and `size` becomes its length, never more than data's room.
  virtual std::uint8_t exchange(std::uint8_t sub_command, std::uint32_t& size, std::span<std::uint8_t> data) = 0;
  virtual std::uint8_t get_version(std::span<std::uint8_t, osbdm_version_buffer_size> buffer) = 0;
  virtual std::uint8_t bootloader_open(std::uint32_t index) = 0;
  virtual std::uint8_t erase_flash_block(std::uint32_t first, std::uint32_t last) = 0;
  virtual std::uint8_t program_flash_block(std::uint32_t address, std::span<const std::uint8_t> data) = 0;
  virtual std::uint8_t verify_flash_block(std::uint32_t address, std::span<const std::uint8_t> data) = 0;
};

// Returns the previous backend; nullptr: every entry fails (no boards).
OsbdmBackend* install_osbdm_backend(OsbdmBackend* backend);

// The built-in library's entries (a dynlib BuiltinLibrary).
void* osbdm_library_entry(std::string_view entry);
// A library that exports nothing: its presence is all that is asked of it.
void* entryless_library_entry(std::string_view entry);

}  // namespace vx::platform
