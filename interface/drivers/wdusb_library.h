#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "foundation/short_text.h"
#include "platform/dynlib.h"
#include "platform/wdusb.h"

namespace vx {

// The WinDriver USB library, from "VXUSBMGR.DLL" or else "WDAPI900.DLL", bound entry by entry.
struct WdusbLibrary {
  static constexpr std::size_t entry_count = 27;

  platform::LibraryHandle library = 0;
  bool loaded = false;
  ShortText file_name;  // the last one tried
  bool loader_has_run = false;
  std::array<void*, entry_count> entries{};
};

WdusbLibrary& wdusb_library();
// Unloads and returns to the start values; close the device first (wdusb_close).
void reset_wdusb_library();

void load_usb_driver_dll();
void unload_usb_driver_dll();

// The library's calls. Without a loaded library they do nothing: the status
// calls answer 0, Stat2Str an empty text and WDU_Init the device-not-found status.
std::uint32_t wd_init(platform::WDU_DRIVER_HANDLE& driver, platform::WDU_MATCH_TABLE& match,
                      platform::WDU_EVENT_TABLE& events);
void wd_uninit(platform::WDU_DRIVER_HANDLE driver);
std::uint32_t wd_set_interface(platform::WDU_DEVICE_HANDLE device, std::uint32_t interface_number,
                               std::uint32_t alternate_setting);
std::uint32_t wd_reset_pipe(platform::WDU_DEVICE_HANDLE device, std::uint32_t pipe);
std::uint32_t wd_transfer(platform::WDU_DEVICE_HANDLE device, std::uint32_t pipe, bool read, std::uint8_t* buffer,
                          std::uint32_t size, std::uint32_t& transferred, std::uint8_t* setup_packet,
                          std::uint32_t timeout_ms);
ShortText wd_status_text(std::uint32_t status);
// A status in the library's trace form: lower-case hexadecimal digits without leading zeros.
ShortText status_hex(std::uint32_t value);

}  // namespace vx
