#include "fwupdate/osbdm_binding.h"

#include <algorithm>
#include <cstring>

#include "foundation/kstring.h"
#include "foundation/program_trace.h"
#include "foundation/run_state.h"
#include "interface/drivers/windows_version.h"
#include "interface/link_state.h"
#include "interface/port_state.h"

namespace vx {
namespace {

namespace entry = platform::osbdm_entry;

constexpr std::string_view library_name = "VXOSBDMV1.DLL";
constexpr std::string_view usb_library_name = "libusb0.dll";
constexpr std::string_view plain_name = "Embedded OSBDM/OSJTAG Device";
constexpr std::string_view bootloader_name = "Embedded OSBDM/OSJTAG Device - Bootloader Mode";
constexpr std::size_t serial_length = 50;

// Slots of the entries that are called.
enum Slot : std::size_t {
  open_slot = 1,
  close_slot = 2,
  init_slot = 3,
  init_hardware_slot = 4,
  exchange_slot = 5,
  version_slot = 6,
  bootloader_open_slot = 13,
  erase_slot = 14,
  program_slot = 15,
  verify_slot = 16,
};

constexpr std::string_view target_names[10] = {"CFV234", "CFV1", "S08",     "RS08", "S12",
                                               "DSC",    "CoreTypeUnknown", "Kinetis", "Qorivva", "S12Z"};

OsbdmBinding state;
OsbdmCloseNotice close_notice = nullptr;

template <typename Entry>
Entry bound(Slot slot) {
  return reinterpret_cast<Entry>(state.entries[slot]);
}

// Every call of a library that is not loaded stops here.
bool usable(std::string_view routine) {
  if (state.osbdm_library_loaded) return true;
  trace_line(ShortText(routine) + " - ERROR - the library is not loaded. 35789.");
  return false;
}

void library_close() { bound<entry::Nothing>(close_slot)(); }

std::uint8_t library_init() { return bound<entry::Status>(init_slot)(); }

std::uint8_t library_open(std::uint32_t index) { return bound<entry::Index>(open_slot)(index); }

void link_function_to_dll(platform::LibraryHandle library, std::size_t slot, std::string_view name) {
  state.entries[slot] = platform::library_entry(library, name);
  if (state.entries[slot] == nullptr) {
    state.osbdm_library_loaded = false;
    trace_line("link_function_to_dll : DLL Load ERROR : " + ShortText(name) + " not assigned(127).");
  } else {
    trace_line("link_function_to_dll : " + ShortText(name) + " linked properly.");
  }
}

const OsbdmDevice* find_device(const ShortText& name, std::int32_t& number) {
  for (std::int32_t k = 1; k <= state.osbdm_number_of_devices; ++k) {
    const OsbdmDevice& device = state.devices[static_cast<std::size_t>(k - 1)];
    if (device.name == name || device.description == name || device.serial == name) {
      number = k;
      return &device;
    }
  }
  if (name.empty() && state.osbdm_number_of_devices == 1) {
    number = 1;
    return &state.devices[0];
  }
  return nullptr;
}

// The next entry of the list; nullptr when the list is full.
OsbdmDevice* next_entry() {
  if (state.osbdm_number_of_devices >= OsbdmBinding::capacity) return nullptr;
  OsbdmDevice& device = state.devices[static_cast<std::size_t>(state.osbdm_number_of_devices++)];
  device = OsbdmDevice{};
  return &device;
}

void list_debug_device(std::int32_t i) {
  OsbdmDevice* device = next_entry();
  if (device == nullptr) return;
  device->name = ShortText(plain_name);
  device->description = device->name;
  device->serial = ("SER" + hex_byte(static_cast<std::uint8_t>(i))).substr(0, serial_length);
  const std::uint8_t status = library_open(static_cast<std::uint32_t>(i - 1));
  const bool version_read = status == 0 && osbdm_get_version();
  const std::uint8_t target = state.osbdm_version_info[osbdm_version::TARGET_TYPE];
  if (version_read && target < state.build.target_names) {
    device->name = "Embedded " + osbdm_target_name(target) + " OSBDM/OSJTAG Device (Firmware Version " +
                   long_to_str(state.osbdm_version_info[osbdm_version::BUILD_VER]) + "." +
                   long_to_str(state.osbdm_version_info[osbdm_version::BUILD_VER_REV]) + ")";
    device->description = device->name;
    device->version = state.osbdm_version_info;
  }
  library_close();
}

}  // namespace

OsbdmBinding& osbdm_binding() { return state; }

void reset_osbdm_binding(const OsbdmBuild& build) {
  if (state.handle_held) platform::free_library(state.library);
  state = OsbdmBinding{};
  state.build = build;
  close_notice = nullptr;
}

ShortText osbdm_target_name(std::uint8_t target_type) {
  return target_type < state.build.target_names ? ShortText(target_names[target_type]) : ShortText();
}

void set_osbdm_close_notice(OsbdmCloseNotice notice) { close_notice = notice; }

void external_load_osbdm_library() {
  state.osbdm_load_attempted = true;
  if (!usb_libraries_allowed()) return;
  if (!state.osbdm_library_loaded) {
    const platform::LibraryHandle probe = platform::load_library(std::string(usb_library_name));
    if (probe == 0) return;
    platform::free_library(probe);
  }
  const std::optional<ShortText> beside = add_backslash(run_state().program_directory);
  if (beside && load_osbdm_library(*beside + ShortText(library_name))) return;
  if (load_osbdm_library(ShortText(library_name))) return;
  trace_line("Unable to load OSBDMDRIVER : " + ShortText(library_name));
}

bool load_osbdm_library(const ShortText& path) {
  unload_osbdm_library();
  const platform::LibraryHandle library = platform::load_library(path.str());
  if (library == 0) return false;
  state.library = library;
  state.handle_held = true;
  state.osbdm_library_loaded = true;
  for (std::size_t slot = 0; slot < state.build.entry_count; ++slot) {
    link_function_to_dll(library, slot, platform::osbdm_entry_names[slot]);
  }
  return state.osbdm_library_loaded;
}

void unload_osbdm_library() {
  if (state.handle_held) platform::free_library(state.library);
  state.library = 0;
  state.entries.fill(nullptr);
  state.osbdm_library_loaded = false;
  state.osbdm_device_open = false;
  state.handle_held = false;
}

bool osbdm_get_version() {
  if (!usable("osbdm_get_version")) return false;
  static_assert(OsbdmBinding::exchange_buffer_size == platform::osbdm_version_buffer_size);
  std::uint8_t* buffer = state.osbdm_exchange_buffer.data();
  const std::uint8_t status = bound<entry::Version>(version_slot)(buffer);
  std::copy_n(buffer + 2, state.build.version_bytes, state.osbdm_version_info.begin());
  return status == 0;
}

void osbdm_enumerate_usb_devices() {
  state.osbdm_number_of_devices = 0;
  if (!usable("osbdm_enumerate_usb_devices")) return;
  library_init();
  const bool bootloader_found = osbdm_bootloader_open_device_in_bootloader_mode();
  if (bootloader_found) library_close();
  std::int32_t n = library_init();
  if (n > OsbdmBinding::capacity) {
    trace_line("internal_num_osbdm_devices forced to 0.");
    n = 0;
  }
  for (std::int32_t i = 1; i <= n; ++i) {
    list_debug_device(i);
  }
  if (!bootloader_found) return;
  if (OsbdmDevice* device = next_entry()) {
    device->name = ShortText(bootloader_name);
    device->description = device->name;
  } else {
    trace_line("osbdm_enumerate_usb_devices - the list is full: the bootloader device is not listed.");
  }
  osbdm_bootloader_close_device();
}

std::int32_t osbdm_number_of_devices() { return state.osbdm_number_of_devices; }

bool osbdm_open_device(const ShortText& name) {
  if (!usable("osbdm_open_device")) return false;
  osbdm_close_device();
  std::int32_t number = 0;
  if (find_device(name, number) == nullptr) {
    trace_line("osbdm_open_device(" + name + ") - not found!");
    return false;
  }
  state.osbdm_last_error_status = library_open(static_cast<std::uint32_t>(number - 1));
  const bool opened = state.osbdm_last_error_status == 0;
  if (opened) state.osbdm_last_error_status = bound<entry::Status>(init_hardware_slot)();
  state.osbdm_device_open = opened;
  bool result = opened;
  if (opened) {
    result = osbdm_get_version();
  } else {
    trace_line("ERROR - Unable to access OSBDM/OSJTAG hardware. Check permissions.");
  }
  state.last_osbdm_device_name = name;
  return result;
}

void osbdm_close_device() {
  if (!usable("osbdm_close_device")) return;
  if (state.osbdm_device_open && state.osbdm_last_error_status == 0 && port_state().port_open &&
      link_state().link_status != 0 && close_notice != nullptr) {
    close_notice();
  }
  library_close();
  state.osbdm_last_error_status = 0;
  state.osbdm_device_open = false;
}

bool osbdm_reset_device() {
  if (!usable("osbdm_reset_device")) return false;
  state.osbdm_last_error_status = bound<entry::Status>(init_hardware_slot)();
  return state.osbdm_last_error_status == 0;
}

bool osbdm_bootloader_open_device_in_bootloader_mode() {
  if (!usable("osbdm_bootloader_open_device_in_bootloader_mode")) return false;
  library_close();
  // The bootloader is no debug device: no close notice goes to it, no debug reset reaches it.
  state.osbdm_device_open = false;
  return bound<entry::Index>(bootloader_open_slot)(0) == 0;
}

std::int32_t osbdm_bootloader_devices_waiting() {
  if (!usable("osbdm_bootloader_devices_waiting")) return 0;
  std::int32_t waiting = 0;
  // The library reaches a bootloader only by its place among the waiting ones.
  for (std::uint32_t index = 0; index < 2; ++index) {
    library_close();
    state.osbdm_device_open = false;
    if (bound<entry::Index>(bootloader_open_slot)(index) != 0) break;
    ++waiting;
  }
  library_close();
  return waiting;
}

bool osbdm_bootloader_reopen_last_osbdm_device_in_debug_mode() {
  if (!usable("osbdm_bootloader_reopen_last_osbdm_device_in_debug_mode")) return false;
  library_close();
  osbdm_enumerate_usb_devices();
  return osbdm_open_device(state.last_osbdm_device_name);
}

bool osbdm_bootloader_erase_flash_block(std::uint32_t first, std::uint32_t last) {
  if (!usable("osbdm_bootloader_erase_flash_block")) return false;
  return bound<entry::Erase>(erase_slot)(first, last) == 0;
}

bool osbdm_bootloader_program_flash_block(std::uint32_t address, std::span<const std::uint8_t> data) {
  if (!usable("osbdm_bootloader_program_flash_block")) return false;
  return bound<entry::Block>(program_slot)(address, static_cast<std::uint32_t>(data.size()), data.data()) == 0;
}

bool osbdm_bootloader_verify_flash_block(std::uint32_t address, std::span<const std::uint8_t> data) {
  if (!usable("osbdm_bootloader_verify_flash_block")) return false;
  return bound<entry::Block>(verify_slot)(address, static_cast<std::uint32_t>(data.size()), data.data()) == 0;
}

void osbdm_bootloader_close_device() {
  if (!usable("osbdm_bootloader_close_device")) return;
  library_close();
}

bool osbdm_sendpacket(std::span<const std::uint8_t> packet) {
  if (!usable("OSBDM_sendpacket")) return false;
  // Emptied before any refusal, so that no earlier acknowledgement answers this packet.
  std::fill_n(state.osbdm_exchange_buffer.begin(), 5, std::uint8_t{0});
  state.osbdm_exchange_size = 0;
  state.command_type = OsbdmBinding::illegal;
  if (packet.size() > OsbdmBinding::largest_packet) {
    trace_line("OSBDM_sendpacket: Error... OSBDM packet too large " + long_to_str(static_cast<std::int32_t>(packet.size())) +
               " bytes");
    return false;
  }
  const bool forwarded =
      packet.size() >= 2 && packet[0] == 7 && (packet[1] == 0x33 || packet[1] == 0x34 || packet[1] == 0xAA);
  if (!forwarded) {
    trace_line("ERROR - Command is OSBDM_ILLEGAL.");
    return false;
  }
  state.command_type = OsbdmBinding::send_to_osbdm;
  std::copy(packet.begin() + 1, packet.end(), state.osbdm_exchange_buffer.begin() + 1);
  state.osbdm_exchange_size = static_cast<std::uint32_t>(packet.size() - 2);
  state.osbdm_last_error_status = bound<entry::Exchange>(exchange_slot)(
      state.osbdm_exchange_buffer[1], &state.osbdm_exchange_size, state.osbdm_exchange_buffer.data() + 2);
  // A library that claims more than the buffer holds has not answered.
  const bool success = state.osbdm_last_error_status == 0 && state.osbdm_exchange_size <= platform::osbdm_exchange_room;
  if (success) {
    state.osbdm_exchange_buffer[1] = 0xEE;
    ++state.osbdm_exchange_size;
  } else {
    state.osbdm_exchange_buffer[1] = 0;
    state.osbdm_exchange_size = 0;
  }
  return success;
}

bool osbdm_receivepacket(std::span<std::uint8_t> reply, std::uint32_t& length, std::uint32_t) {
  if (!usable("OSBDM_receivepacket")) return false;
  length = state.osbdm_exchange_size;
  if (length > OsbdmBinding::largest_reply || length > reply.size()) {
    trace_line("OSBDM_receivepacket: Error... incoming OSBDM packet too large " +
               long_to_str(static_cast<std::int32_t>(length)) + " bytes");
    return false;
  }
  std::copy_n(state.osbdm_exchange_buffer.begin() + 1, length, reply.begin());
  return true;
}

ShortText osbdm_firmware_stem() {
  const OsbdmVersionBytes& version = state.osbdm_version_info;
  const bool id_six = version[osbdm_version::OSBDM_ID] == 6;
  switch (version[osbdm_version::TARGET_TYPE]) {
    case 0:
      return version[osbdm_version::FIRMWARE_TYPE] == 0 ? "osbdmens_generic_cfv234.*" : "osbdmens_embedded_cfv234.*";
    case 1: return "osbdmens_cfv1.*";
    case 2: return id_six ? "Architecture_Not_Supported.*" : "osbdmens_s08.*";
    case 3: return id_six ? "Architecture_Not_Supported.*" : "osbdmens_rs08.*";
    case 4: return "osbdmens_s12.*";
    case 5: return "osbdmens_dsc.*";
    case 7: return "osbdmens_arm.*";
    case 8: return "osbdmens_eppc.*";
    case 9: return "osbdmens_s12z.*";
    default: return "Architecture_Not_Supported.*";
  }
}

}  // namespace vx
