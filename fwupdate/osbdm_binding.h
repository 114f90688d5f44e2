#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "foundation/short_text.h"
#include "platform/dynlib.h"
#include "platform/osbdm.h"

// The OSBDM/OSJTAG library: loading and binding, the list of boards with
// their version bytes, opening and closing one, its bootloader, and the
// packet bridge the USB transfers use to reach an open board. Main thread only.
namespace vx {

// What a program's build of the unit carries.
struct OsbdmBuild {
  std::size_t entry_count;    // bound in name order; fwscout's build leaves out osbdm_write_fill
  std::size_t version_bytes;  // fwscout's build has no OSBDM_ID
  std::uint8_t target_names;  // fwscout's build knows no "S12Z"
};
inline constexpr OsbdmBuild updater_osbdm_build{20, 8, 10};
inline constexpr OsbdmBuild scout_osbdm_build{19, 7, 9};

// Positions of the version bytes.
namespace osbdm_version {
inline constexpr std::size_t VERSION_HW = 0, VERSION_SW = 1, BUILD_VER = 2, TARGET_TYPE = 3, FIRMWARE_TYPE = 4,
                             BUILD_VER_REV = 5, BOARD_ID = 6, OSBDM_ID = 7;
}
using OsbdmVersionBytes = std::array<std::uint8_t, 8>;

struct OsbdmDevice {
  ShortText name;
  ShortText description;
  ShortText serial;  // at most 50 characters
  OsbdmVersionBytes version{};
};

struct OsbdmBinding {
  static constexpr std::int32_t capacity = 19;
  static constexpr std::size_t exchange_buffer_size = 64;
  static constexpr std::uint32_t largest_packet = 56, largest_reply = 57;
  // Command types of the last packet (for the trace).
  static constexpr std::uint8_t send_to_osbdm = 1, illegal = 2;

  OsbdmBuild build = updater_osbdm_build;
  platform::LibraryHandle library = 0;
  bool handle_held = false;
  bool osbdm_library_loaded = false;
  bool osbdm_load_attempted = false;
  std::array<void*, 20> entries{};
  std::uint8_t osbdm_last_error_status = 0;
  bool osbdm_device_open = false;
  OsbdmVersionBytes osbdm_version_info{};
  std::int32_t osbdm_number_of_devices = 0;
  std::array<OsbdmDevice, capacity> devices{};
  ShortText last_osbdm_device_name;
  // Byte 1: sub-command out, acknowledgement back; data from byte 2.
  std::array<std::uint8_t, exchange_buffer_size> osbdm_exchange_buffer{};
  std::uint32_t osbdm_exchange_size = 0;
  std::uint8_t command_type = 0;
};

OsbdmBinding& osbdm_binding();
// The unit's start for one program's build; the library is let go.
void reset_osbdm_binding(const OsbdmBuild& build = updater_osbdm_build);

// The target type's name, '' for codes the build does not know.
ShortText osbdm_target_name(std::uint8_t target_type);

void external_load_osbdm_library();
bool load_osbdm_library(const ShortText& path);
void unload_osbdm_library();

void osbdm_enumerate_usb_devices();
std::int32_t osbdm_number_of_devices();
bool osbdm_get_version();

bool osbdm_open_device(const ShortText& name);
void osbdm_close_device();
bool osbdm_reset_device();

bool osbdm_bootloader_open_device_in_bootloader_mode();
// How many boards wait in bootloader mode, counted up to two; none is left open.
std::int32_t osbdm_bootloader_devices_waiting();
bool osbdm_bootloader_reopen_last_osbdm_device_in_debug_mode();
bool osbdm_bootloader_erase_flash_block(std::uint32_t first, std::uint32_t last);
bool osbdm_bootloader_program_flash_block(std::uint32_t address, std::span<const std::uint8_t> data);
bool osbdm_bootloader_verify_flash_block(std::uint32_t address, std::span<const std::uint8_t> data);
void osbdm_bootloader_close_device();

bool osbdm_sendpacket(std::span<const std::uint8_t> packet);
// The reply's bytes go to the start of `reply`; false when it would not fit.
bool osbdm_receivepacket(std::span<std::uint8_t> reply, std::uint32_t& length, std::uint32_t timeout_ms);

ShortText osbdm_firmware_stem();

// Sends the board's close notice (interface command 7, 0x33) over the open
// port's link; installed by the interface link, none until then.
using OsbdmCloseNotice = void (*)();
void set_osbdm_close_notice(OsbdmCloseNotice notice);

}  // namespace vx
