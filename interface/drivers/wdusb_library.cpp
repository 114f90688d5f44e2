#include "interface/drivers/wdusb_library.h"

#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

#include "foundation/kstring.h"
#include "foundation/run_state.h"
#include "foundation/status_output.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/drivers/windows_version.h"

namespace vx {
namespace {

enum Entry : std::size_t {
  stat2str, event_register, event_unregister, event_alloc, event_free, event_dup, wdu_init, wdu_uninit,
  wdu_get_device_info, wdu_set_interface, wdu_reset_pipe, wdu_reset_device, wdu_wakeup, wdu_transfer,
  wdu_halt_transfer, wdu_transfer_default_pipe, wdu_transfer_bulk, wdu_transfer_isoch, wdu_transfer_interrupt,
  thread_start, thread_wait, thread_stop, os_event_create, os_event_close, os_event_wait, os_event_signal,
  free_dll_ptr,
};

constexpr std::array<std::string_view, WdusbLibrary::entry_count> entry_names = {
    "Stat2Str",          "EventRegister",    "EventUnregister",         "EventAlloc",
    "EventFree",         "EventDup",         "WDU_Init",                "WDU_Uninit",
    "WDU_GetDeviceInfo", "WDU_SetInterface", "WDU_ResetPipe",           "WDU_ResetDevice",
    "WDU_Wakeup",        "WDU_Transfer",     "WDU_HaltTransfer",        "WDU_TransferDefaultPipe",
    "WDU_TransferBulk",  "WDU_TransferIsoch", "WDU_TransferInterrupt",  "ThreadStart",
    "ThreadWait",        "ThreadStop",       "OsEventCreate",           "OsEventClose",
    "OsEventWait",       "OsEventSignal",    "FreeDllPtr",
};

constexpr std::string_view manager_name = "VXUSBMGR.DLL";
constexpr std::string_view windriver_name = "WDAPI900.DLL";

WdusbLibrary library;

template <typename Function>
Function bound(Entry entry) {
  return library.loaded ? reinterpret_cast<Function>(library.entries[entry]) : nullptr;
}

bool try_library(const ShortText& file_name) {
  unload_usb_driver_dll();
  library.file_name = file_name;
  library.library = platform::load_library(file_name.str());
  if (library.library == 0) return false;
  library.loaded = true;
  for (std::size_t entry = 0; entry < WdusbLibrary::entry_count; ++entry) {
    library.entries[entry] = platform::library_entry(library.library, entry_names[entry]);
    if (library.entries[entry] == nullptr) {
      WRITELN_TO_DEBUG(ShortText(entry_names[entry]) + " not found in VLX WD-USB DLL.");
      library.loaded = false;
    }
  }
  return library.loaded;
}

}  // namespace

WdusbLibrary& wdusb_library() { return library; }

void reset_wdusb_library() {
  unload_usb_driver_dll();
  library = WdusbLibrary{};
}

void load_usb_driver_dll() {
  library.loader_has_run = true;
  if (usb_libraries_allowed()) {
    // No callback may run while the entries change under it.
    wdusb_reset_state();
    const std::optional<ShortText> directory = add_backslash(run_state().program_directory);
    std::vector<ShortText> candidates;
    for (const std::string_view name : {manager_name, windriver_name}) {
      if (directory) candidates.push_back(*directory + name);
      candidates.emplace_back(name);
    }
    for (const ShortText& candidate : candidates) {
      if (try_library(candidate)) break;
    }
  }
  clear_user_record();
}

void unload_usb_driver_dll() {
  if (library.library != 0) platform::free_library(library.library);
  library.library = 0;
  library.loaded = false;
  library.entries.fill(nullptr);
}

std::uint32_t wd_init(platform::WDU_DRIVER_HANDLE& driver, platform::WDU_MATCH_TABLE& match,
                      platform::WDU_EVENT_TABLE& events) {
  const auto init = bound<platform::WDU_Init_fn>(wdu_init);
  if (init == nullptr) return platform::wd::device_not_found;
  return init(&driver, &match, 1, &events, "", 0);
}

void wd_uninit(platform::WDU_DRIVER_HANDLE driver) {
  if (const auto uninit = bound<platform::WDU_Uninit_fn>(wdu_uninit)) uninit(driver);
}

std::uint32_t wd_set_interface(platform::WDU_DEVICE_HANDLE device, std::uint32_t interface_number,
                               std::uint32_t alternate_setting) {
  const auto set_interface = bound<platform::WDU_SetInterface_fn>(wdu_set_interface);
  return set_interface == nullptr ? 0 : set_interface(device, interface_number, alternate_setting);
}

std::uint32_t wd_reset_pipe(platform::WDU_DEVICE_HANDLE device, std::uint32_t pipe) {
  const auto reset_pipe = bound<platform::WDU_ResetPipe_fn>(wdu_reset_pipe);
  return reset_pipe == nullptr ? 0 : reset_pipe(device, pipe);
}

std::uint32_t wd_transfer(platform::WDU_DEVICE_HANDLE device, std::uint32_t pipe, bool read, std::uint8_t* buffer,
                          std::uint32_t size, std::uint32_t& transferred, std::uint8_t* setup_packet,
                          std::uint32_t timeout_ms) {
  transferred = 0;
  const auto transfer = bound<platform::WDU_Transfer_fn>(wdu_transfer);
  return transfer == nullptr ? 0
                             : transfer(device, pipe, read ? 1 : 0, 0, buffer, size, &transferred, setup_packet,
                                        timeout_ms);
}

ShortText wd_status_text(std::uint32_t status) {
  const auto text = bound<platform::Stat2Str_fn>(stat2str);
  return text == nullptr ? ShortText() : ShortText(text(status));
}

ShortText status_hex(std::uint32_t value) {
  char digits[9];
  std::snprintf(digits, sizeof digits, "%x", value);
  return ShortText(digits);
}

}  // namespace vx
