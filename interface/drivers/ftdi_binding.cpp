#include "interface/drivers/ftdi_binding.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>

#include "foundation/kstring.h"
#include "foundation/run_state.h"
#include "foundation/status_output.h"
#include "interface/drivers/usb_access.h"
#include "interface/drivers/windows_version.h"
#include "interface/link_state.h"

namespace vx {
namespace {

using platform::FT_STATUS;

constexpr std::string_view library_name = "VXUSBV1.dll";
constexpr std::string_view serial_prefix = "VX3";
constexpr std::string_view description_prefix = "VLX";

enum Slot : std::size_t {
  open_slot, open_ex, close, read, write, set_baud_rate, set_data_characteristics, set_flow_control, reset_device,
  set_dtr, clr_dtr, set_rts, clr_rts, get_modem_status, set_chars, purge, set_timeouts, get_queue_status,
  list_number, list_by_index, ee_ua_read, ee_ua_write, ee_program, ee_read, set_latency_timer,
};

constexpr std::array<std::string_view, FtdiBinding::slot_count> slot_names = {
    "FT_Open",           "FT_OpenEx",      "FT_Close",          "FT_Read",           "FT_Write",
    "FT_SetBaudRate",    "FT_SetDataCharacteristics",           "FT_SetFlowControl", "FT_ResetDevice",
    "FT_SetDtr",         "FT_ClrDtr",      "FT_SetRts",         "FT_ClrRts",         "FT_GetModemStatus",
    "FT_SetChars",       "FT_Purge",       "FT_SetTimeouts",    "FT_GetQueueStatus", "FT_ListDevices",
    "FT_ListDevices",    "FT_EE_UARead",   "FT_EE_UAWrite",     "FT_EE_Program",     "FT_EE_Read",
    "FT_SetLatencyTimer",
};

FtdiBinding binding;

// A call through a bound slot; 7 without calling when the library is not loaded or the slot is empty.
template <typename Function, typename... Arguments>
FT_STATUS guarded(Slot slot, Arguments... arguments) {
  FT_STATUS status = FtdiBinding::not_bound;
  if (binding.loaded && binding.slots[slot] != nullptr) {
    status = reinterpret_cast<Function>(binding.slots[slot])(arguments...);
  }
  binding.last_status = status;
  return status;
}

void unload() {
  if (binding.library != 0) platform::free_library(binding.library);
  binding.library = 0;
  binding.loaded = false;
  binding.slots.fill(nullptr);
}

void clear_tables() {
  binding.device_count = 0;
  binding.serial_numbers.fill(ShortText());
  binding.descriptions.fill(ShortText());
}

// The text the library left in the buffer, cut to what the tables keep.
ShortText buffer_text() {
  binding.text_buffer.back() = '\0';
  const std::size_t length = std::min(std::strlen(binding.text_buffer.data()), FtdiBinding::kept_text_length);
  return ShortText(std::string_view(binding.text_buffer.data(), length));
}

bool starts_with_ignoring_case(const ShortText& text, std::string_view prefix) {
  return upper_case(text.substr(0, prefix.size())) == prefix;
}

// One listing text of device i; nullopt when the library refuses it.
std::optional<ShortText> listed_text(std::uint32_t index, std::uint32_t which) {
  binding.text_buffer.fill('\0');
  void* argument = reinterpret_cast<void*>(static_cast<std::uintptr_t>(index));
  if (guarded<platform::FT_ListDevices_fn>(list_by_index, argument, binding.text_buffer.data(),
                                           platform::ft::list_by_index | which) != 0) {
    return std::nullopt;
  }
  return buffer_text();
}

}  // namespace

FtdiBinding& ftdi_binding() { return binding; }

void reset_ftdi_binding() {
  finish_ftdi_binding();
  binding = FtdiBinding{};
}

void start_ftdi_binding() {
  clear_tables();
  if (!usb_libraries_allowed()) return;
  const std::optional<ShortText> directory = add_backslash(run_state().program_directory);
  if (directory && load_ftdi_dll(*directory + library_name)) return;
  load_ftdi_dll(ShortText(library_name));
}

void finish_ftdi_binding() {
  ft_close_device();
  unload();
}

bool load_ftdi_dll(const ShortText& file_name) {
  unload();
  binding.library = platform::load_library(file_name.str());
  if (binding.library == 0) return false;
  binding.loaded = true;
  for (std::size_t slot = 0; slot < FtdiBinding::slot_count; ++slot) {
    binding.slots[slot] = platform::library_entry(binding.library, slot_names[slot]);
    if (binding.slots[slot] == nullptr) {
      WRITELN_TO_DEBUG(ShortText(slot_names[slot]) + " not found in VLX USB-FTDI DLL.");
      binding.loaded = false;
    }
  }
  return binding.loaded;
}

void ft_list_devices() {
  binding.listed = true;
  ft_close_device();
  clear_tables();
  std::uint32_t present = 0;
  if (guarded<platform::FT_ListDevices_fn>(list_number, &present, nullptr, platform::ft::list_number_only) != 0) {
    return;
  }
  for (std::uint32_t index = 0; index < present; ++index) {
    const std::optional<ShortText> serial = listed_text(index, platform::ft::open_by_serial_number);
    if (!serial || !starts_with_ignoring_case(*serial, serial_prefix)) continue;
    const std::optional<ShortText> description = listed_text(index, platform::ft::open_by_description);
    if (!description || !starts_with_ignoring_case(*description, description_prefix)) continue;
    if (binding.device_count >= FtdiBinding::max_devices) continue;
    binding.serial_numbers[static_cast<std::size_t>(binding.device_count)] = *serial;
    binding.descriptions[static_cast<std::size_t>(binding.device_count)] = *description;
    ++binding.device_count;
  }
  write_refused_usb_devices();
}

std::int32_t ft_device_count() {
  if (!binding.listed) ft_list_devices();
  return binding.device_count;
}

bool ft_open_device(std::int32_t n) {
  if (n <= 0 || n > binding.device_count) return false;
  ft_close_device();
  platform::FT_HANDLE handle = nullptr;
  const ShortText serial = binding.serial_numbers[static_cast<std::size_t>(n - 1)];
  if (guarded<platform::FT_OpenEx_fn>(open_ex, const_cast<char*>(serial.c_str()),
                                      platform::ft::open_by_serial_number, &handle) != 0) {
    return false;
  }
  binding.device = handle;
  guarded<platform::FT_SetTimeouts_fn>(set_timeouts, handle, 3000u, 3000u);
  binding.last_status = reinterpret_cast<platform::FT_SetLatencyTimer_fn>(binding.slots[set_latency_timer])(
      handle, std::uint8_t{1});
  binding.open = true;
  return true;
}

void ft_close_device() {
  if (!binding.open) return;
  guarded<platform::FT_Close_fn>(close, binding.device);
  binding.device = nullptr;
  binding.open = false;
}

void ft_reset_device() {
  if (!binding.open) return;
  guarded<platform::FT_Handle_fn>(reset_device, binding.device);
  guarded<platform::FT_Purge_fn>(purge, binding.device, platform::ft::purge_rx);
  guarded<platform::FT_Purge_fn>(purge, binding.device, platform::ft::purge_tx);
  std::uint8_t user_byte = 0;
  std::uint32_t read_count = 0;
  guarded<platform::FT_EE_UARead_fn>(ee_ua_read, binding.device, &user_byte, 1u, &read_count);
}

std::uint32_t ft_rx_queue_count() {
  std::uint32_t waiting = 0;
  if (guarded<platform::FT_GetQueueStatus_fn>(get_queue_status, binding.device, &waiting) != 0) return 0;
  return waiting;
}

std::uint32_t ft_read(std::uint32_t count) {
  std::array<std::uint8_t, LinkState::usb_buffer_size>& reply = link_state().usb_reply;
  std::uint32_t done = 0;
  guarded<platform::FT_Read_fn>(read, binding.device, static_cast<void*>(reply.data()),
                                std::min<std::uint32_t>(count, reply.size()), &done);
  return done;
}

std::uint32_t ft_write(std::uint32_t count) {
  std::array<std::uint8_t, LinkState::usb_buffer_size>& frame = link_state().usb_frame;
  std::uint32_t done = 0;
  guarded<platform::FT_Write_fn>(write, binding.device, static_cast<void*>(frame.data()),
                                 std::min<std::uint32_t>(count, frame.size()), &done);
  return done;
}

}  // namespace vx
